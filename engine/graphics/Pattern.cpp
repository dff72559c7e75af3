#include "graphics/Pattern.h"

#include "graphics/DrawableState.h"
#include "graphics/PixelBlock.h"

#include <algorithm>
#include <cstdint>

namespace {
// A cell's place: huge steps a script may give the grid clamp to the int
// range instead of overflowing.
int cellPlace(int origin, int step, int index)
{
    const int64_t at = int64_t(origin) + int64_t(step) * int64_t(index);
    return int(std::max<int64_t>(INT32_MIN / 2, std::min<int64_t>(INT32_MAX / 2, at)));
}
// A table of more slots than this (a pointer each: every cell, and three
// for each layer's list, which a layer costs whatever its cells) is not
// made: a pattern that size is a mistake in the title, not something to
// allocate.
const int64_t MaxSlots = int64_t(1) << 24;
const int64_t SlotsPerLayer = 3;

bool fits(int columns, int rows, int layers)
{
    // Divided, not multiplied: columns x rows alone may reach 2^62.
    const int64_t perLayer = int64_t(columns) * int64_t(rows) + SlotsPerLayer;
    return layers <= MaxSlots / perLayer;
}

// Columns and rows of a table: none without a size or a cell size.
void tableOf(CXSize size, CXSize cell, int* columns, int* rows)
{
    *columns = *rows = 0;
    if (cell.cx > 0 && cell.cy > 0 && size.cx > 0 && size.cy > 0) {
        *columns = size.cx / cell.cx;
        *rows = size.cy / cell.cy;
    }
}
} // namespace

int64_t CPattern::tableBytes(CXSize size, CXSize cellSize, int layers)
{
    int columns = 0, rows = 0;
    tableOf(size, cellSize, &columns, &rows);
    // columns x rows alone may reach 2^62.
    const int64_t slots = int64_t(columns) * int64_t(rows) + SlotsPerLayer, slot = sizeof(void*);
    const int64_t n = layers > 0 ? layers : 0;
    return n > INT64_MAX / slot / slots ? INT64_MAX : n * slots * slot;
}

int CPatternEntry::compare(CXObject* other)
{
    return static_cast<CPatternEntry*>(other)->priority < priority ? 1 : 0;
}

CPattern::CPattern(CWindow* owner, CXSize size, CXSize cellSize, int layers)
    : CGraphicsObject(owner), cellWidth(cellSize.cx), cellHeight(cellSize.cy), columns(0), rows(0),
      layerCount(layers > 0 ? layers : 0)
{
    width = size.cx;
    height = size.cy;
    pitch = width;
    tableOf(size, cellSize, &columns, &rows);
    // A table too large has no cells and no layers.
    if (!fits(columns, rows, layerCount)) {
        columns = rows = layerCount = 0;
        setErrorCode(-1);
    }
    cells.assign(size_t(columns) * size_t(rows) * size_t(layerCount), nullptr);
    layerEntries.resize(size_t(layerCount));
}

CPattern::~CPattern()
{
    for (std::vector<std::unique_ptr<CPatternEntry>>& list : layerEntries)
        for (std::unique_ptr<CPatternEntry>& e : list)
            e->object->removeInvalidateObserver(this);
}

bool CPattern::inTable(int column, int row, int layer) const
{
    return column >= 0 && column < columns && row >= 0 && row < rows && layer >= 0 && layer < layerCount;
}

CPatternEntry*& CPattern::cell(int column, int row, int layer)
{
    return cells[(size_t(layer) * size_t(columns) + size_t(column)) * size_t(rows) + size_t(row)];
}

CPatternEntry* CPattern::get(int column, int row, int layer)
{
    return inTable(column, row, layer) ? cell(column, row, layer) : nullptr;
}

CPatternEntry* CPattern::getEntryAtCell(int layer, int column, int row) { return get(column, row, layer); }

bool CPattern::contains(CGraphicsObject* drawable)
{
    for (const std::vector<std::unique_ptr<CPatternEntry>>& list : layerEntries)
        for (const std::unique_ptr<CPatternEntry>& e : list)
            if (e->object == drawable)
                return true;
    return false;
}

void CPattern::dropEntry(int layer, CPatternEntry* entry, bool release)
{
    if (inTable(entry->column, entry->row, layer) && cell(entry->column, entry->row, layer) == entry)
        cell(entry->column, entry->row, layer) = nullptr;
    CGraphicsObject* object = entry->object;
    std::vector<std::unique_ptr<CPatternEntry>>& list = layerEntries[size_t(layer)];
    list.erase(std::find_if(list.begin(), list.end(),
                            [entry](const std::unique_ptr<CPatternEntry>& e) { return e.get() == entry; }));
    if (release && !contains(object))
        object->removeInvalidateObserver(this);
}

CPatternEntry* CPattern::add(const CXString& alias, int column, int row, int layer, CGraphicsObject* drawable,
                             int priority, const CXString& info)
{
    if (!drawable || drawable == this || !inTable(column, row, layer))
        return nullptr;
    CPatternEntry* entry = new CPatternEntry(alias, column, row, drawable, priority, info);
    if (CPatternEntry* old = cell(column, row, layer))
        dropEntry(layer, old, old->object != drawable);
    drawable->SetAutoClip(true);
    drawable->addInvalidateObserver(this);
    cell(column, row, layer) = entry;
    layerEntries[size_t(layer)].emplace_back(entry);
    return entry;
}

void CPattern::setGrid(CXSize cellSize)
{
    if (cellSize.cx == cellWidth && cellSize.cy == cellHeight)
        return;
    cellWidth = cellSize.cx;
    cellHeight = cellSize.cy;
    Invalidate();
}

void CPattern::Redraw()
{
    if (!destiny)
        return;
    const CXRect screenArea(0, 0, destiny->Width(), destiny->Height());
    const bool clipped = !clip.IsEmpty();
    for (int layer = 0; layer < layerCount; ++layer) {
        std::vector<std::unique_ptr<CPatternEntry>>& list = layerEntries[size_t(layer)];
        // A drawable's Redraw may reach the pattern (a destroyed drawable
        // leaves it): the walk re-reads the list's size.
        for (size_t i = 0; i < list.size(); ++i) {
            CPatternEntry* e = list[i].get();
            CGraphicsObject* d = e->object;
            if (e->locked || !d->IsVisible())
                continue;
            CDrawableState kept(d);
            d->SetDestiny(destiny);
            d->SetPosition(cellPlace(x, cellWidth, e->column), cellPlace(y, cellHeight, e->row));
            const CXRect r = d->getGfxType() == 2 ? d->GetBoundingBox() : d->getRect();
            if (hasArea(r.Common(screenArea))) {
                if (!clipped) {
                    d->Redraw();
                } else {
                    const CXRect part = (clip + CXPoint(x, y)).Common(d->getRect());
                    if (hasArea(part)) {
                        d->SetClippingRect(part - d->GetPosition());
                        d->Redraw();
                    }
                }
            }
            kept.restore();
        }
    }
}

bool CPattern::hits(CPatternEntry* e, CXPoint p, bool includeHidden, bool boxOnly)
{
    CGraphicsObject* d = e->object;
    if (e->locked || (!includeHidden && !d->IsVisible()))
        return false;
    CDrawableState kept(d);
    d->SetPosition(cellPlace(0, cellWidth, e->column), cellPlace(0, cellHeight, e->row));
    bool hit = d->GetAbsoluteBoundingBox().IsInRect(p);
    if (hit && !boxOnly && d->GetChannelAlpha())
        hit = d->GetPixel(CHANNEL_ALPHA, d->ClientCoords(p)) != 0;
    kept.restorePosition();
    return hit;
}

CPatternEntry* CPattern::hitInLayer(int layer, CXPoint p, bool includeHidden, bool boxOnly)
{
    for (const std::unique_ptr<CPatternEntry>& e : layerEntries[size_t(layer)])
        if (hits(e.get(), p, includeHidden, boxOnly))
            return e.get();
    return nullptr;
}

CGraphicsObject* CPattern::getGraphicsObject(int px, int py, bool includeHidden, bool boxOnly, int layer, int)
{
    const CXPoint p(px - x, py - y);
    if (layer >= layerCount)
        return nullptr;
    CPatternEntry* found = nullptr;
    if (layer >= 0) {
        found = hitInLayer(layer, p, includeHidden, boxOnly);
    } else {
        for (int l = layerCount - 1; l >= 0 && !found; --l)
            found = hitInLayer(l, p, includeHidden, boxOnly);
    }
    return found ? found->object : nullptr;
}

CPatternEntry* CPattern::getEntryAt(int px, int py, int, bool includeHidden, bool boxOnly)
{
    const CXPoint p(px - x, py - y);
    for (int l = 0; l < layerCount; ++l)
        if (CPatternEntry* found = hitInLayer(l, p, includeHidden, boxOnly))
            return found;
    return nullptr;
}

CXString CPattern::getGraphicsObjectAlias(int px, int py, bool includeHidden, bool boxOnly)
{
    CPatternEntry* found = getEntryAt(px, py, 0, includeHidden, boxOnly);
    return found ? found->alias : CXString();
}

CPatternEntry* CPattern::getAliasEntry(const CXString& alias)
{
    for (const std::vector<std::unique_ptr<CPatternEntry>>& list : layerEntries)
        for (const std::unique_ptr<CPatternEntry>& e : list)
            if (e->alias == alias)
                return e.get();
    return nullptr;
}

void CPattern::remove(const CXString& alias)
{
    for (int l = 0; l < layerCount; ++l)
        for (const std::unique_ptr<CPatternEntry>& e : layerEntries[size_t(l)])
            if (e->alias == alias) {
                dropEntry(l, e.get(), true);
                return;
            }
}

void CPattern::remove(int column, int row, int layer)
{
    if (CPatternEntry* e = get(column, row, layer))
        dropEntry(layer, e, true);
}

void CPattern::remove(CGraphicsObject* drawable, bool deleteObject)
{
    if (!drawable)
        return;
    bool found = false;
    for (int l = 0; l < layerCount; ++l) {
        std::vector<std::unique_ptr<CPatternEntry>>& list = layerEntries[size_t(l)];
        for (size_t i = list.size(); i-- > 0;)
            if (list[i]->object == drawable) {
                dropEntry(l, list[i].get(), false);
                found = true;
            }
    }
    if (!found)
        return;
    drawable->removeInvalidateObserver(this);
    if (deleteObject)
        delete drawable;
}

void CPattern::removeAll()
{
    for (int l = 0; l < layerCount; ++l) {
        std::vector<std::unique_ptr<CPatternEntry>>& list = layerEntries[size_t(l)];
        while (!list.empty())
            dropEntry(l, list.back().get(), true);
    }
}

void CPattern::onDestroy(CGraphicsObject* source)
{
    // The entries must not outlive what they show.
    remove(source, false);
    CGraphicsObject::onDestroy(source);
}

void CPattern::_switch(int column1, int row1, int column2, int row2)
{
    if (!inTable(column1, row1, 0) || !inTable(column2, row2, 0))
        return;
    CPatternEntry*& first = cell(column1, row1, 0);
    CPatternEntry*& second = cell(column2, row2, 0);
    std::swap(first, second);
    if (first) {
        first->column = column1;
        first->row = row1;
    }
    if (second) {
        second->column = column2;
        second->row = row2;
    }
}

void CPattern::moveDown(int column, int row, int n)
{
    // Moving by 0 would delete the entry's own drawable.
    if (n == 0 || !inTable(column, row, 0) || !inTable(column, row + n, 0) || !cell(column, row, 0))
        return;
    if (CPatternEntry* there = cell(column, row + n, 0))
        remove(there->object, true);
    // The drawable deleted there may have been shown here too.
    CPatternEntry* moved = cell(column, row, 0);
    if (!moved)
        return;
    cell(column, row, 0) = nullptr;
    cell(column, row + n, 0) = moved;
    moved->row += n;
    moved->locked = true;
}

void CPattern::lock(int column, int row, bool locked)
{
    for (int l = 0; l < layerCount; ++l)
        if (CPatternEntry* e = get(column, row, l))
            e->locked = locked;
}

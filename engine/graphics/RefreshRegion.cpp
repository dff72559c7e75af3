#include "graphics/RefreshRegion.h"

#include "base/KeyedChain.h"

#include <algorithm>

namespace {

const int CellSide = 16;
// Cells a side at most; rectangles beyond fall into the edge cells.
const int MostCells = 256;
// Lists longer than this are filed by the grid.
const size_t FiledFrom = 128;

bool meets(const CXRect& e, const CXRect& n)
{
    return !(e.left >= n.right || n.left >= e.right || e.top >= n.bottom || n.top >= e.bottom);
}

int cellOf(int64_t v, int count)
{
    const int64_t c = v < 0 ? 0 : v / CellSide;
    return c < count ? int(c) : count - 1;
}

int cellsFor(int64_t extent, int screen)
{
    return int(std::min<int64_t>(MostCells, (std::max<int64_t>(extent, screen) + CellSide - 1) / CellSide));
}

} // namespace

CRefreshRegion::CRefreshRegion()
    : count(1), goneCount(0), appended(0), nullEntry(true), whole(false), freeLinks(-1), columns(0), rows(0)
{
}

CRefreshRegion::~CRefreshRegion() { deleteEntries(); }

void CRefreshRegion::deleteEntries()
{
    for (Entry* e : entries)
        delete e;
    entries.clear();
    count = 0;
    goneCount = 0;
    nullEntry = false;
    links.clear();
    freeLinks = -1;
    columns = rows = 0;
}

void CRefreshRegion::clear()
{
    deleteEntries();
    whole = false;
}

void CRefreshRegion::add(CXRect* rect)
{
    if (whole)
        return;
    // The whole screen is this literal rectangle whatever the screen's size;
    // another size's full rectangle is added as any other and covers it all.
    if (!rect || *rect == CXRect(0, 0, 800, 600)) {
        deleteEntries();
        whole = true;
        nullEntry = true;
        count = 1;
        return;
    }
    insert(*rect);
}

void CRefreshRegion::insert(const CXRect& n)
{
    // A null entry (the first frame's) covers everything.
    if (nullEntry)
        return;
    Entry* e = firstMeeting(n);
    if (!e) {
        append(n);
        return;
    }
    if (n.IsPartOf(e->rect))
        return;
    const CXRect old(e->rect);
    if (n.left < old.left && n.top < old.top && n.right > old.right && n.bottom > old.bottom) {
        drop(e);
        insert(n);
        return;
    }
    // The parts of n outside e, each added by this same procedure (e may be
    // dropped by one of them, so its edges were copied).
    const int left = n.left > old.left ? n.left : old.left;
    const int right = n.right < old.right ? n.right : old.right;
    if (n.left < old.left)
        insert(CXRect(n.left, n.top, old.left, n.bottom));
    if (n.right > old.right)
        insert(CXRect(old.right, n.top, n.right, n.bottom));
    if (n.top < old.top)
        insert(CXRect(left, n.top, right, old.top));
    if (n.bottom > old.bottom)
        insert(CXRect(left, old.bottom, right, n.bottom));
}

// The first entry in list order: the least order of those met.
CRefreshRegion::Entry* CRefreshRegion::firstMeeting(const CXRect& n) const
{
    if (columns == 0) {
        for (Entry* e : entries)
            if (!e->gone && meets(e->rect, n))
                return e;
        return nullptr;
    }
    int x0, y0, x1, y1;
    cellRange(n, &x0, &y0, &x1, &y1);
    Entry* first = nullptr;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            for (int l = cells[size_t(y) * size_t(columns) + size_t(x)]; l >= 0; l = links[size_t(l)].next) {
                Entry* e = links[size_t(l)].entry;
                if ((!first || e->order < first->order) && meets(e->rect, n))
                    first = e;
            }
    return first;
}

void CRefreshRegion::append(const CXRect& rect)
{
    Entry* e = new Entry{rect, appended++, false};
    entries.push_back(e);
    ++count;
    if (columns != 0)
        file(e, true);
    else if (entries.size() - goneCount > FiledFrom)
        fileAll();
}

void CRefreshRegion::drop(Entry* entry)
{
    entry->gone = true;
    ++goneCount;
    --count;
    if (columns != 0)
        file(entry, false);
    if (goneCount > entries.size() - goneCount + FiledFrom)
        tidy();
}

void CRefreshRegion::tidy() const
{
    deleteMarked(entries);
    goneCount = 0;
}

// Every rectangle meeting another shares a cell with it: the cells of the
// columns and rows each spans, clamped into the grid, overlap as the spans
// do (also for an empty or inverted one, which spans its left edge).
void CRefreshRegion::cellRange(const CXRect& r, int* x0, int* y0, int* x1, int* y1) const
{
    const int64_t right = int64_t(r.right) - 1, bottom = int64_t(r.bottom) - 1;
    *x0 = cellOf(std::min<int64_t>(r.left, right), columns);
    *x1 = cellOf(std::max<int64_t>(r.left, right), columns);
    *y0 = cellOf(std::min<int64_t>(r.top, bottom), rows);
    *y1 = cellOf(std::max<int64_t>(r.top, bottom), rows);
}

void CRefreshRegion::fileAll()
{
    int64_t width = 0, height = 0;
    for (Entry* e : entries) {
        width = std::max<int64_t>(width, std::max(e->rect.left, e->rect.right));
        height = std::max<int64_t>(height, std::max(e->rect.top, e->rect.bottom));
    }
    columns = cellsFor(width, 800);
    rows = cellsFor(height, 600);
    cells.assign(size_t(columns) * size_t(rows), -1);
    for (Entry* e : entries)
        if (!e->gone)
            file(e, true);
}

void CRefreshRegion::file(Entry* entry, bool in)
{
    int x0, y0, x1, y1;
    cellRange(entry->rect, &x0, &y0, &x1, &y1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            int* link = &cells[size_t(y) * size_t(columns) + size_t(x)];
            if (in) {
                int fresh = freeLinks;
                if (fresh >= 0) {
                    freeLinks = links[size_t(fresh)].next;
                    links[size_t(fresh)] = Link{entry, *link};
                } else {
                    fresh = int(links.size());
                    links.push_back(Link{entry, *link});
                }
                *link = fresh;
                continue;
            }
            while (*link >= 0 && links[size_t(*link)].entry != entry)
                link = &links[size_t(*link)].next;
            if (*link < 0)
                continue;
            const int gone = *link;
            *link = links[size_t(gone)].next;
            links[size_t(gone)].next = freeLinks;
            freeLinks = gone;
        }
}

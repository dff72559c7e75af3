#pragma once
#include "base/XString.h"
#include "graphics/GraphicsObject.h"

#include <memory>
#include <vector>

// One occupied cell of a pattern's layer: the drawable shown there (not
// owned), its alias and a text of further information. A locked entry is
// neither drawn nor hit.
class CPatternEntry : public CXObject {
public:
    CPatternEntry(const CXString& alias, int column, int row, CGraphicsObject* object, int priority,
                  const CXString& info)
        : column(column), row(row), alias(alias), object(object), priority(priority), info(info), locked(false)
    {
    }
    // 1 when the other entry's priority is smaller than this one's, else 0.
    int compare(CXObject* other) override;

    int column;
    int row;
    CXString alias;
    CGraphicsObject* object;
    int priority;
    CXString info;
    bool locked;
};

// A drawable that lays other drawables out on a grid of equal cells in
// layers. Each occupied cell of a layer holds one entry; the pattern draws
// each entry's drawable in its cell into the pattern's destiny, layer 0
// first and within a layer in the order the entries were added. It has no
// pixels of its own. The drawables belong to the caller (unless removed
// with the delete flag); the pattern watches them, and one that is
// destroyed leaves every cell that showed it. Main thread only.
class CPattern : public CGraphicsObject {
public:
    // size: the pattern in pixels; cellSize: one cell; the columns and rows
    // (size / cell size, rounded down) are fixed here. A table larger than
    // 2^24 slots (one a cell, three a layer) is refused: the pattern has no
    // cells and no layers, and the error code -1.
    CPattern(CWindow* window, CXSize size, CXSize cellSize, int layers);
    ~CPattern() override;
    CPattern(const CPattern&) = delete;
    CPattern& operator=(const CPattern&) = delete;
    // The bytes of the table such a pattern would make (saturating), when
    // it is not refused.
    static int64_t tableBytes(CXSize size, CXSize cellSize, int layers);

    // Puts the drawable in the cell of the layer, replacing the entry there;
    // the new entry, or null when the cell is outside the table or the
    // drawable is null.
    CPatternEntry* add(const CXString& alias, int column, int row, int layer, CGraphicsObject* drawable, int priority,
                       const CXString& info);
    // The entry of a cell, or null (note the two orders of arguments).
    CPatternEntry* get(int column, int row, int layer);
    CPatternEntry* getEntryAtCell(int layer, int column, int row);
    CXSize getGrid() const { return CXSize(cellWidth, cellHeight); }
    int getLayers() const { return layerCount; }
    int getColumns() const { return columns; }
    int getRows() const { return rows; }
    // A new cell size moves the entries' places; the table keeps its
    // columns and rows. The pattern is invalidated when it changed.
    void setGrid(CXSize cellSize);
    void move(int dx, int dy) { Move(dx, dy); }

    // Draws the unlocked visible entries into the pattern's destiny.
    void Redraw() override;

    // Hit tests at (x, y) in the destiny's coordinates: the first unlocked
    // entry (visible, unless includeHidden) whose drawable, placed in its
    // cell, has the point in its box (boxOnly) or on a non-zero alpha byte.
    // getGraphicsObject searches the given layer, or every layer from the
    // top down when layer is below 0; the others search every layer from 0
    // up. The unnamed arguments have no effect.
    CGraphicsObject* getGraphicsObject(int x, int y, bool includeHidden, bool boxOnly, int layer, int);
    CPatternEntry* getEntryAt(int x, int y, int, bool includeHidden, bool boxOnly);
    CXString getGraphicsObjectAlias(int x, int y, bool includeHidden, bool boxOnly);
    // The first entry with that alias, layer 0 first, in the order added.
    CPatternEntry* getAliasEntry(const CXString& alias);

    // Removal deletes the entries, never the drawables, except remove with
    // deleteObject true, which deletes the drawable once its last entry is
    // gone. A drawable no entry shows any more stops being watched.
    void remove(const CXString& alias);
    void remove(int column, int row, int layer);
    void remove(CGraphicsObject* drawable, bool deleteObject);
    void removeAll();

    // Exchanges the entries of two cells of layer 0 (either may be empty).
    void _switch(int column1, int row1, int column2, int row2);
    // Moves the entry of (column, row) of layer 0 to (column, row + n),
    // deleting the drawable of the entry it replaces there; the moved entry
    // is locked until lock clears it.
    void moveDown(int column, int row, int n);
    // Sets the locked flag of the cell's entry in every layer.
    void lock(int column, int row, bool locked);
    bool contains(CGraphicsObject* drawable);

    // A watched drawable is being destroyed: its entries go.
    void onDestroy(CGraphicsObject* source) override;

private:
    bool inTable(int column, int row, int layer) const;
    CPatternEntry*& cell(int column, int row, int layer);
    // Takes the entry out of its cell and its layer's list and deletes it;
    // with release, stops watching its drawable when no entry shows it.
    void dropEntry(int layer, CPatternEntry* entry, bool release);
    // Whether the entry's drawable, placed in its cell, is hit at p (in the
    // pattern's own coordinates).
    bool hits(CPatternEntry* entry, CXPoint p, bool includeHidden, bool boxOnly);
    CPatternEntry* hitInLayer(int layer, CXPoint p, bool includeHidden, bool boxOnly);

    int cellWidth, cellHeight;
    int columns, rows;
    std::vector<CPatternEntry*> cells; // layer, column, row
    std::vector<std::vector<std::unique_ptr<CPatternEntry>>> layerEntries;
    int layerCount;
};

#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The screen areas to draw again in the next frame: rectangles in the
// screen's coordinates that never overlap, where a null entry stands for
// the whole screen. A new list holds one null entry, so the first frame
// draws everything. The list owns its rectangles.
//
// Adding a rectangle looks for the first one in the list that it meets.
// Once the list is long (a scene puts many drawables at many places before
// its first frame), the rectangles are also filed by the cells of a grid
// they cover, and only those of the cells the new one covers are looked
// at: adding costs about the same however long the list is, and the list
// comes out as the walk of the whole list would make it.
class CRefreshRegion : public CXObject {
public:
    CRefreshRegion();
    ~CRefreshRegion() override;
    CRefreshRegion(const CRefreshRegion&) = delete;
    CRefreshRegion& operator=(const CRefreshRegion&) = delete;

    // Adds the rectangle so that the list stays without overlaps: nothing
    // once the whole screen is marked; null or (0, 0, 800, 600) marks the
    // whole screen; a rectangle inside an existing one adds nothing; one
    // that sticks out of an existing one on all sides replaces it; the
    // parts of one that overlaps an existing one are added instead (the
    // strips left and right of it over the full height, then above and
    // below it over the shared columns). The existing one is the first in
    // the list that the rectangle meets.
    void add(CXRect* rect);
    // Deletes every entry and clears the whole-screen mark.
    void clear();
    bool isWholeScreen() const { return whole; }
    int getSize() const { return count; }
    // The entry at index: null for the whole screen.
    CXRect* rectAt(int index) const
    {
        if (nullEntry)
            return nullptr;
        if (goneCount != 0)
            tidy();
        return &entries[size_t(index)]->rect;
    }

private:
    struct Entry {
        CXRect rect;
        uint64_t order; // grows along the list
        bool gone;      // replaced; deleted when the list is next read
    };

    void insert(const CXRect& rect);
    Entry* firstMeeting(const CXRect& rect) const;
    void append(const CXRect& rect);
    void drop(Entry* entry);
    void deleteEntries();
    // Removes the entries dropped since the last time.
    void tidy() const;
    // The grid.
    void fileAll();
    void file(Entry* entry, bool in);
    void cellRange(const CXRect& r, int* x0, int* y0, int* x1, int* y1) const;

    // The entries listed (1 for the null entry): read by every drawable of
    // every frame.
    int count;
    mutable std::vector<Entry*> entries;
    mutable size_t goneCount;
    uint64_t appended;
    bool nullEntry;
    bool whole;
    // The grid, columns by rows (none while the list is short): each cell
    // the first of its links to the entries that cover it. The links are
    // kept from frame to frame, so that a frame files without allocating.
    struct Link {
        Entry* entry;
        int next;
    };
    std::vector<int> cells;
    std::vector<Link> links;
    int freeLinks;
    int columns, rows;
};

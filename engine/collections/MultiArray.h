#pragma once
#include "script/Object.h"
#include "script/Runner.h"

#include <vector>

class CMC_Variable;

// Script MULTIARRAY (type id 3006): a grid of copies of basic values
// addressed by integer coordinates. Every dimension starts at 16 and
// doubles whenever a write reaches beyond it. Only the first two
// coordinates select a cell (index c0 + c1 * size0); the others only make
// their dimensions grow. A read with c0 beyond size0 therefore reaches a
// cell of a later row, as titles expect.
//
// Coordinates missing from a call count as 0; a negative coordinate reaches
// no cell. The grid never grows beyond MAX_CELLS cell slots (the product of
// the sizes) or MAX_SLOTS stored cells (size0 * size1): such a write is
// ignored.
//
// The file form (little-endian int32 throughout): the dimension count D, D
// sizes, one record per non-empty cell in increasing index (index, then the
// value's type id and value as the basic values store them), then the end
// mark: the product of the sizes. SAVE writes a new file beside the old one
// and puts it in the old one's place only when it is complete; a LOAD that
// cannot open or fully read its file leaves the grid as it was.
class CMC_MultiArray : public CMC_Object {
public:
    enum { INITIAL_SIZE = 16, MIN_DIMENSIONS = 2, MAX_DIMENSIONS = 7 };
    enum : int { MAX_CELLS = 1 << 30, MAX_SLOTS = 1 << 22 };

    // "DIMENSIONS" dimensions, held to MIN_DIMENSIONS .. MAX_DIMENSIONS.
    CMC_MultiArray(CMC_ObjectsContainer* container, CMElement* element);
    // An empty two-dimensional grid.
    CMC_MultiArray(CMC_ObjectsContainer* container, const CXString& name);
    ~CMC_MultiArray() override;
    CMC_MultiArray(const CMC_MultiArray&) = delete;
    CMC_MultiArray& operator=(const CMC_MultiArray&) = delete;

    // A grid is not copied: null, so that nothing takes it as a copy of its own.
    CXObject* clone() override { return nullptr; }
    using CMC_Object::clone;
    CXString toString() override { return CXString(); }
    CXString** getBehavioursList() override;
    // A grid's snapshot record holds nothing; its name and cells follow in
    // the snapshot's state trailer (serializeState).
    void serialize(CXArchive*) override {}
    // The name, then the grid in its file form; reading takes the grid only
    // when it is complete.
    void serializeState(CXArchive* archive);

    // Stores a copy of a basic value at coords (count entries).
    virtual void set(const int* coords, int count, CMC_Variable* value);
    // The cell's value (not a copy); null for an empty cell or a position
    // beyond the cells.
    virtual CMC_Variable* get(const int* coords, int count);
    // The non-empty cells whose value equals value (converted to the cell's
    // type, strings ignoring case).
    virtual int count(CMC_Variable* value);
    // 0 for a dimension the grid does not have.
    virtual int getSize(int dimension);
    virtual void save(const CXString& fileName);
    virtual void load(const CXString& fileName);

    int getDimensions() const { return dimensions; }
    // The product of the sizes.
    int getCellCount() const { return cellCount; }

private:
    void writeGrid(CXArchive& archive);
    void readGrid(CXArchive& archive);
    void reset(int dimensionCount);
    void removeAll();
    // The coordinate of a dimension; 0 where the call gave none.
    static int coordinate(const int* coords, int count, int dimension);
    // Grows the dimensions that coords reach beyond; false when a
    // coordinate is negative or the grid would grow too large.
    bool validateSize(const int* coords, int count);
    // c0 + c1 * size0, or -1 when that is no cell slot.
    int getIndex(const int* coords, int count);

    int cellCount;
    int dimensions;
    std::vector<CMC_Variable*> cells; // size0 * size1 slots
    std::vector<int> sizes;
};

// The methods of multi-arrays: SET, GET, GETSIZE, COUNT, LOAD, SAVE and
// SAFEGET. GET answers the STRING "NULL" for an empty cell, SAFEGET the
// INTEGER 0.
class CMC_MultiArray_Runner : public CMC_Runner {
public:
    enum { SET = 1, GET = 2, GETSIZE = 3, COUNT = 4, LOAD = 5, SAVE = 6, SAFEGET = 7 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

private:
    // Up to MAX_DIMENSIONS coordinates from args first .. last - 1.
    int readCoordinates(CXVector* args, int first, int last, int* coords);
};

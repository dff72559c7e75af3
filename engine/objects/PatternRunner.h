#pragma once
#include "objects/GraphicRunner.h"

class CMC_Array;
class CPatternEntry;
class CPattern;

// The methods of PATTERN objects, on the object's engine pattern. Names of
// objects and arrays are looked up in the calling container and its
// parents. A method given fewer arguments than it needs, or called on an
// object without a pattern, does nothing and answers null; cells outside
// the table are empty and take nothing.
class CMC_Pattern_Runner : public CMC_GraphicRunner {
public:
    enum {
        ADD = 1,
        SETGRID,
        MOVE,
        GETGRAPHICSAT,
        REMOVE,
        GETALIASAT,
        GETINFOAT,
        GETALIASINFO,
        GETCELLCORD,
        GETALIASATCELL,
        SETPOSITION
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

private:
    CMC_Variable* graphicsAt(CPattern* pattern, CMC_Object* object, CMC_ObjectsContainer* container,
                             CXVector* args);
    void remove(CPattern* pattern, CXVector* args);
    // The ARRAY object argument index names; null for any other object.
    CMC_Array* namedArray(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args, int index);
    // Appends the entry's alias, column, row, its drawable's size and the
    // centre of its drawable in its cell on the screen.
    static void appendInfo(CMC_Array* array, CPattern* pattern, CPatternEntry* entry);
    CMC_Variable* cellCord(CPattern* pattern, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
};

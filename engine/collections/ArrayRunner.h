#pragma once
#include "script/Runner.h"

class CMC_Array;

// The methods of script arrays. Indices outside the list make INSERTAT,
// REMOVEAT, CHANGEAT, SWAP, CLAMPAT and the element arithmetic do nothing
// and GET give the String "NULL". A call without the arguments a method
// reads by position does nothing and gives no value. Methods that name
// another array (FINDALL, COPYTO, COMPARE) do nothing, or give 0 or FALSE,
// when the name finds no array.
class CMC_Array_Runner : public CMC_Runner {
public:
    enum {
        ADD = 1,
        GETSIZE = 2,
        INSERTAT = 3,
        REMOVEAT = 4,
        CHANGEAT = 5,
        REMOVEALL = 6,
        GET = 7,
        REMOVE = 8,
        FIND = 9,
        CONTAINS = 10,
        SAVEINI = 11,
        LOADINI = 12,
        PREV = 13,
        NEXT = 14,
        ADDCLONES = 15,
        RESETMARKER = 16,
        GETMARKERPOS = 17,
        SETMARKERPOS = 18,
        SUM = 19,
        SUMA = 20,
        SUB = 21,
        SUBA = 22,
        MUL = 23,
        MULA = 24,
        DIV = 25,
        DIVA = 32,
        MIN = 33,
        MAX = 34,
        GETSUMVALUE = 35,
        SORT = 36,
        LOAD = 37,
        SAVE = 38,
        REVERSEFIND = 39,
        MULAT = 40,
        DIVAT = 41,
        ADDAT = 42,
        SUBAT = 43,
        MODAT = 44,
        CLAMPAT = 45,
        DIR = 46,
        COMPARE = 47,
        SENDONCHANGE = 48,
        SHIFTLEFT = 49,
        SHIFTRIGHT = 50,
        ROTATELEFT = 51,
        ROTATERIGHT = 52,
        SWAP = 53,
        FINDALL = 54,
        SORTMANY = 55,
        MAXD = 56,
        MIND = 57,
        COPYTO = 58,
        FILL = 59,
        RANDOMFILL = 60
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

private:
    CMC_Variable* add(CMC_Array* a, CXVector* args);
    CMC_Variable* indexed(int id, CMC_Array* a, CXVector* args);
    CMC_Variable* get(CMC_Array* a, CXVector* args);
    CMC_Variable* search(int id, CMC_Array* a, CXVector* args);
    CMC_Variable* step(int id, CMC_Array* a, CXVector* args);
    CMC_Variable* addClones(CMC_Array* a, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* arithmetic(int id, CMC_Array* a, CXVector* args);
    CMC_Variable* range(int id, CMC_Array* a, CXVector* args);
    CMC_Variable* aggregate(int id, CMC_Array* a);
    CMC_Variable* clampAt(CMC_Array* a, CXVector* args);
    CMC_Variable* dir(CMC_Array* a, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* findAll(CMC_Array* a, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* copyTo(CMC_Array* a, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* fill(CMC_Array* a, CXVector* args);
    CMC_Variable* randomFill(CMC_Array* a, CXVector* args);

    // The array called name (argument index), or null.
    CMC_Array* namedArray(CMC_ObjectsContainer* container, CXVector* args, int index);
    int integerArg(CXVector* args, int index);
    CXString stringArg(CXVector* args, int index);
};

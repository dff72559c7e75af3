#pragma once
#include "script/Runner.h"

// The methods of the script values INTEGER, STRING, BOOL and DOUBLE (and of
// expressions): assignment and arithmetic through the value contract, bit
// operations, mathematics in degrees, string editing, random numbers and a
// file copy.
//
// Methods tied to one type (POWER, LOG, CLAMP, LENGTH, ROUND and the string
// edits) do nothing and give no value on the other types. Methods that read
// or store through one type's value (ABS, AND, OR, XOR, NOT, SQRT, SGN, the
// angles, MINA and MAXA) read another type's value converted to that type
// and store the result converted back to the variable's own type. A call
// without the arguments a method needs does nothing and gives no value;
// positions outside a text are held to the text.
class CMC_Variable_Runner : public CMC_Runner {
public:
    enum {
        SET = 1,
        SWITCH = 2,
        CLEAR = 3,
        INC = 4,
        DEC = 5,
        ADD = 6,
        MUL = 7,
        RESETINI = 8,
        SETDEFAULT = 9,
        SUB = 10,
        DIV = 11,
        MOD = 12,
        ABS = 13,
        AND = 14,
        OR = 15,
        NOT = 16,
        XOR = 17,
        POWER = 18,
        SQRT = 20,
        CLAMP = 21,
        LENGTH = 22,
        ARCTAN = 23,
        GET = 24,
        MINA = 25,
        MAXA = 26,
        ARCTANEX = 27,
        SINUS = 28,
        COSINUS = 29,
        UPPER = 30,
        FIND = 31,
        CUT = 32,
        REPLACEAT = 33,
        INSERTAT = 34,
        REPLACE = 35,
        ROUND = 36,
        ISUPPERLETTER = 37,
        SGN = 38,
        COPYFILE = 39,
        RANDOM = 40,
        LOG = 41
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

private:
    CMC_Variable* arithmetic(CMC_Variable* v, CXVector* args, int op, bool giveResult);
    CMC_Variable* bitwise(CMC_Variable* v, CXVector* args, int id);
    CMC_Variable* power(CMC_Variable* v, CXVector* args);
    CMC_Variable* clamp(CMC_Variable* v, CXVector* args);
    CMC_Variable* length(CMC_Variable* v, CXVector* args);
    CMC_Variable* angle(CMC_Variable* v, CXVector* args, int id);
    CMC_Variable* get(CMC_Variable* v, CXVector* args);
    CMC_Variable* minMax(CMC_Variable* v, CXVector* args, bool max);
    CMC_Variable* round(CMC_Variable* v);
    CMC_Variable* copyFile(CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* random(CMC_Variable* v, CXVector* args);
    CMC_Variable* log(CMC_Variable* v, CXVector* args);
    // The string methods; null for a variable that is no STRING.
    CMC_Variable* editString(CMC_Variable* v, CXVector* args, int id);
};

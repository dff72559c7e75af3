#pragma once
#include "script/Object.h"

class CMC_Behaviour;
class CMC_Expression;
class CMC_InlineCondition;
class CMC_Runner;
class CMC_WhileOperands;

// One parsed statement of a behaviour. Parsing binds what can be bound when
// the code is set (the target object, its runner and method id, inline
// expressions, anonymous behaviours, constant arguments); run does the rest
// and calls the method.
//
// Statement forms: @CMD(args) (a built-in command), OBJ^METHOD(args),
// STRUCT|FIELD^METHOD(args), *REF^METHOD(args) (the target named by the
// value of REF, or of an expression in brackets), THIS^METHOD(args) (the
// owner), and value statements: a name, a literal or [an expression].
// '$' followed by a digit stands for a parameter text; statements holding
// one are completed per run.
//
// Objects bound at parse time are looked up again by name after objects came
// or went (CMC_ObjectsContainer::getEpoch), so a binding never outlives its
// object and a name found nearer later wins. Temporary objects (local
// variables, loop counters) are never bound, and neither is a structure's
// field (a database cursor changes its fields): STRUCT|FIELD binds the
// structure and takes the field at each run.
//
// What does not change between runs is done once: a literal argument is
// passed as a kept value (put back when a method changed it), an argument
// naming a bound object passes the object without running a statement, and
// IF and WHILE keep their inline condition split (CMC_InlineCondition).
//
// Parsing is work too: each statement parsed counts against the step budget
// (CMC_Behaviour::setStepLimit) by its length, and statements parsed for one
// run (arguments rebuilt with its parameters, code filled in with them) are
// held to a number alive at once, so that a title whose recursion through
// parameters would parse without end gets inert statements instead of
// exhausting memory.
class CMC_Behaviour_Entry : public CMC_Object {
public:
    CMC_Behaviour_Entry(CMC_Behaviour* behaviour, const CXString& line);
    CMC_Behaviour_Entry(const CMC_Behaviour_Entry&) = delete;
    CMC_Behaviour_Entry& operator=(const CMC_Behaviour_Entry&) = delete;
    ~CMC_Behaviour_Entry() override;

    // Splits code at the ';' outside parentheses (blanks dropped, the text
    // after the last ';' dropped) and parses each statement; a new
    // null-terminated array of new entries.
    static CMC_Behaviour_Entry** getCodeLines(CMC_Behaviour* behaviour, const CXString& code);
    static void freeLines(CMC_Behaviour_Entry** lines, bool releaseTempBehaviours);

    // The statement's result: a value (possibly a pooled temporary, or an
    // object that is not a value), null, or a stop value.
    CMC_Variable* run(CMC_Object* owner, CXArray* params);

    int getMethod() const { return methodId; }
    bool isReference() const { return reference; }
    CXString getLine() const { return line; }
    CMC_Object* getObject() const { return object; }
    void releaseTempBeh(bool on) { releaseTempBehaviours = on; }

    // Text with each '$' and digit replaced by that parameter's text, cut
    // to 10,239 characters.
    static CXString fillParams(const CXString& text, CXArray* params);
    // A value's text: STRING as it is, other values converted, any other
    // object its name; empty for none.
    static CXString getStringValue(CMC_Variable* value);
    // The field FIELD of a structure text "STRUCT|FIELD"; null when either
    // is missing.
    static CMC_Variable* getField(CMC_ObjectsContainer* scene, const CXString& text);
    // The field of that name of a structure object; null for another object
    // or a name no field has.
    static CMC_Variable* fieldOf(CMC_Object* structure, const CXString& field);
    // How a structure gives a field by name; the structure type installs it.
    using FieldAccessor = CMC_Variable* (*)(CMC_Object* structure, const CXString& field);
    static void setFieldAccessor(FieldAccessor accessor);
    // A non-pooled copy of a literal's value, owned by the caller.
    static CMC_Variable* makeConstant(const CXString& text);
    // Statements parsed for one run (arguments rebuilt with its parameters,
    // code filled in with them) that may be alive at once; more are inert.
    enum { MAX_RUN_STATEMENTS = 100000 };
    // While one lives, the statements parsed are parsed for one run.
    class ForOneRun {
    public:
        ForOneRun();
        ~ForOneRun();
        ForOneRun(const ForOneRun&) = delete;
        ForOneRun& operator=(const ForOneRun&) = delete;
    };

private:
    enum Form { INERT, BUILTIN, CALL, PARAM_CALL, FIELD_CALL, REFERENCE, THIS_CALL, VALUE };

    struct Slot {
        CMC_Object* fixed = nullptr;             // parse-time value
        CMC_Behaviour_Entry* nested = nullptr;   // statement run per call
        CMC_Variable* pristine = nullptr;        // fixed is a literal: its value as parsed
        bool nestedHasParam = false;             // nested line holds '$'
        bool direct = false;                     // fixed is the nested value statement's value
        bool ownsFixed = false;                  // expression, wrapper or constant made here
        bool anonymous = false;                  // fixed is the wrapper of an anonymous behaviour
        bool byReference = false;                // '&' argument
        CXString name;                           // '&' name
    };

    void parseHead();
    void parseArguments(int open);
    void addArgument(const CXString& text);
    void takeDirect(Slot& slot);
    void keepCondition();
    void bindCall();
    void rebind();
    bool bindable(CMC_Object* found) const;
    CMC_Object* lookup(const char* name) const;
    CMC_Behaviour* makeAnonymous(const CXString& text, const char* prefix);
    class OperandReader;
    CMC_Variable* runArguments(CMC_Object* owner, CXArray* params);
    CMC_Variable* runValue(CXArray* params);
    CMC_Variable* literalValue();
    CMC_Variable* runRebuilt(const CXString& text, CMC_Object* owner, CXArray* params, unsigned char* made);
    void releaseMade(CMC_Variable* value, unsigned char kind);
    CMC_Variable* call(CMC_Object* owner, CXArray* params, CXVector* args,
                       CMC_WhileOperands* operands = nullptr);
    CMC_Variable* callFound(CMC_Object* owner, CXArray* params, CXVector* args);
    CMC_Variable* callByName(CMC_Object* target, const CXString& method, CXVector* args);
    CMC_Variable* dispatch(CMC_Runner* runner, int id, const CXString& method, CMC_Object* target, CXVector* args);
    void releaseAnonymous();

    CXString line;
    CMC_Behaviour* behaviour;
    Form form;
    bool counted; // parsed for one run
    CXString objectName;
    CXString structureName; // STRUCT|FIELD
    CXString fieldName;
    CMC_Object* object;
    CMC_Runner* runner;
    CXString methodName;
    int methodId;
    Slot* slots;
    int slotCount;
    int literalSlots; // slots up to the last literal one
    CXVector* args;
    bool allFixed;
    bool reference;
    bool releaseTempBehaviours;
    bool hasParamObject;
    bool methodHasParam;
    int running;
    unsigned epoch;
    CMC_Object* value;
    CMC_Variable* constant; // handed out; put back to pristine when changed
    CMC_Variable* pristine;
    CXString valueText;
    bool isConstant; // a literal: never looked up
    bool valueIsField;
    bool valueHasParam;
    CMC_InlineCondition* condition; // IF's or WHILE's, kept between runs
    bool keepsCondition;
    bool conditionFixed; // its texts are literals
    CMC_Object* refTarget;
    bool ownsValue;
    bool ownsRefTarget;
    // The id of methodName in the runner met last (per-run targets).
    CMC_Runner* cachedRunner;
    int cachedId;
};

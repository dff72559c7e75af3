#pragma once
#include "script/Runner.h"

class CMC_InlineCondition;

// What WHILE asks of the statement that runs it: once objects came or went
// during a pass, the operands that names give are read again before the
// next, so that the loop sees the object a name finds now.
class CMC_WhileOperands {
public:
    virtual void reread() = 0;

protected:
    ~CMC_WhileOperands() {}
};

// The built-in commands, written "@NAME(arguments)" in a statement; the
// runner factory hands this runner out for the pseudo type id 0. `object`
// is the behaviour that holds the statement (or null), `container` its
// container. Names are matched exactly; there are no common methods.
class CMC_Builtin_Runner : public CMC_Runner {
public:
    enum {
        IF = 1,
        WHILE = 2,
        RETURN = 3,
        BREAK = 4,
        CONV = 5,
        MSGBOX = 6,
        BOOL = 7,
        DOUBLE = 8,
        INT = 9,
        STRING = 10,
        LOOP = 11,
        VALUE = 12,
        RUNONTIMER = 13,
        CREATE = 14,
        GETAPPLICATIONNAME = 15,
        GETCURRENTSCENE = 16,
        ONEBREAK = 17,
        CONTINUE = 18
    };

    CMC_Builtin_Runner();
    ~CMC_Builtin_Runner() override;

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
    // The same for a statement that keeps the inline condition of its IF or
    // WHILE between runs in *kept: made on first use, made again (or given
    // new texts) when the condition's texts change; with textsFixed (the
    // texts are literals) they are read only to make it. The statement
    // deletes it. WHILE has the statement read its operands again through
    // operands (when given).
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args,
                      CMC_InlineCondition** kept, bool textsFixed, CMC_WhileOperands* operands = nullptr);
    // The runner made last (the factory's), while it lives: statements
    // whose runner it is take the IF and WHILE above.
    static CMC_Builtin_Runner* current();

    // How CREATE makes an unnamed object of a display type ("ANIMO",
    // "IMAGE", "SOUND", "BUTTON") in a container; the types install theirs.
    // Without one CREATE makes nothing.
    using Creator = CMC_Object* (*)(CMC_ObjectsContainer* container);
    static void setCreator(const char* typeName, Creator creator);

private:
    // Every command but IF and WHILE.
    CMC_Variable* runCommand(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    // The short condition of IF: inline conditions joined by "&&" (all must
    // hold) or "||" (one must); a text holding both is cut at "&&" but
    // stops at the first piece that holds.
    bool shortCondition(CMC_ObjectsContainer* container, CXVector* args, CMC_InlineCondition** kept, bool fixed);
    // The long form's: operand, operator and operand.
    bool longCondition(CMC_ObjectsContainer* container, CXVector* args, CMC_InlineCondition** kept, bool fixed);
    CMC_Variable* runIf(CMC_ObjectsContainer* container, CXVector* args, CMC_InlineCondition** kept, bool fixed);
    CMC_Variable* runWhile(CMC_ObjectsContainer* container, CXVector* args, CMC_InlineCondition** kept,
                           bool fixed, CMC_WhileOperands* operands);
    // IF's code: a behaviour by name, or code text; -1 when it broke.
    CMC_Variable* runCode(CMC_ObjectsContainer* container, const CXString& code);
    CMC_Variable* runLoop(CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* runReturn(CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* convert(CXVector* args);
    CMC_Variable* declare(int id, CMC_Object* holder, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* runOnTimer(CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* create(CMC_ObjectsContainer* container, CXVector* args);
    // The text of argument n; empty when it is missing.
    CXString text(CXVector* args, int n);
};

#pragma once
#include "base/XString.h"
#include "script/ObjectsContainer.h"
#include "script/Variable.h"

#include <string>

class CMC_Behaviour;
class CMC_Expression;

// One operand text of the text-driven evaluator (the operands of inline
// conditions and the arguments of a call text), sorted once into what it
// is, in this order: an expression in brackets, a call (a text beginning
// with CONV, or holding '^' and not beginning with a double quote), a
// number (beginning with '-' or a digit), a structure field (holding '|'),
// or a name (a basic variable, else a literal).
//
// Both copy their text (evaluating may change where it came from). A
// passing operand makes each value anew, as the evaluator always did: a new
// expression, a pooled literal. A kept operand keeps what does not change
// between uses: its expression, its literal (never pooled), and the variable or
// structure its name found, looked up again once objects came or went
// (CMC_ObjectsContainer::getEpoch). Temporary objects are never kept. Its
// values are for comparing: nothing may change them.
class CMC_Operand {
public:
    CMC_Operand(const char* text, int length, bool kept);
    ~CMC_Operand();
    CMC_Operand(const CMC_Operand&) = delete;
    CMC_Operand& operator=(const CMC_Operand&) = delete;

    // The value now, in scene; null when a call or a field gives none. Give
    // it back with release.
    CMC_Variable* value(CMC_ObjectsContainer* scene, CMC_Object* owner, CMC_Behaviour* behaviour)
    {
        if (kind == NAME && bound && boundScene == scene && boundEpoch == CMC_ObjectsContainer::getEpoch())
            return static_cast<CMC_Variable*>(bound);
        if (kind == NUMBER && literal)
            return literal;
        return find(scene, owner, behaviour);
    }
    void release(CMC_Variable* value, CMC_ObjectsContainer* scene)
    {
        // A kept operand's values are its own or named ones, except what a
        // call gives.
        if (value && (!kept || kind == CALL))
            releaseMade(value, scene);
    }

    // Whether the operand was made from this text (blanks at either end
    // aside); a kept operand takes another text with reset.
    bool is(const char* text, int length) const;
    void reset(const char* text, int length);

    const char* getText() const { return text; }
    int getLength() const { return length; }

private:
    enum Kind { EXPRESSION, CALL, NUMBER, FIELD, NAME };

    CMC_Variable* find(CMC_ObjectsContainer* scene, CMC_Object* owner, CMC_Behaviour* behaviour);
    void releaseMade(CMC_Variable* value, CMC_ObjectsContainer* scene);
    void take(const char* text, int length);
    void forget();
    CXString callText() const;
    CMC_Variable* literalValue();
    CMC_Object* boundObject(CMC_ObjectsContainer* scene, bool structure);

    bool kept;
    Kind kind;
    const char* text; // own's bytes
    int length;
    std::string own;
    CXString* call;              // a kept call's text
    CXString* fieldName;         // a kept field's name
    std::string structureName;   // and its structure's
    CMC_Expression* expression;
    CMC_ObjectsContainer* expressionScene;
    CMC_Variable* literal;
    CMC_Object* bound;
    CMC_ObjectsContainer* boundScene;
    unsigned boundEpoch;
};

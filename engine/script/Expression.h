#pragma once
#include "script/Variable.h"

class CMC_Behaviour;
class CMC_Behaviour_Entry;

// Script EXPRESSION (type 12): a value computed anew on every read from
// operands joined by ADD, SUB, MUL, DIV and MOD, strictly left to right
// (no precedence). The left operand's type decides each step: the running
// result's calculate() takes the next operand converted to its own type.
//
// Two forms: declared in a definition (OPERAND1, OPERATOR, OPERAND2; a
// "still" expression that lives in its container), and inline, written in
// brackets in a statement ([A+B*2]), which the statement that made it owns.
// Operands are statements (names, literals, calls, [nested expressions]).
class CMC_Expression : public CMC_Variable {
public:
    enum { ADD = 1, SUB = 2, MUL = 3, DIV = 4, MOD = 5 };

    CMC_Expression(CMC_ObjectsContainer* container, CMElement* element);
    // The text between the brackets; parsed at once.
    CMC_Expression(CMC_ObjectsContainer* container, const CXString& text);
    CMC_Expression(const CMC_Expression&) = delete;
    CMC_Expression& operator=(const CMC_Expression&) = delete;
    ~CMC_Expression() override;

    // Parses the operand texts into statements.
    void init() override;
    // Recomputes and returns the result; null when the first operand gives
    // nothing. The result stays valid until the next read of this
    // expression or the end of the frame.
    virtual CMC_Variable* calculate();
    virtual CMC_Variable* getResult() { return result; }
    // The computed value; an expression that yields an expression is read
    // through.
    CMC_Variable* evaluate() override;
    bool isStill() const { return still; }

    // Computed first, then answered by the result.
    CXObject* clone() override;
    using CMC_Object::clone;
    CMC_Variable* convert(int typeId) override;
    CMC_Variable* calculate(CMC_Variable* other, int op) override;
    bool equals(CMC_Variable* other) override;
    int compare(CMC_Variable* other) override;
    using CMC_Variable::compare;
    using CMC_Variable::equals;
    int getBufferLen() override { return 0; }

    // An operator spelling to its code: "+"/"ADD" 1 ... "%"/"MOD" 5; 0 for
    // anything else.
    static int resolveOp(const CXString& op);

private:
    void split(const CXString& text);
    void freeOperands();
    void dropResult();
    CMC_Variable* runOperand(int i);

    CXString* texts;               // operand texts until init
    CMC_Behaviour_Entry** operands; // parsed operand statements
    int* codes;                    // codes[i] joins operand i and i + 1
    int count;                     // operands
    CMC_Behaviour* owner;
    CMC_Variable* result;
    unsigned resultFrame;
    bool still;
    bool calculating;
};

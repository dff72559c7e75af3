#include "script/Expression.h"

#include "script/Behaviour.h"
#include "script/BehaviourEntry.h"
#include "script/Disposal.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/TypeRegistry.h"
#include "script/VariableFactory.h"

#include <cstddef>
#include <cstring>
#include <vector>

namespace {
CMC_Object* makeExpression(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Expression(c, e); }
CMC_RegisterType registerExpression("EXPRESSION", 3, &makeExpression);

const char* const OPERATORS = "+-*@%";

// The next operator character at or after i; -1 when none.
int nextOperator(const char* s, int n, int i)
{
    for (; i < n; ++i)
        if (std::strchr(OPERATORS, s[i]) && s[i])
            return i;
    return -1;
}

int bracketBalance(const char* from, const char* to)
{
    int balance = 0;
    for (const char* p = from; p < to; ++p)
        balance += *p == '[' ? 1 : (*p == ']' ? -1 : 0);
    return balance;
}
} // namespace

int CMC_Expression::resolveOp(const CXString& op)
{
    static const char* const words[] = {"ADD", "SUB", "MUL", "DIV", "MOD"};
    for (int i = 0; i < 5; ++i)
        if (op.getLength() == 1 ? op.GetAt(0) == OPERATORS[i] : op == words[i])
            return i + 1;
    return 0;
}

CMC_Expression::CMC_Expression(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Variable(container, element, MC_EXPRESSION), texts(nullptr), operands(nullptr), codes(nullptr), count(0),
      owner(nullptr), result(nullptr), resultFrame(0), still(true), calculating(false)
{
    count = 2;
    texts = new CXString[2];
    codes = new int[1];
    codes[0] = 0;
    if (element) {
        texts[0] = element->getPropertyValue(CXString("OPERAND1"));
        texts[1] = element->getPropertyValue(CXString("OPERAND2"));
        codes[0] = resolveOp(element->getPropertyValue(CXString("OPERATOR")));
    }
    owner = new CMC_Behaviour(container, CXString("temp"), CXString());
}

CMC_Expression::CMC_Expression(CMC_ObjectsContainer* container, const CXString& text)
    : CMC_Variable(CXString("temp"), MC_EXPRESSION), texts(nullptr), operands(nullptr), codes(nullptr), count(0),
      owner(nullptr), result(nullptr), resultFrame(0), still(false), calculating(false)
{
    scene = container;
    split(text);
    owner = new CMC_Behaviour(container, CXString("temp"), CXString());
    init();
}

CMC_Expression::~CMC_Expression()
{
    dropResult();
    freeOperands();
    delete owner;
    delete[] texts;
    delete[] codes;
}

// Operands end at the next operator character outside brackets; an
// operator right after another (or first) leaves an empty operand.
void CMC_Expression::split(const CXString& text)
{
    std::vector<CXString> items;
    std::vector<int> ops;
    const char* s = text.c_str();
    int n = text.getLength();
    int i = 0;
    bool operand = true;
    while (i < n) {
        if (operand) {
            int j = nextOperator(s, n, i);
            while (j >= 0 && bracketBalance(s + i, s + j) != 0)
                j = nextOperator(s, n, j + 1);
            int end = j >= 0 ? j : n;
            items.push_back(CXString(s + i, end - i));
            i = end;
        } else {
            ops.push_back(resolveOp(CXString(s + i, 1)));
            ++i;
        }
        operand = !operand;
    }
    count = int(items.size());
    texts = new CXString[count > 0 ? count : 1];
    codes = new int[count > 0 ? count : 1];
    for (int k = 0; k < count; ++k) {
        texts[k] = items[size_t(k)];
        codes[k] = k < int(ops.size()) ? ops[size_t(k)] : 0;
    }
}

void CMC_Expression::init()
{
    CMC_Object::init();
    freeOperands();
    operands = new CMC_Behaviour_Entry*[count > 0 ? count : 1];
    for (int i = 0; i < count; ++i)
        operands[i] = new CMC_Behaviour_Entry(owner, texts[i]);
}

void CMC_Expression::freeOperands()
{
    for (int i = 0; operands && i < count; ++i)
        delete operands[i];
    delete[] operands;
    operands = nullptr;
}

// A result from an earlier frame was given back with the whole pool and may
// be someone else's now.
void CMC_Expression::dropResult()
{
    if (result && resultFrame == CMC_VariableFactory::getGeneration())
        CMC_Behaviour::releaseResult(result, scene);
    result = nullptr;
}

// An operand's value: an object that is no value stands for its name.
CMC_Variable* CMC_Expression::runOperand(int i)
{
    CMC_Variable* v = operands && operands[i] ? operands[i]->run(this, nullptr) : nullptr;
    if (!v || isStopValue(v))
        return nullptr;
    if (!CMC_Variable::isVariableType(v->getType()))
        return CMC_String::temporary(v->getName());
    return v;
}

CMC_Variable* CMC_Expression::calculate()
{
    CMC_Behaviour::Nesting guard;
    // An expression that needs its own value has none.
    if (!guard.ok() || calculating)
        return nullptr;
    // Its operands' calls may delete it: it is used to the end. So may
    // they delete what the operands before them gave (a named variable),
    // and combining two values may run script too (an expression's
    // operands): the value so far and the next are held until combined.
    CMC_Hold hold(this);
    CMC_Hold holdSoFar(nullptr);
    CMC_Hold holdNext(nullptr);
    calculating = true;
    dropResult();
    CMC_Variable* r = count > 0 ? runOperand(0) : nullptr;
    for (int i = 1; i < count; ++i) {
        holdSoFar.setObject(r);
        CMC_Variable* v = runOperand(i);
        holdNext.setObject(v);
        CMC_Variable* next = r ? r->calculate(v, codes[i - 1]) : nullptr;
        if (isStopValue(next))
            next = nullptr;
        if (r != next)
            CMC_Behaviour::releaseResult(r, scene);
        if (v != next)
            CMC_Behaviour::releaseResult(v, scene);
        r = next;
    }
    result = r;
    resultFrame = CMC_VariableFactory::getGeneration();
    calculating = false;
    return result;
}

CMC_Variable* CMC_Expression::evaluate()
{
    CMC_Behaviour::Nesting guard;
    if (!guard.ok())
        return nullptr;
    CMC_Variable* r = calculate();
    if (r && r != this && r->getType() == MC_EXPRESSION)
        return r->evaluate();
    return r;
}

CXObject* CMC_Expression::clone()
{
    CMC_Variable* r = evaluate();
    return r ? r->clone() : nullptr;
}

// Converted from a copy, so that the result stays this expression's.
CMC_Variable* CMC_Expression::convert(int type)
{
    CMC_Variable* r = evaluate();
    if (!r)
        return nullptr;
    CMC_Variable* copy = CMC_VariableFactory::copyVariable(r);
    return copy ? copy->convert(type) : r->convert(type);
}

CMC_Variable* CMC_Expression::calculate(CMC_Variable* other, int op)
{
    CMC_Variable* r = evaluate();
    return r ? r->calculate(other, op) : nullptr;
}

bool CMC_Expression::equals(CMC_Variable* other)
{
    CMC_Variable* r = evaluate();
    if (!r || !other)
        return false;
    CMC_Variable* c = other->getType() == r->getType() ? other : other->convert(r->getType());
    if (!c || isStopValue(c))
        return false;
    bool same = r->equals(c);
    if (c != other)
        flush(c);
    return same;
}

int CMC_Expression::compare(CMC_Variable* other)
{
    CMC_Variable* r = evaluate();
    if (!r || !other)
        return -1;
    CMC_Variable* c = other->getType() == r->getType() ? other : other->convert(r->getType());
    if (!c || isStopValue(c))
        return -1;
    int order = r->compare(c);
    if (c != other)
        flush(c);
    return order;
}

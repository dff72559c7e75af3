#include "script/BehaviourOperand.h"

#include "script/Behaviour.h"
#include "script/BehaviourEntry.h"
#include "script/Expression.h"
#include "script/ObjectsContainer.h"

#include <cstring>

namespace {
// Narrows s and n to the text without blanks at either end.
void trim(const char*& s, int& n)
{
    if (!s || n < 0) {
        s = "";
        n = 0;
    }
    while (n > 0 && *s == ' ') {
        ++s;
        --n;
    }
    while (n > 0 && s[n - 1] == ' ')
        --n;
}
} // namespace

CMC_Operand::CMC_Operand(const char* s, int n, bool keep)
    : kept(keep), kind(NAME), text(""), length(0), call(nullptr), fieldName(nullptr), expression(nullptr),
      expressionScene(nullptr), literal(nullptr), bound(nullptr), boundScene(nullptr),
      boundEpoch(0)
{
    take(s, n);
}

CMC_Operand::~CMC_Operand() { forget(); }

void CMC_Operand::forget()
{
    delete call;
    delete fieldName;
    delete expression;
    delete literal;
    call = fieldName = nullptr;
    expression = nullptr;
    expressionScene = nullptr;
    literal = nullptr;
    bound = nullptr;
    boundScene = nullptr;
}

// The text without blanks at either end, NUL-terminated, and its kind.
void CMC_Operand::take(const char* s, int n)
{
    trim(s, n);
    own.assign(s, size_t(n));
    text = own.c_str();
    length = n;
    size_t size = own.size();

    char first = n > 0 ? text[0] : 0;
    if (first == '[')
        kind = EXPRESSION;
    else if (n >= 4 && std::memcmp(text, "CONV", 4) == 0)
        kind = CALL;
    else if (first != '"' && std::memchr(text, '^', size))
        kind = CALL;
    else if (first == '-' || (first >= '0' && first <= '9'))
        kind = NUMBER;
    else if (std::memchr(text, '|', size))
        kind = FIELD;
    else
        kind = NAME;

    if (!kept)
        return;
    if (kind == CALL)
        call = new CXString(callText());
    if (kind == FIELD) {
        const char* bar = static_cast<const char*>(std::memchr(text, '|', size));
        structureName.assign(text, size_t(bar - text));
        fieldName = new CXString(bar + 1, int(text + n - bar - 1));
    }
}

// A text beginning with CONV runs the built-in command of that name.
CXString CMC_Operand::callText() const
{
    if (length >= 4 && std::memcmp(text, "CONV", 4) == 0)
        return CXString("@") + text;
    return CXString(text, length);
}

bool CMC_Operand::is(const char* s, int n) const
{
    trim(s, n);
    return n == length && std::memcmp(s, text, size_t(n)) == 0;
}

// A literal of the same type is set to the new text's value; whatever else
// the old text made goes.
void CMC_Operand::reset(const char* s, int n)
{
    CMC_Variable* old = literal;
    literal = nullptr;
    forget();
    take(s, n);
    if (!old)
        return;
    CMC_Variable* made = CMC_Variable::resolve(text, length);
    if (made->getType() == old->getType()) {
        old->set(made);
        literal = old;
    } else {
        delete old;
    }
    CMC_Object::flush(made);
}

// Made on first use, never pooled. Only comparisons read it (calls take
// their arguments from their own text), so nothing changes it.
CMC_Variable* CMC_Operand::literalValue()
{
    if (!literal)
        literal = CMC_Behaviour_Entry::makeConstant(CXString(text, length));
    return literal;
}

// The basic variable the name finds, or the structure before '|'; kept
// until objects come or go.
CMC_Object* CMC_Operand::boundObject(CMC_ObjectsContainer* scene, bool structure)
{
    if (bound && boundScene == scene && boundEpoch == CMC_ObjectsContainer::getEpoch())
        return bound;
    bound = nullptr;
    if (!scene)
        return nullptr;
    CMC_Object* found;
    if (structure) {
        found = scene->getObject(structureName.c_str());
        if (found && found->getType() != MC_STRUCTURE)
            found = nullptr;
    } else {
        found = scene->getVariable(text);
    }
    if (found && !found->isTemporary()) {
        bound = found;
        boundScene = scene;
        boundEpoch = CMC_ObjectsContainer::getEpoch();
    }
    return found;
}

CMC_Variable* CMC_Operand::find(CMC_ObjectsContainer* scene, CMC_Object* owner, CMC_Behaviour* behaviour)
{
    switch (kind) {
    case EXPRESSION: {
        // The brackets go, and the blanks inside them.
        const char* inner = text + 1;
        int innerLength = length >= 2 ? length - 2 : 0;
        trim(inner, innerLength);
        if (!kept)
            return new CMC_Expression(scene, CXString(inner, innerLength));
        if (!expression || expressionScene != scene) {
            delete expression;
            expression = new CMC_Expression(scene, CXString(inner, innerLength));
            expressionScene = scene;
        }
        return expression;
    }
    case CALL:
        return CMC_Behaviour::runLine(scene, owner, kept ? *call : callText(), behaviour);
    case NUMBER:
        return kept ? literalValue() : CMC_Variable::resolve(text, length);
    case FIELD: {
        if (!kept)
            return CMC_Behaviour_Entry::getField(scene, CXString(text, length));
        CMC_Object* structure = boundObject(scene, true);
        return structure ? CMC_Behaviour_Entry::fieldOf(structure, *fieldName) : nullptr;
    }
    default: {
        CMC_Variable* variable = kept ? static_cast<CMC_Variable*>(boundObject(scene, false))
                                      : (scene ? scene->getVariable(text) : nullptr);
        if (variable)
            return variable;
        return kept ? literalValue() : CMC_Variable::resolve(text, length);
    }
    }
}

void CMC_Operand::releaseMade(CMC_Variable* v, CMC_ObjectsContainer* scene) { CMC_Behaviour::releaseValue(v, scene); }

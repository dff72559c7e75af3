#include "script/Condition.h"

#include "base/Archive.h"
#include "script/Behaviour.h"
#include "script/BehaviourEntry.h"
#include "script/Disposal.h"
#include "script/BehaviourOperand.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/TypeRegistry.h"
#include "script/Values.h"

#include <cstring>

namespace {
CMC_Object* makeCondition(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Condition(c, e); }
CMC_Object* makeComplexCondition(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_ComplexCondition(c, e); }
CMC_RegisterType registerCondition("CONDITION", 3, &makeCondition);
CMC_RegisterType registerComplexCondition("COMPLEXCONDITION", 3, &makeComplexCondition);
CMC_RegisterRunner<CMC_BasicCondition_Runner> registration({MC_CONDITION, MC_COMPLEXCONDITION});

// An operand's value for a comparison: a stop value is none, and an object
// that is no value stands for its name.
inline CMC_Variable* comparable(CMC_Variable* v)
{
    if (!v || isStopValue(v))
        return nullptr;
    if (!CMC_Variable::isVariableType(v->getType()))
        return CMC_String::temporary(v->getName());
    return v;
}

// Gives back an operand statement's result and what comparable made of it.
void release(CMC_Variable* raw, CMC_Variable* value, CMC_ObjectsContainer* scene)
{
    if (value && value != raw)
        CMC_Object::flush(value);
    CMC_Behaviour::releaseResult(raw, scene);
}

// Two values of one basic number type or two BOOLs: their order decides,
// as equals and compare would tell it.
inline bool holds(int order, int code)
{
    switch (code) {
    case CMC_Condition::EQUAL: return order == 0;
    case CMC_Condition::NOTEQUAL: return order != 0;
    case CMC_Condition::LESS: return order < 0;
    case CMC_Condition::LESSEQUAL: return order <= 0;
    case CMC_Condition::GREATER: return order > 0;
    case CMC_Condition::GREATEREQUAL: return order >= 0;
    default: return false;
    }
}

template <class V>
int orderOf(CMC_Variable* a, CMC_Variable* b)
{
    return V::order(static_cast<V*>(a)->getValue(), static_cast<V*>(b)->getValue());
}

// Whether a and b are two INTEGERs, two DOUBLEs or two BOOLs.
inline bool sameNumberType(CMC_Variable* a, CMC_Variable* b)
{
    int type = a->getType();
    return type == b->getType() && (type == MC_INTEGER || type == MC_DOUBLE || type == MC_BOOL);
}

inline bool holdsAsNumbers(CMC_Variable* a, CMC_Variable* b, int code)
{
    switch (a->getType()) {
    case MC_INTEGER: return holds(orderOf<CMC_Integer>(a, b), code);
    case MC_DOUBLE: return holds(orderOf<CMC_Double>(a, b), code);
    default: return holds(orderOf<CMC_Bool>(a, b), code);
    }
}

bool holds(CMC_Variable* a, CMC_Variable* b, int code)
{
    if (sameNumberType(a, b))
        return holdsAsNumbers(a, b, code);
    switch (code) {
    case CMC_Condition::EQUAL: return a->equals(b);
    case CMC_Condition::NOTEQUAL: return !a->equals(b);
    case CMC_Condition::LESS: return a->compare(b) < 0;
    case CMC_Condition::LESSEQUAL: return a->compare(b) <= 0;
    case CMC_Condition::GREATER: return a->compare(b) > 0;
    case CMC_Condition::GREATEREQUAL: return a->compare(b) >= 0;
    default: return false;
    }
}

CXString propertyOf(CMElement* element, const char* key)
{
    return element ? element->getPropertyValue(CXString(key)) : CXString();
}
} // namespace

// CMC_BasicCondition

CMC_BasicCondition::CMC_BasicCondition(const CXString& n, int type) : CMC_Object(n, type) {}

CMC_BasicCondition::CMC_BasicCondition(CMC_ObjectsContainer* container, CMElement* element, int type)
    : CMC_Object(container, element, type)
{
    initializeBehaviours(container, element);
}

CXString** CMC_BasicCondition::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", "ONRUNTIMESUCCESS", "ONRUNTIMEFAILED",
                                        nullptr};
    return makeEventList(names);
}

bool CMC_BasicCondition::isCondition(CMC_Object* object)
{
    return object && (object->getType() == MC_CONDITION || object->getType() == MC_COMPLEXCONDITION);
}

// The base record, then three texts; true when they were read.
bool CMC_BasicCondition::serializeTexts(CXArchive* ar, CXString* first, CXString* second, CXString* third)
{
    if (!ar)
        return false;
    CMC_Object::serialize(ar);
    if (ar->isStoring()) {
        *ar << *first << *second << *third;
        return false;
    }
    *ar >> first;
    *ar >> second;
    *ar >> third;
    return true;
}

// The binding is looked up when it is needed: bindings replaced since (by
// ADDBEHAVIOUR and the like) are gone.
void CMC_BasicCondition::fire(bool outcome)
{
    static const CXString success("ONRUNTIMESUCCESS");
    static const CXString failed("ONRUNTIMEFAILED");
    if (!isEventBound(outcome ? EVENT_SUCCESS : EVENT_FAILED))
        return;
    // An operand's call may have deleted the condition: a finished object
    // raises nothing.
    if (isFinished())
        return;
    const CMC_Binding* binding = getSingleBehaviour(outcome ? success : failed, 0);
    CMC_Hold hold(this);
    if (binding)
        runBinding(binding, this, nullptr, false);
}

// CMC_Condition

int CMC_Condition::resolveOperator(const CXString& word)
{
    static const char* const words[] = {"EQUAL", "NOTEQUAL", "LESS", "LESSEQUAL", "GREATER", "GREATEREQUAL",
                                        "INSTANCEOF"};
    for (int i = 0; i < 7; ++i)
        if (word.equals(CXString(words[i])))
            return i + 1;
    return EQUAL;
}

int CMC_Condition::resolveInlineOperator(const CXString& text)
{
    static const struct {
        const char* text;
        int code;
    } spellings[] = {{"_", EQUAL},      {"!_", NOTEQUAL}, {"<>", NOTEQUAL},    {"<", LESS},
                     {"<_", LESSEQUAL}, {">", GREATER},   {">_", GREATEREQUAL}, {"?", INSTANCEOF}};
    for (const auto& s : spellings)
        if (text.equals(CXString(s.text)))
            return s.code;
    return EQUAL;
}

CMC_Condition::CMC_Condition(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_BasicCondition(container, element, MC_CONDITION), behaviour(nullptr), first(nullptr), second(nullptr),
      firstText(propertyOf(element, "OPERAND1")), secondText(propertyOf(element, "OPERAND2")),
      operatorText(propertyOf(element, "OPERATOR")), code(resolveOperator(operatorText)), evaluating(false)
{
    behaviour = new CMC_Behaviour(container, CXString("temp"), CXString());
}

CMC_Condition::CMC_Condition(CMC_ObjectsContainer* container)
    : CMC_BasicCondition(CXString("temp"), MC_CONDITION), behaviour(nullptr), first(nullptr), second(nullptr),
      code(EQUAL), evaluating(false)
{
    scene = container;
    behaviour = new CMC_Behaviour(container, CXString("temp"), CXString());
}

CMC_Condition::~CMC_Condition() { freeOperands(); }

void CMC_Condition::freeOperands()
{
    delete first;
    delete second;
    first = second = nullptr;
    delete behaviour;
    behaviour = nullptr;
}

void CMC_Condition::init()
{
    CMC_Object::init();
    delete first;
    delete second;
    if (!behaviour)
        behaviour = new CMC_Behaviour(scene, CXString("temp"), CXString());
    first = new CMC_Behaviour_Entry(behaviour, firstText);
    second = new CMC_Behaviour_Entry(behaviour, secondText);
}

// An operand's call may finish the condition (REMOVECLONES, its class
// instance deleted): the operands it is running go with the condition.
bool CMC_Condition::done(bool final)
{
    if (!evaluating)
        freeOperands();
    return CMC_Object::done(final);
}

void CMC_Condition::serialize(CXArchive* ar)
{
    if (serializeTexts(ar, &firstText, &secondText, &operatorText))
        code = resolveOperator(operatorText);
}

bool CMC_Condition::valid(bool fireEvents)
{
    CMC_Behaviour::Nesting guard;
    // An operand that asks this condition again has no answer.
    if (!guard.ok() || evaluating)
        return false;
    // Its operands' calls may delete it: it is used to the end. The second
    // operand's call may delete what the first gave, and comparing may run
    // script (an expression's operands): both are held to the end.
    CMC_Hold hold(this);
    evaluating = true;
    CMC_Variable* rawA = first ? first->run(nullptr, nullptr) : nullptr;
    CMC_Hold holdA(rawA);
    CMC_Variable* rawB = second ? second->run(nullptr, nullptr) : nullptr;
    CMC_Hold holdB(rawB);
    CMC_Variable* a = comparable(rawA);
    CMC_Variable* b = comparable(rawB);
    bool outcome = false;
    bool events = true;
    if (a && b) {
        CMC_Variable* other = b;
        if (a->getType() != MC_EXPRESSION && b->getType() != MC_EXPRESSION && a->getType() != b->getType()) {
            other = b->convert(a->getType());
            if (isStopValue(other))
                other = nullptr;
        }
        if (other) {
            outcome = holds(a, other, code);
            if (other != b)
                flush(other);
        } else {
            // No such value to compare with: false, and no event.
            events = false;
        }
    }
    release(rawA, a, scene);
    release(rawB, b, scene);
    evaluating = false;
    if (fireEvents && events)
        fire(outcome);
    return outcome;
}

bool CMC_Condition::valid(CMC_ObjectsContainer* container, const CXString& text)
{
    return valid(container, text.c_str(), text.getLength());
}

bool CMC_Condition::valid(CMC_ObjectsContainer* container, const char* text, int n)
{
    CMC_InlineCondition condition(text, n, false, false);
    return condition.holds(container);
}

bool CMC_Condition::valid(CMC_ObjectsContainer* container, const CXString& firstText, const CXString& secondText,
                          const CXString& operatorText)
{
    return valid(container, firstText, secondText, resolveInlineOperator(operatorText));
}

bool CMC_Condition::valid(CMC_ObjectsContainer* container, const CXString& firstText, const CXString& secondText,
                          int code)
{
    CMC_InlineCondition condition(firstText, secondText, code, false);
    return condition.holds(container);
}

// CMC_InlineCondition

CMC_InlineCondition::CMC_InlineCondition(const char* text, int n, bool joined, bool keep)
    : stopWhenHolds(false), kept(keep)
{
    if (!text || n < 0)
        n = 0;
    // A copy: evaluating the pieces may change where the text came from.
    source.assign(text ? text : "", size_t(n));
    bool hasAnd = joined && source.find("&&") != std::string::npos;
    bool hasOr = joined && source.find("||") != std::string::npos;
    if (!hasAnd && !hasOr) {
        addPiece(source.c_str(), n);
        return;
    }
    // A text holding both is cut at "&&" but stops at the first piece that
    // holds.
    const char* separator = hasAnd ? "&&" : "||";
    stopWhenHolds = hasOr;
    for (size_t start = 0;;) {
        size_t cut = source.find(separator, start);
        size_t end = cut == std::string::npos ? source.size() : cut;
        addPiece(source.c_str() + start, int(end - start));
        if (cut == std::string::npos)
            break;
        start = cut + 2;
    }
}

CMC_InlineCondition::CMC_InlineCondition(const CXString& first, const CXString& second, int code, bool keep)
    : stopWhenHolds(false), kept(keep)
{
    addPiece(first.c_str(), first.getLength(), second.c_str(), second.getLength(), code);
}

CMC_InlineCondition::~CMC_InlineCondition()
{
    for (Piece& p : pieces) {
        delete p.first;
        delete p.second;
    }
}

// One text, by the operator character: the first apostrophe (with '!',
// '<' or '>' before it), else the first '<', '>' or '?' of the whole text.
// Without any the whole text is the second operand.
void CMC_InlineCondition::addPiece(const char* text, int n)
{
    auto find = [text, n](char c) {
        const void* at = std::memchr(text, c, size_t(n));
        return at ? int(static_cast<const char*>(at) - text) : -1;
    };
    int at = find('\'');
    int code = CMC_Condition::EQUAL;
    int firstEnd = at;
    if (at > 0) {
        switch (text[at - 1]) {
        case '!': code = CMC_Condition::NOTEQUAL; break;
        case '<': code = CMC_Condition::LESSEQUAL; break;
        case '>': code = CMC_Condition::GREATEREQUAL; break;
        default: break;
        }
        if (code != CMC_Condition::EQUAL)
            firstEnd = at - 1;
    } else if (at < 0) {
        if ((at = find('<')) >= 0)
            code = CMC_Condition::LESS;
        else if ((at = find('>')) >= 0)
            code = CMC_Condition::GREATER;
        else if ((at = find('?')) >= 0)
            code = CMC_Condition::INSTANCEOF;
        firstEnd = at >= 0 ? at : 0;
    }
    addPiece(text, firstEnd, text + at + 1, n - at - 1, code);
}

void CMC_InlineCondition::addPiece(const char* first, int firstLength, const char* second, int secondLength,
                                   int code)
{
    Piece p;
    p.first = new CMC_Operand(first, firstLength, kept);
    p.second = new CMC_Operand(second, secondLength, kept);
    p.code = code;
    if (code == CMC_Condition::INSTANCEOF) {
        p.firstText.assign(first, size_t(firstLength));
        p.secondText.assign(second, size_t(secondLength));
    }
    pieces.push_back(p);
}

bool CMC_InlineCondition::isFor(const CXString& text) const
{
    return source.size() == size_t(text.getLength()) && std::memcmp(source.data(), text.c_str(), source.size()) == 0;
}

bool CMC_InlineCondition::isFor(const CXString& first, const CXString& second, const CXString& op) const
{
    return pieces.size() == 1 && operatorText.equals(op) && pieces[0].first->is(first.c_str(), first.getLength()) &&
           pieces[0].second->is(second.c_str(), second.getLength());
}

void CMC_InlineCondition::update(const CXString& first, const CXString& second, const CXString& op)
{
    if (pieces.size() != 1)
        return;
    Piece& p = pieces[0];
    if (!operatorText.equals(op)) {
        operatorText = op;
        p.code = CMC_Condition::resolveInlineOperator(op);
    }
    if (!p.first->is(first.c_str(), first.getLength()))
        p.first->reset(first.c_str(), first.getLength());
    if (!p.second->is(second.c_str(), second.getLength()))
        p.second->reset(second.c_str(), second.getLength());
    if (p.code == CMC_Condition::INSTANCEOF) {
        p.firstText.assign(first.c_str(), size_t(first.getLength()));
        p.secondText.assign(second.c_str(), size_t(second.getLength()));
    }
}

bool CMC_InlineCondition::holdsJoined(CMC_ObjectsContainer* container)
{
    for (size_t i = 0; i < pieces.size(); ++i) {
        bool result = holds(pieces[i], container);
        if (result == stopWhenHolds || i + 1 == pieces.size())
            return result;
    }
    return false;
}

// Both operands are resolved before anything is compared, and held to
// the end as a condition object holds them.
bool CMC_InlineCondition::holds(Piece& p, CMC_ObjectsContainer* container)
{
    CMC_Variable* rawA = p.first->value(container, nullptr, nullptr);
    CMC_Hold holdA(rawA);
    CMC_Variable* rawB = p.second->value(container, nullptr, nullptr);
    CMC_Hold holdB(rawB);
    if (p.code == CMC_Condition::INSTANCEOF || !rawA || !rawB || isStopValue(rawA) || isStopValue(rawB) ||
        !sameNumberType(rawA, rawB))
        return compare(p, container, rawA, rawB);
    // Two numbers (or BOOLs) of one type, named or literal: nothing to
    // convert or make.
    bool outcome = holdsAsNumbers(rawA, rawB, p.code);
    p.first->release(rawA, container);
    p.second->release(rawB, container);
    return outcome;
}

bool CMC_InlineCondition::compare(Piece& p, CMC_ObjectsContainer* container, CMC_Variable* rawA, CMC_Variable* rawB)
{
    CMC_Variable* a = comparable(rawA);
    CMC_Variable* b = comparable(rawB);
    bool outcome = false;
    if (p.code == CMC_Condition::INSTANCEOF) {
        CMC_Object* named = container ? container->getObject(p.firstText.c_str()) : nullptr;
        outcome = named && CMC_Object::typeToString(named->getType()).equals(CXString(p.secondText.c_str()));
    } else if (a && b) {
        outcome = ::holds(a, b, p.code);
    }
    if (a && a != rawA)
        CMC_Object::flush(a);
    p.first->release(rawA, container);
    if (b && b != rawB)
        CMC_Object::flush(b);
    p.second->release(rawB, container);
    return outcome;
}

// CMC_ComplexCondition

int CMC_ComplexCondition::resolveOperator(const CXString& word)
{
    return word.equals(CXString("OR")) ? OR : AND;
}

CMC_ComplexCondition::CMC_ComplexCondition(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_BasicCondition(container, element, MC_COMPLEXCONDITION), firstName(propertyOf(element, "CONDITION1")),
      secondName(propertyOf(element, "CONDITION2")), operatorText(propertyOf(element, "OPERATOR")),
      code(resolveOperator(operatorText)), evaluating(false)
{
}

CMC_ComplexCondition::CMC_ComplexCondition(CMC_ObjectsContainer* container)
    : CMC_BasicCondition(CXString("temp"), MC_COMPLEXCONDITION), code(AND), evaluating(false)
{
    scene = container;
}

bool CMC_ComplexCondition::valid(bool fireEvents)
{
    CMC_Object* one = scene ? scene->getObject(firstName) : nullptr;
    CMC_Object* two = scene ? scene->getObject(secondName) : nullptr;
    if (!isCondition(one) || !isCondition(two))
        return false;
    CMC_Behaviour::Nesting guard;
    if (!guard.ok() || evaluating)
        return false;
    CMC_Hold holdOne(one);
    CMC_Hold holdTwo(two);
    CMC_Hold self(this);
    evaluating = true;
    bool outcome = static_cast<CMC_BasicCondition*>(one)->valid(true);
    if (code == OR ? !outcome : outcome) {
        // The first may have replaced the second meanwhile.
        two = scene->getObject(secondName);
        outcome = isCondition(two) && static_cast<CMC_BasicCondition*>(two)->valid(true);
    }
    evaluating = false;
    if (fireEvents)
        fire(outcome);
    return outcome;
}

void CMC_ComplexCondition::serialize(CXArchive* ar)
{
    if (serializeTexts(ar, &firstName, &secondName, &operatorText))
        code = resolveOperator(operatorText);
}

// CMC_BasicCondition_Runner

void CMC_BasicCondition_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("CHECK", CHECK);
    registerMethod("BREAK", BREAK);
    registerMethod("ONE_BREAK", ONE_BREAK);
}

CMC_Variable* CMC_BasicCondition_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                             CXVector* args)
{
    if (!CMC_BasicCondition::isCondition(object) || id < CHECK || id > ONE_BREAK)
        return CMC_Runner::run(id, object, container, args);
    bool fire = getArgCount(args) > 0 ? getParameterBool(args, 0)->getValue() : true;
    bool holds = static_cast<CMC_BasicCondition*>(object)->valid(fire);
    switch (id) {
    case CHECK: return CMC_Bool::temporary(holds);
    case BREAK: return holds ? stopValue(-1) : nullptr;
    default: return holds ? stopValue(-2) : nullptr;
    }
}

#include "script/BehaviourEntry.h"

#include "script/Behaviour.h"
#include "script/BuiltinRunner.h"
#include "script/Condition.h"
#include "script/Disposal.h"
#include "script/Expression.h"
#include "script/ObjectsContainer.h"
#include "script/Runner.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <cstring>
#include <string>
#include <vector>

namespace {
CMC_Behaviour_Entry::FieldAccessor fieldAccessor = nullptr;

// Statements nest through arguments, brackets and braces; deeper nesting
// than any title writes makes an inert statement instead of exhausting the
// stack. Main thread only.
const int MAX_PARSE_DEPTH = 48;
const int MAX_TEXT = 10239;
int parseDepth = 0;
// Statements parsed for one run that are alive now, and whether what is
// parsed now is.
int runStatements = 0;
int forOneRun = 0;

// Texts that stand for themselves: literals, and the condition texts of IF
// and WHILE (names hold none of the comparison characters).
bool isLiteral(const CXString& text)
{
    if (text.Find('$') >= 0 || text.Find('|') >= 0)
        return false;
    const char* s = text.c_str();
    return !text.IsString() || s[0] == '"' || CMC_Variable::isNumber(text) || text == "TRUE" || text == "FALSE" ||
           std::strpbrk(s, "'<>?") || std::strstr(s, "&&");
}
// The anonymous behaviours of "{...}" arguments are numbered across the
// process: "temp_N" when parsed, "xtemp_N" when made for one run.
int anonymousCounter = 0;
} // namespace

void CMC_Behaviour_Entry::setFieldAccessor(FieldAccessor accessor) { fieldAccessor = accessor; }

CMC_Behaviour_Entry::ForOneRun::ForOneRun() { ++forOneRun; }
CMC_Behaviour_Entry::ForOneRun::~ForOneRun() { --forOneRun; }

CMC_Variable* CMC_Behaviour_Entry::getField(CMC_ObjectsContainer* scene, const CXString& text)
{
    int bar = text.Find('|');
    if (!scene || bar < 0)
        return nullptr;
    return fieldOf(scene->getObject(text.Left(bar)), text.Right(bar + 1));
}

CMC_Variable* CMC_Behaviour_Entry::fieldOf(CMC_Object* structure, const CXString& field)
{
    if (!structure || structure->getType() != MC_STRUCTURE || !fieldAccessor)
        return nullptr;
    return fieldAccessor(structure, field);
}

CMC_Variable* CMC_Behaviour_Entry::makeConstant(const CXString& text)
{
    CMC_Variable* literal = CMC_Variable::resolve(text);
    CMC_Variable* constant = nullptr;
    switch (literal->getType()) {
    case MC_INTEGER: constant = new CMC_Integer(static_cast<CMC_Integer*>(literal)->getValue()); break;
    case MC_DOUBLE: constant = new CMC_Double(static_cast<CMC_Double*>(literal)->getValue()); break;
    case MC_BOOL: constant = new CMC_Bool(static_cast<CMC_Bool*>(literal)->getValue()); break;
    default:
        constant = new CMC_String(CXString("temp"), static_cast<CMC_String*>(literal)->getValue());
        break;
    }
    flush(literal);
    return constant;
}

CMC_Behaviour_Entry::CMC_Behaviour_Entry(CMC_Behaviour* owner, const CXString& text)
    : CMC_Object(CXString("code"), -100), line(text), behaviour(owner), form(INERT), counted(false),
      object(nullptr), runner(nullptr), methodId(-1), slots(nullptr), slotCount(0), literalSlots(0),
      args(nullptr), allFixed(true), reference(false), releaseTempBehaviours(true), hasParamObject(false),
      methodHasParam(false), running(0), epoch(CMC_ObjectsContainer::getEpoch()), value(nullptr),
      constant(nullptr), pristine(nullptr), isConstant(false), valueIsField(false), valueHasParam(false),
      condition(nullptr), keepsCondition(false), conditionFixed(false), refTarget(nullptr), ownsValue(false),
      ownsRefTarget(false), cachedRunner(nullptr), cachedId(-1)
{
    scene = owner ? owner->getScene() : nullptr;
    if (line.lastChar() == ';')
        line.left(line.getLength() - 1);
    if (parseDepth >= MAX_PARSE_DEPTH || !CMC_Behaviour::charge(line.getLength()))
        return;
    if (forOneRun > 0) {
        if (runStatements >= MAX_RUN_STATEMENTS)
            return;
        counted = true;
        ++runStatements;
    }
    ++parseDepth;
    parseHead();
    --parseDepth;
}

CMC_Behaviour_Entry::~CMC_Behaviour_Entry()
{
    if (counted)
        --runStatements;
    delete condition;
    if (releaseTempBehaviours)
        releaseAnonymous();
    for (int i = 0; i < slotCount; ++i) {
        Slot& s = slots[i];
        if (s.nested) {
            s.nested->releaseTempBeh(releaseTempBehaviours);
            delete s.nested;
        }
        if (s.ownsFixed)
            delete s.fixed;
    }
    delete[] slots;
    delete args;
    if (ownsValue)
        delete value;
    if (ownsRefTarget)
        delete refTarget;
    delete constant;
    delete pristine;
}

// The anonymous behaviours this statement made leave the container; one
// that is running is deleted once it ends.
void CMC_Behaviour_Entry::releaseAnonymous()
{
    for (int i = 0; i < slotCount && scene; ++i) {
        if (!slots[i].anonymous)
            continue;
        CMC_Object* found = scene->getObject(static_cast<CMC_String*>(slots[i].fixed)->getValue());
        if (found && found->getType() == MC_BEHAVIOUR && scene->removeObject(found))
            CMC_Disposal::dispose(found, CMC_Disposal::WITHOUT_DONE);
    }
}

CMC_Object* CMC_Behaviour_Entry::lookup(const char* name) const { return scene ? scene->getObject(name) : nullptr; }

// Temporary objects (local variables, loop counters) go at the end of a run
// and are never bound.
bool CMC_Behaviour_Entry::bindable(CMC_Object* found) const { return found && !found->isTemporary(); }

CMC_Behaviour_Entry** CMC_Behaviour_Entry::getCodeLines(CMC_Behaviour* owner, const CXString& code)
{
    std::vector<std::string> statements;
    std::string buffer;
    int depth = 0;
    const char* text = code.c_str();
    for (int i = 0; i < code.getLength(); ++i) {
        char ch = text[i];
        if (ch == ' ')
            continue;
        if (ch == '(')
            ++depth;
        else if (ch == ')')
            --depth;
        if (ch == ';' && depth == 0) {
            statements.push_back(buffer);
            buffer.clear();
            continue;
        }
        buffer += ch;
    }
    CMC_Behaviour_Entry** lines = new CMC_Behaviour_Entry*[statements.size() + 1];
    for (size_t i = 0; i < statements.size(); ++i)
        lines[i] = new CMC_Behaviour_Entry(owner, CXString(statements[i].c_str(), int(statements[i].size())));
    lines[statements.size()] = nullptr;
    return lines;
}

void CMC_Behaviour_Entry::freeLines(CMC_Behaviour_Entry** lines, bool release)
{
    if (!lines)
        return;
    for (int i = 0; lines[i]; ++i) {
        lines[i]->releaseTempBeh(release);
        delete lines[i];
    }
    delete[] lines;
}

void CMC_Behaviour_Entry::parseHead()
{
    int open = line.Find('(');
    char c = line.GetAt(0);
    if (c == '@') {
        if (open < 0)
            return;
        form = BUILTIN;
        methodName = line.Mid(1, open);
        object = behaviour;
        runner = CMC_RunnerFactory::getRunner(MC_PLACEHOLDER);
        if (!runner && behaviour)
            runner = behaviour->getRunner();
        methodId = runner ? runner->resolveMethod(methodName) : -1;
        keepsCondition = runner && runner == CMC_Builtin_Runner::current() &&
                         (methodId == CMC_Builtin_Runner::IF || methodId == CMC_Builtin_Runner::WHILE);
        parseArguments(open);
        if (keepsCondition)
            keepCondition();
        return;
    }
    if (c == '*') {
        reference = true;
        // A target in brackets may hold parentheses: the caret and the
        // argument list are then searched after the closing bracket.
        int bracket = line.Find(']');
        int caret;
        if (bracket >= 0 && bracket + 1 < open) {
            caret = line.Find('^', bracket);
            open = caret >= 0 ? line.Find('(', caret) : -1;
        } else {
            caret = line.Find('^');
        }
        if (caret < 0 || open < 0)
            return;
        form = REFERENCE;
        objectName = line.Mid(1, caret);
        if (objectName.GetAt(0) == '[') {
            refTarget = new CMC_Expression(scene, objectName.Mid(1, objectName.getLength() - 1));
            ownsRefTarget = true;
        } else {
            CMC_Object* found = lookup(objectName.c_str());
            refTarget = bindable(found) ? found : nullptr;
        }
        methodName = line.Mid(caret + 1, open);
        parseArguments(open);
        return;
    }
    if (line.startsWith(CXString("THIS"))) {
        if (open < 0)
            return;
        form = THIS_CALL;
        methodName = line.Mid(5, open);
        parseArguments(open);
        return;
    }
    if (c == '[') {
        form = VALUE;
        CXString rest = line.Mid(1, line.getLength() - 1);
        if (rest.Find('$') < 0) {
            value = new CMC_Expression(scene, rest);
            ownsValue = true;
        } else {
            valueText = CXString("[") + rest + "]";
            valueHasParam = true;
        }
        return;
    }
    int caret = line.Find('^');
    if (c == '"' || caret < 0) {
        form = VALUE;
        CMC_Object* found = lookup(line.c_str());
        if (bindable(found)) {
            value = found;
            valueText = found->getName();
        } else {
            valueText = line;
            valueHasParam = line.Find('$') >= 0;
            valueIsField = line.Find('|') >= 0;
            isConstant = isLiteral(line);
            if (isConstant)
                literalValue();
        }
        return;
    }
    if (open < 0)
        return;
    objectName = line.Left(caret);
    methodName = line.Mid(caret + 1, open);
    if (objectName.Find('$') >= 0) {
        form = PARAM_CALL;
        hasParamObject = true;
        methodHasParam = methodName.Find('$') >= 0;
    } else {
        int bar = objectName.Find('|');
        form = bar >= 0 ? FIELD_CALL : CALL;
        if (bar >= 0) {
            structureName = objectName.Left(bar);
            fieldName = objectName.Right(bar + 1);
        }
        bindCall();
    }
    parseArguments(open);
}

// A field is taken from its structure at each run: only the structure is
// bound, and the field's method id is kept per runner (callByName).
void CMC_Behaviour_Entry::bindCall()
{
    if (form == FIELD_CALL) {
        CMC_Object* found = lookup(structureName.c_str());
        object = bindable(found) && found->getType() == MC_STRUCTURE ? found : nullptr;
        return;
    }
    CMC_Object* found = lookup(objectName.c_str());
    object = bindable(found) ? found : nullptr;
    CMC_Runner* typeRunner = object ? CMC_RunnerFactory::getRunner(object) : nullptr;
    if (typeRunner != runner) {
        runner = typeRunner;
        methodId = runner ? runner->resolveMethod(methodName) : -1;
    }
}

// After objects came or went: a call's target is looked up again (found
// nearer, found at last, or gone: then looked up at every run); values
// bound by name likewise, and once gone looked up at every run from then on.
void CMC_Behaviour_Entry::rebind()
{
    epoch = CMC_ObjectsContainer::getEpoch();
    if (form == CALL || form == FIELD_CALL)
        bindCall();
    if (form == REFERENCE && refTarget && !ownsRefTarget) {
        CMC_Object* found = lookup(objectName.c_str());
        refTarget = bindable(found) ? found : nullptr;
    }
    if (form == VALUE && value && !ownsValue) {
        CMC_Object* found = lookup(valueText.c_str());
        value = bindable(found) ? found : nullptr;
    }
    for (int i = 0; i < slotCount; ++i) {
        Slot& s = slots[i];
        if (s.direct && !s.pristine) {
            s.nested->rebind();
            s.fixed = s.nested->value;
            if (!s.fixed) {
                s.direct = false;
                allFixed = false;
            }
            args->setAt(i, s.fixed);
            continue;
        }
        if (!s.byReference || s.ownsFixed || !s.fixed)
            continue;
        CMC_Variable* found = scene ? scene->getVariable(s.name.c_str()) : nullptr;
        if (found && found->isTemporary()) {
            s.fixed = nullptr;
            allFixed = false;
        } else if (found) {
            s.fixed = found;
        } else {
            s.fixed = makeConstant(s.name);
            s.ownsFixed = true;
        }
        args->setAt(i, s.fixed);
    }
}

void CMC_Behaviour_Entry::parseArguments(int open)
{
    CXString text = line.Mid(open + 1, line.getLength() - 1);
    if (!text.IsString())
        return;
    args = new CXVector(101, 0.75f);
    std::vector<CXString> pieces;
    int depth = 0;
    int start = 0;
    int n = text.getLength();
    const char* chars = text.c_str();
    for (int i = 0; i < n; ++i) {
        char ch = chars[i];
        if (ch == '(')
            ++depth;
        else if (ch == ')')
            --depth;
        if (ch == ',' && depth == 0) {
            pieces.push_back(text.Mid(start, i));
            start = i + 1;
        } else if (i == n - 1) {
            pieces.push_back(text.Mid(start, n));
        }
    }
    int count = 0;
    for (const CXString& p : pieces)
        count += p.IsString() ? 1 : 0;
    slots = new Slot[count > 0 ? count : 1];
    for (const CXString& p : pieces)
        if (p.IsString())
            addArgument(p);
}

void CMC_Behaviour_Entry::addArgument(const CXString& a)
{
    Slot& s = slots[slotCount++];
    args->add(static_cast<CXObject*>(nullptr));
    char first = a.GetAt(0);
    bool hasParam = a.Find('$') >= 0;
    bool hasCaret = a.Find('^') >= 0;
    if (first == '[' && !hasParam) {
        s.fixed = new CMC_Expression(scene, a.Mid(1, a.getLength() - 1));
        s.ownsFixed = true;
    } else if (first == '@' || hasParam || hasCaret) {
        CMC_Behaviour* anonymous = makeAnonymous(a, "temp_");
        if (anonymous) {
            s.fixed = new CMC_String(CXString("temp"), anonymous->getName());
            s.ownsFixed = true;
            s.anonymous = true;
            if (anonymous->getCode().Find('$') >= 0)
                allFixed = false;
        } else {
            s.nested = new CMC_Behaviour_Entry(behaviour, a);
            s.nestedHasParam = hasParam;
        }
    } else if (first == '&') {
        s.byReference = true;
        s.name = a.Right(1);
        CMC_Variable* found = scene ? scene->getVariable(s.name.c_str()) : nullptr;
        if (found) {
            s.fixed = found;
        } else {
            s.fixed = makeConstant(s.name);
            s.ownsFixed = true;
        }
    } else {
        s.nested = new CMC_Behaviour_Entry(behaviour, a);
        takeDirect(s);
    }
    allFixed = allFixed && (!s.nested || s.direct);
    if (s.pristine)
        literalSlots = slotCount;
    // A local variable passed by reference is looked up at every run.
    if (s.byReference && s.fixed && s.fixed->isTemporary()) {
        s.fixed = nullptr;
        allFixed = false;
    }
    if (s.fixed)
        args->setAt(slotCount - 1, s.fixed);
}

// IF and WHILE read their arguments and change none: their literals need
// no putting back, and a condition whose texts are all literals (one text
// for IF's short form, three for the long form and WHILE) never changes.
void CMC_Behaviour_Entry::keepCondition()
{
    int texts = methodId == CMC_Builtin_Runner::IF && slotCount < 4 ? 1 : 3;
    conditionFixed = slotCount >= texts;
    for (int i = 0; i < texts && i < slotCount; ++i)
        conditionFixed = conditionFixed && slots[i].pristine;
    literalSlots = 0;
    // WHILE may read its operands again between passes (OperandReader),
    // which needs the arguments filled in for each run.
    if (methodId == CMC_Builtin_Runner::WHILE && !conditionFixed)
        allFixed = false;
}

// A value statement's literal or bound object is passed as it is, without
// running the statement.
void CMC_Behaviour_Entry::takeDirect(Slot& s)
{
    CMC_Behaviour_Entry* n = s.nested;
    if (n->form != VALUE || n->valueHasParam)
        return;
    if (n->value && !n->ownsValue) {
        s.fixed = n->value;
        s.direct = true;
    } else if (n->constant) {
        s.fixed = n->constant;
        s.pristine = n->pristine;
        s.direct = true;
    }
}

// A brace block ("{...}", or "\"{...}\"") as a behaviour of its own, named
// prefix + the counter and added to the container; null for other texts.
CMC_Behaviour* CMC_Behaviour_Entry::makeAnonymous(const CXString& text, const char* prefix)
{
    int skip = text.GetAt(0) == '"' ? 1 : 0;
    if (text.GetAt(skip) != '{' || !scene)
        return nullptr;
    CXString code = text.Mid(skip + 1, text.getLength() - skip - 1);
    CXString name = CXString(prefix) + CXString::toString(anonymousCounter++);
    CMC_Behaviour* made = new CMC_Behaviour(scene, name, code);
    made->init();
    scene->addObject(made);
    return made;
}

// The result is held to the 10,239 characters a statement could ever take:
// parameters that hold their own statement cannot make it grow without end.
CXString CMC_Behaviour_Entry::fillParams(const CXString& text, CXArray* params)
{
    int count = params ? params->getSize() : 0;
    if (count == 0 || text.Find('$') < 0)
        return text;
    std::string out;
    const char* s = text.c_str();
    int n = text.getLength();
    for (int i = 0; i < n; ++i) {
        if (s[i] == '$' && i + 1 < n) {
            int index = s[i + 1] - '1';
            if (index >= 0 && index < count) {
                CXString* param = static_cast<CXString*>((*params)[index]);
                if (param)
                    out.append(param->c_str(), size_t(param->getLength()));
                ++i;
                continue;
            }
        }
        out += s[i];
    }
    if (out.size() > size_t(MAX_TEXT))
        out.resize(size_t(MAX_TEXT));
    // Work of the run that asks for it, counted by its length.
    if (!CMC_Behaviour::charge(int(out.size())))
        return CXString();
    return CXString(out.c_str(), int(out.size()));
}

CXString CMC_Behaviour_Entry::getStringValue(CMC_Variable* v)
{
    if (!v || isStopValue(v))
        return CXString();
    if (v->getType() == MC_STRING)
        return static_cast<CMC_String*>(v)->getValue();
    if (!CMC_Variable::isVariableType(v->getType()))
        return v->getName();
    CMC_Variable* text = v->convert(MC_STRING);
    if (!text || isStopValue(text) || text->getType() != MC_STRING)
        return CXString();
    CXString result = static_cast<CMC_String*>(text)->getValue();
    if (text != v)
        flush(text);
    return result;
}

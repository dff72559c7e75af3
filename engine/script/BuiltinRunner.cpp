#include "script/BuiltinRunner.h"

#include "script/Behaviour.h"
#include "script/BehaviourRunner.h"
#include "script/Condition.h"
#include "script/Disposal.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
CMC_RegisterRunner<CMC_Builtin_Runner> registration({MC_PLACEHOLDER});
CMC_Builtin_Runner* made = nullptr;

const struct {
    const char* name;
    int id;
} commands[] = {
    {"IF", CMC_Builtin_Runner::IF},
    {"WHILE", CMC_Builtin_Runner::WHILE},
    {"RETURN", CMC_Builtin_Runner::RETURN},
    {"CONV", CMC_Builtin_Runner::CONV},
    {"MSGBOX", CMC_Builtin_Runner::MSGBOX},
    {"BREAK", CMC_Builtin_Runner::BREAK},
    {"BOOL", CMC_Builtin_Runner::BOOL},
    {"INT", CMC_Builtin_Runner::INT},
    {"DOUBLE", CMC_Builtin_Runner::DOUBLE},
    {"STRING", CMC_Builtin_Runner::STRING},
    {"LOOP", CMC_Builtin_Runner::LOOP},
    {"VALUE", CMC_Builtin_Runner::VALUE},
    {"RUNONTIMER", CMC_Builtin_Runner::RUNONTIMER},
    {"CREATE", CMC_Builtin_Runner::CREATE},
    {"GETAPPLICATIONNAME", CMC_Builtin_Runner::GETAPPLICATIONNAME},
    {"GETCURRENTSCENE", CMC_Builtin_Runner::GETCURRENTSCENE},
    {"ONEBREAK", CMC_Builtin_Runner::ONEBREAK},
    {"CONTINUE", CMC_Builtin_Runner::CONTINUE},
};

struct CreatorSlot {
    std::string typeName;
    CMC_Builtin_Runner::Creator creator;
};
std::vector<CreatorSlot>& creators()
{
    static auto* list = new std::vector<CreatorSlot>;
    return *list;
}

CXString trimmed(CXString text)
{
    text.AllTrim(' ');
    return text;
}

// A code argument: the behaviour of that name, or else a behaviour made from
// the text for this command (deleted after it).
class Code {
public:
    Code(CMC_ObjectsContainer* container, const CXString& text)
    {
        if (!text.IsString())
            return;
        CMC_Object* found = container ? container->getObject(text) : nullptr;
        if (found && found->getType() == MC_BEHAVIOUR) {
            behaviour = static_cast<CMC_Behaviour*>(found);
            return;
        }
        behaviour = new CMC_Behaviour(container, CXString("temp"), text);
        behaviour->init();
        owned = true;
    }
    ~Code()
    {
        if (owned)
            CMC_Disposal::dispose(behaviour, CMC_Disposal::WITHOUT_DONE);
    }
    Code(const Code&) = delete;
    Code& operator=(const Code&) = delete;

    // True when the code stopped with BREAK.
    bool run(bool checkCondition) { return behaviour && behaviour->run(behaviour, nullptr, checkCondition); }

private:
    CMC_Behaviour* behaviour = nullptr;
    bool owned = false;
};

// A free "timer_N" name, N drawn as the C runtime's rand() draws (0..32767).
CXString timerName(CMC_ObjectsContainer* container)
{
    for (int tries = 0;; ++tries) {
        int n = tries < 1000 ? (std::rand() & 0x7FFF) : 32768 + tries;
        CXString name = CXString("timer_") + CXString::toString(n);
        if (!container->getObject(name))
            return name;
    }
}

CMC_Variable* newVariable(int type, const CXString& name)
{
    switch (type) {
    case MC_INTEGER: return new CMC_Integer(name);
    case MC_STRING: return new CMC_String(name);
    case MC_BOOL: return new CMC_Bool(name);
    case MC_DOUBLE: return new CMC_Double(name);
    default: return nullptr;
    }
}
} // namespace

void CMC_Builtin_Runner::setCreator(const char* typeName, Creator creator)
{
    for (CreatorSlot& slot : creators())
        if (slot.typeName == typeName) {
            slot.creator = creator;
            return;
        }
    creators().push_back({typeName, creator});
}

CMC_Builtin_Runner::CMC_Builtin_Runner() { made = this; }

CMC_Builtin_Runner::~CMC_Builtin_Runner()
{
    if (made == this)
        made = nullptr;
}

CMC_Builtin_Runner* CMC_Builtin_Runner::current() { return made; }

void CMC_Builtin_Runner::prepareMthHashSet()
{
    for (const auto& c : commands)
        registerMethod(c.name, c.id);
}

CXString CMC_Builtin_Runner::text(CXVector* args, int n)
{
    return n < getArgCount(args) ? getParameterString(args, n)->getValue() : CXString();
}

CMC_Variable* CMC_Builtin_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (id != IF && id != WHILE)
        return runCommand(id, object, container, args);
    CMC_InlineCondition* once = nullptr;
    CMC_Variable* result = run(id, object, container, args, &once, false);
    delete once;
    return result;
}

CMC_Variable* CMC_Builtin_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args,
                                      CMC_InlineCondition** kept, bool textsFixed, CMC_WhileOperands* operands)
{
    if (id == IF)
        return runIf(container, args, kept, textsFixed);
    if (id == WHILE)
        return runWhile(container, args, kept, textsFixed, operands);
    return runCommand(id, object, container, args);
}

CMC_Variable* CMC_Builtin_Runner::runCommand(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                             CXVector* args)
{
    switch (id) {
    case RETURN: return runReturn(container, args);
    case BREAK: return stopValue(-1);
    case CONV: return convert(args);
    case BOOL:
    case DOUBLE:
    case INT:
    case STRING: return declare(id, object, container, args);
    case LOOP: return runLoop(container, args);
    case VALUE: return container ? static_cast<CMC_Variable*>(container->getObject(text(args, 0))) : nullptr;
    case RUNONTIMER: return runOnTimer(container, args);
    case CREATE: return create(container, args);
    case GETAPPLICATIONNAME: {
        CMC_ObjectsContainer* c = container;
        while (c && c->getType() != MC_APPLICATION)
            c = c->getParent();
        return CMC_String::temporary(c ? c->getName() : CXString());
    }
    case GETCURRENTSCENE: {
        CMC_ObjectsContainer* shown = container ? container->getScene() : nullptr;
        return CMC_String::temporary(shown ? shown->getName() : CXString());
    }
    case ONEBREAK: return stopValue(-2);
    case CONTINUE: return stopValue(-3);
    default: return nullptr; // MSGBOX and unknown ids
    }
}

bool CMC_Builtin_Runner::shortCondition(CMC_ObjectsContainer* container, CXVector* args,
                                        CMC_InlineCondition** kept, bool fixed)
{
    if (*kept && fixed)
        return (*kept)->holds(container);
    const CXString& text = getParameterString(args, 0)->getText();
    if (*kept && (*kept)->isEvaluating() && !(*kept)->isFor(text)) {
        CMC_InlineCondition once(text.c_str(), text.getLength(), true, false);
        return once.holds(container);
    }
    if (!*kept || !(*kept)->isFor(text)) {
        delete *kept;
        *kept = new CMC_InlineCondition(text.c_str(), text.getLength(), true, true);
    }
    return (*kept)->holds(container);
}

// The operands are read afresh at every evaluation: a variable passed as an
// operand gives its current value. A kept condition met again while it is
// evaluated (through a call among its operands) with other texts is left as
// it is: this evaluation makes its own.
bool CMC_Builtin_Runner::longCondition(CMC_ObjectsContainer* container, CXVector* args,
                                       CMC_InlineCondition** kept, bool fixed)
{
    if (*kept && fixed)
        return (*kept)->holds(container);
    CXString a = text(args, 0);
    CXString op = text(args, 1);
    CXString b = text(args, 2);
    if (*kept && (*kept)->isEvaluating() && !(*kept)->isFor(a, b, op)) {
        CMC_InlineCondition once(a, b, CMC_Condition::resolveInlineOperator(op), false);
        return once.holds(container);
    }
    if (!*kept)
        *kept = new CMC_InlineCondition(a, b, CMC_Condition::resolveInlineOperator(op), true);
    if (!(*kept)->isFor(a, b, op))
        (*kept)->update(a, b, op);
    return (*kept)->holds(container);
}

CMC_Variable* CMC_Builtin_Runner::runIf(CMC_ObjectsContainer* container, CXVector* args, CMC_InlineCondition** kept,
                                        bool fixed)
{
    int argc = getArgCount(args);
    bool holds;
    int codeArg;
    if (argc >= 4) {
        holds = longCondition(container, args, kept, fixed);
        codeArg = holds ? 3 : 4;
    } else {
        holds = *kept && fixed ? (*kept)->holds(container) : shortCondition(container, args, kept, fixed);
        codeArg = holds ? 1 : 2;
    }
    if (codeArg >= argc)
        return nullptr;
    // Code is mostly a STRING already (an anonymous behaviour's name).
    CMC_Variable* given = getArgument(args, codeArg);
    const CXString& code = given && given->getType() == MC_STRING ? static_cast<CMC_String*>(given)->getText()
                                                                   : getParameterString(args, codeArg)->getText();
    return code.IsString() ? runCode(container, code) : nullptr;
}

CMC_Variable* CMC_Builtin_Runner::runCode(CMC_ObjectsContainer* container, const CXString& code)
{
    Code body(container, code);
    return body.run(false) ? stopValue(-1) : nullptr;
}

// A pass that deleted or made objects may have taken an operand's name
// from the object the statement read: the statement reads it again.
CMC_Variable* CMC_Builtin_Runner::runWhile(CMC_ObjectsContainer* container, CXVector* args,
                                           CMC_InlineCondition** kept, bool fixed, CMC_WhileOperands* operands)
{
    Code body(container, trimmed(text(args, 3)));
    unsigned read = CMC_ObjectsContainer::getEpoch();
    while (CMC_Behaviour::step() && longCondition(container, args, kept, fixed)) {
        body.run(false);
        if (operands && read != CMC_ObjectsContainer::getEpoch()) {
            operands->reread();
            read = CMC_ObjectsContainer::getEpoch();
        }
    }
    return nullptr;
}

// Without a step the loop counts by 1.
CMC_Variable* CMC_Builtin_Runner::runLoop(CMC_ObjectsContainer* container, CXVector* args)
{
    Code body(container, trimmed(text(args, 0)));
    int start = getParameterInteger(args, 1)->getValue();
    int count = getParameterInteger(args, 2)->getValue();
    int step = getArgCount(args) > 3 ? getParameterInteger(args, 3)->getValue() : 1;
    int end = CMC_Integer::add(start, count);

    // The loop's own "_I_" hides an outer loop's while it runs; only what
    // was taken out of this container is put back.
    CMC_Integer* counter = new CMC_Integer(CXString("_I_"));
    counter->setAsTemporary();
    CMC_Object* outer = container ? container->getObject("_I_") : nullptr;
    bool outerRemoved = outer && container->removeObject(outer);
    if (container)
        container->addObject(counter);

    bool broke = false;
    if (start != end) {
        bool up = start < end;
        int i = start;
        do {
            if (!CMC_Behaviour::step())
                break;
            counter->setValue(i);
            if (body.run(true)) {
                broke = true;
                break;
            }
            int next = CMC_Integer::add(i, step);
            // Past the end of the integers: the loop cannot go on.
            if ((step > 0 && next < i) || (step < 0 && next > i))
                break;
            i = next;
        } while (up ? i < end : i > end);
    }

    if (container)
        container->removeObject(counter);
    CMC_Disposal::disposeTemporary(counter);
    if (outerRemoved)
        container->addObject(outer);
    return broke ? stopValue(-1) : nullptr;
}

// The value goes to the scene being shown, as "__RETURN__", replacing the
// one there, which is deleted; the command gives a copy.
CMC_Variable* CMC_Builtin_Runner::runReturn(CMC_ObjectsContainer* container, CXVector* args)
{
    CMC_ObjectsContainer* target = container ? container->getScene() : nullptr;
    if (!target)
        target = container;
    if (!target)
        return nullptr;
    CMC_Variable* value = getParameter(args, 0);
    CMC_Variable* made = value ? newVariable(value->getType(), CXString("__RETURN__")) : nullptr;
    if (made)
        made->set(value);
    CMC_Object* old = target->getObject("__RETURN__");
    if (old && target->removeObject(old))
        CMC_Disposal::dispose(old, CMC_Disposal::WITHOUT_DONE);
    if (!made)
        return nullptr;
    made->setScene(target);
    target->addObject(made);
    return CMC_VariableFactory::copyVariable(made);
}

CMC_Variable* CMC_Builtin_Runner::convert(CXVector* args)
{
    CMC_Variable* value = getParameter(args, 0);
    CXString type = text(args, 1);
    CMC_Variable* result = nullptr;
    if (type == "STRING")
        result = CMC_String::temporary(CXString());
    else if (type == "INTEGER")
        result = CMC_Integer::temporary(0);
    else if (type == "BOOL")
        result = CMC_Bool::temporary(false);
    else if (type == "DOUBLE")
        result = CMC_Double::temporary(0.0);
    if (result && value)
        result->set(value);
    return result;
}

// A local variable: made, listed in the container and deleted when the run
// of the behaviour that holds the statement ends. A name the container sees
// already makes nothing.
CMC_Variable* CMC_Builtin_Runner::declare(int id, CMC_Object* holder, CMC_ObjectsContainer* container,
                                          CXVector* args)
{
    CXString name = text(args, 0);
    if (!container || container->getObject(name))
        return nullptr;
    int type = id == BOOL ? MC_BOOL : id == DOUBLE ? MC_DOUBLE : id == INT ? MC_INTEGER : MC_STRING;
    CMC_Variable* made = newVariable(type, name);
    CMC_Variable* value = getParameter(args, 1);
    if (value)
        made->set(value);
    // Only a behaviour's run ends; without one the container keeps it.
    bool local = holder && holder->getType() == MC_BEHAVIOUR;
    if (local)
        made->setAsTemporary();
    container->addObject(made);
    if (local)
        static_cast<CMC_Behaviour*>(holder)->addTempObject(made);
    return CMC_VariableFactory::copyVariable(made);
}

CMC_Variable* CMC_Builtin_Runner::runOnTimer(CMC_ObjectsContainer* container, CXVector* args)
{
    if (!container)
        return nullptr;
    int interval = getParameterInteger(args, 0)->getValue();
    int count = getParameterInteger(args, 1)->getValue();
    CXString code = text(args, 2);
    CMC_Object* named = container->getObject(code);
    if (named && named->getType() == MC_BEHAVIOUR)
        code = static_cast<CMC_Behaviour*>(named)->getCode();
    // "&n" in the code stands for the timer's own parameter n.
    code.Replace('&', '$');

    CXString endText = text(args, 3);
    CMC_Object* endNamed = container->getObject(endText);
    CMC_Behaviour* end = nullptr;
    if (endNamed && endNamed->getType() == MC_BEHAVIOUR) {
        end = static_cast<CMC_Behaviour*>(endNamed);
    } else if (endText.IsString()) {
        end = new CMC_Behaviour(container, timerName(container), endText);
        container->addObject(end);
        end->init();
    }

    CXArray* params = new CXArray(101, 0.75f);
    params->add(new CXString("0"));
    for (int i = 4; i < getArgCount(args); ++i)
        params->add(new CXString(text(args, i)));

    CMC_Behaviour* timed = new CMC_Behaviour(container, timerName(container), code);
    container->addObject(timed);
    timed->init();
    timed->runOnTimer(interval, count, params, end);
    return CMC_String::temporary(timed->getName());
}

CMC_Variable* CMC_Builtin_Runner::create(CMC_ObjectsContainer* container, CXVector* args)
{
    CXString type = text(args, 0);
    Creator make = nullptr;
    for (const CreatorSlot& slot : creators())
        if (type == slot.typeName.c_str())
            make = slot.creator;
    CMC_Object* made = make && container ? make(container) : nullptr;
    if (!made)
        return nullptr;
    made->setName(text(args, 1));
    container->addObject(made);
    return nullptr;
}

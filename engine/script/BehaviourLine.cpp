// The text-driven evaluator of inline conditions and call texts: operands
// are sorted by CMC_Operand, calls are run at once from their text.
#include "script/Behaviour.h"
#include "script/BehaviourEntry.h"
#include "script/BehaviourOperand.h"
#include "script/Disposal.h"
#include "script/Expression.h"
#include "script/ObjectsContainer.h"
#include "script/Runner.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace {
CXString trimmed(CXString text)
{
    text.AllTrim(' ');
    return text;
}
} // namespace

void CMC_Behaviour::releaseObject(CMC_Variable* value, CMC_ObjectsContainer*)
{
    // A copy a method made with clone() for its result belongs to nobody
    // else. A clone that a container held is a script's object, also once
    // the statement's own code removed it (CMC_Disposal frees it then, not
    // the statement).
    if (value->isClone() && !value->wasListed() && !CMC_Disposal::waits(value)) {
        delete value;
        return;
    }
    // A basic value goes back to its pool when it is a temporary; a
    // declared variable is nobody's to give back.
    if (CMC_Variable::isBasicType(value->getType())) {
        if (value->getId() >= 0)
            CMC_VariableFactory::free(value);
        return;
    }
    flush(value);
}

void CMC_Behaviour::releaseValue(CMC_Variable* value, CMC_ObjectsContainer* scene)
{
    if (value && !isStopValue(value) && value->getType() == MC_EXPRESSION &&
        !static_cast<CMC_Expression*>(value)->isStill()) {
        delete value;
        return;
    }
    releaseResult(value, scene);
}

CMC_Variable* CMC_Behaviour::resolveParameter(CMC_ObjectsContainer* scene, CMC_Object* owner, const CXString& raw,
                                              CMC_Behaviour* behaviour)
{
    return resolveParameter(scene, owner, raw.c_str(), raw.getLength(), behaviour);
}

CMC_Variable* CMC_Behaviour::resolveParameter(CMC_ObjectsContainer* scene, CMC_Object* owner, const char* raw,
                                              int length, CMC_Behaviour* behaviour)
{
    CMC_Operand operand(raw, length, false);
    return operand.value(scene, owner, behaviour);
}

CXVector* CMC_Behaviour::resolveParameters(CMC_ObjectsContainer* scene, CMC_Object* owner, const CXString& text,
                                           CMC_Behaviour* behaviour)
{
    if (!text.IsString())
        return nullptr;
    CXVector* values = new CXVector(101, 0.75f);
    // A later value's call may delete an earlier value.
    CMC_Hold hold(nullptr, values);
    int depth = 0;
    int start = 0;
    int n = text.getLength();
    for (int i = 0; i <= n; ++i) {
        char ch = i < n ? text.GetAt(i) : ',';
        if (ch == '(')
            ++depth;
        else if (ch == ')')
            --depth;
        if (ch != ',' || (depth != 0 && i < n))
            continue;
        CXString piece = text.Mid(start, i);
        start = i + 1;
        if (!piece.IsString())
            continue;
        CMC_Variable* v = resolveParameter(scene, owner, piece, behaviour);
        if (v && !isStopValue(v))
            values->add(v);
    }
    return values;
}

CMC_Object* CMC_Behaviour::resolveObject(CMC_ObjectsContainer* scene, CMC_Object* owner, const CXString& head,
                                         CXString* method, CMC_Behaviour* behaviour)
{
    int firstCaret = head.Find('^');
    int lastCaret = head.FindLast('^');
    CXString part = firstCaret > 0 ? head.Left(firstCaret) : CXString();
    if (method)
        *method = lastCaret >= 0 ? head.Right(lastCaret + 1) : head;
    if (!scene)
        return part == "THIS" ? owner : nullptr;
    char first = part.GetAt(0);
    if (first == '#')
        return scene->getObject(int((unsigned char)part.GetAt(2) & 0x7F));
    if (first == '*') {
        CMC_Variable* v = resolveParameter(scene, owner, part.Right(1), behaviour);
        CXString targetName = CMC_Behaviour_Entry::getStringValue(v);
        releaseValue(v, scene);
        return scene->getObject(targetName);
    }
    if (part == "THIS")
        return owner;
    return scene->getObject(part);
}

CMC_Variable* CMC_Behaviour::runLine(CMC_ObjectsContainer* scene, CMC_Object* owner, const CXString& text,
                                     CMC_Behaviour* behaviour)
{
    Nesting guard;
    if (!guard.ok())
        return nullptr;
    // Without parentheses the whole text is the head and there are no
    // arguments.
    int open = text.Find('(');
    CXString head = open >= 0 ? text.Left(open) : text;
    CMC_Object* target = nullptr;
    CMC_Runner* runner = nullptr;
    CXString method;
    char first = text.GetAt(0);
    if (first == '@') {
        target = behaviour;
        runner = CMC_RunnerFactory::getRunner(MC_PLACEHOLDER);
        method = head.Right(1);
    } else if (first == '*') {
        CMC_Object* reference = resolveObject(scene, owner, head.Right(1), &method, behaviour);
        // The reference's value names the target; an object that is no
        // value names nothing.
        if (!reference || !CMC_Variable::isVariableType(reference->getType()) || !scene)
            return nullptr;
        target = scene->getObject(CMC_Behaviour_Entry::getStringValue(static_cast<CMC_Variable*>(reference)));
        if (!target)
            return nullptr;
    } else {
        target = resolveObject(scene, owner, head, &method, behaviour);
        if (!target) {
            runner = CMC_RunnerFactory::getRunner(MC_PLACEHOLDER);
            method = head;
        }
    }
    if (target && first != '@')
        runner = CMC_RunnerFactory::getRunner(target);
    if (!runner)
        return nullptr;
    // The arguments' calls and the method's script may delete the target
    // and the values: both are used to the call's end.
    CMC_Hold hold(target);

    CXVector* values = nullptr;
    if (open >= 0) {
        CXString rest = trimmed(text.Right(open));
        if (rest.GetAt(0) == '(')
            rest = rest.Right(1);
        if (rest.lastChar() == ')')
            rest = rest.Left(rest.getLength() - 1);
        values = resolveParameters(scene, owner, trimmed(rest), behaviour);
        hold.setValues(values);
    }
    CMC_Variable* result;
    if (method.GetAt(0) == '#')
        result = runner->run(int((unsigned char)method.GetAt(1) & 0x7F), target, scene, values);
    else
        result = runner->run(method, target, scene, values);
    for (int i = 0; values && i < values->getSize(); ++i)
        releaseValue(static_cast<CMC_Variable*>((*values)[i]), scene);
    delete values;
    return result;
}

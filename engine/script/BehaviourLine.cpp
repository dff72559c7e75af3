// The text-driven evaluator of inline conditions: operand texts are turned
// into values at every evaluation, calls are run at once from their text.
#include "script/Behaviour.h"
#include "script/BehaviourEntry.h"
#include "script/Expression.h"
#include "script/ObjectsContainer.h"
#include "script/Runner.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/VariableFactory.h"

#include <cstring>
#include <string>

namespace {
CXString trimmed(CXString text)
{
    text.AllTrim(' ');
    return text;
}

// A NUL-terminated copy of length bytes of text without blanks at either
// end; short ones stay on the stack.
class Piece {
public:
    Piece(const char* s, int n)
    {
        if (!s || n < 0)
            n = 0;
        while (n > 0 && *s == ' ') {
            ++s;
            --n;
        }
        while (n > 0 && s[n - 1] == ' ')
            --n;
        size = n;
        if (n < int(sizeof small)) {
            std::memcpy(small, s, size_t(n));
            small[n] = 0;
            data = small;
        } else {
            big.assign(s, size_t(n));
            data = big.c_str();
        }
    }
    Piece(const Piece&) = delete;
    Piece& operator=(const Piece&) = delete;
    const char* text() const { return data; }
    int length() const { return size; }

private:
    char small[128];
    std::string big;
    const char* data;
    int size;
};
} // namespace

void CMC_Behaviour::releaseResult(CMC_Variable* value, CMC_ObjectsContainer* scene)
{
    if (!value || isStopValue(value))
        return;
    // A copy a method made with clone() belongs to nobody else; a clone
    // that a container lists is that container's.
    if (value->isClone() && !(scene && scene->getObject(value->getName()) == value)) {
        delete value;
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

// Conditions resolve their operands at every evaluation: the common case (a
// name or a number) makes no string.
CMC_Variable* CMC_Behaviour::resolveParameter(CMC_ObjectsContainer* scene, CMC_Object* owner, const char* raw,
                                              int length, CMC_Behaviour* behaviour)
{
    Piece piece(raw, length);
    const char* text = piece.text();
    int n = piece.length();
    char first = n > 0 ? text[0] : 0;
    if (first == '[') {
        Piece inner(text + 1, n >= 2 ? n - 2 : 0);
        return new CMC_Expression(scene, CXString(inner.text(), inner.length()));
    }
    if (n >= 4 && std::memcmp(text, "CONV", 4) == 0)
        return runLine(scene, owner, CXString("@") + text, behaviour);
    if (first != '"' && std::strchr(text, '^'))
        return runLine(scene, owner, CXString(text, n), behaviour);
    if (first == '-' || (first >= '0' && first <= '9'))
        return CMC_Variable::resolve(text, n);
    if (std::strchr(text, '|'))
        return CMC_Behaviour_Entry::getField(scene, CXString(text, n));
    CMC_Variable* variable = scene ? scene->getVariable(text) : nullptr;
    return variable ? variable : CMC_Variable::resolve(text, n);
}

CXVector* CMC_Behaviour::resolveParameters(CMC_ObjectsContainer* scene, CMC_Object* owner, const CXString& text,
                                           CMC_Behaviour* behaviour)
{
    if (!text.IsString())
        return nullptr;
    CXVector* values = new CXVector(101, 0.75f);
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

    CXVector* values = nullptr;
    if (open >= 0) {
        CXString rest = trimmed(text.Right(open));
        if (rest.GetAt(0) == '(')
            rest = rest.Right(1);
        if (rest.lastChar() == ')')
            rest = rest.Left(rest.getLength() - 1);
        values = resolveParameters(scene, owner, trimmed(rest), behaviour);
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

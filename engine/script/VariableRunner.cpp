#include "script/VariableRunner.h"

#include "base/Path.h"
#include "base/XArray.h"
#include "base/XRandom.h"
#include "platform/Clock.h"
#include "platform/FileIO.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <climits>
#include <cmath>
#include <cstdint>

namespace {

CMC_RegisterRunner<CMC_Variable_Runner> registration({MC_INTEGER, MC_STRING, MC_BOOL, MC_DOUBLE, MC_EXPRESSION});

// Degrees from radians, and radians from degrees with pi / 180 taken at
// single precision, as titles were made with.
const double DEGREES = 57.29577950560105;
const double RADIANS = 0.01745329238474369;

const struct {
    const char* name;
    int id;
} methodNames[] = {
    {"SET", CMC_Variable_Runner::SET},
    {"SWITCH", CMC_Variable_Runner::SWITCH},
    {"CLEAR", CMC_Variable_Runner::CLEAR},
    {"INC", CMC_Variable_Runner::INC},
    {"DEC", CMC_Variable_Runner::DEC},
    {"ADD", CMC_Variable_Runner::ADD},
    {"MUL", CMC_Variable_Runner::MUL},
    {"RESETINI", CMC_Variable_Runner::RESETINI},
    {"SETDEFAULT", CMC_Variable_Runner::SETDEFAULT},
    {"SUB", CMC_Variable_Runner::SUB},
    {"DIV", CMC_Variable_Runner::DIV},
    {"MOD", CMC_Variable_Runner::MOD},
    {"ABS", CMC_Variable_Runner::ABS},
    {"AND", CMC_Variable_Runner::AND},
    {"OR", CMC_Variable_Runner::OR},
    {"NOT", CMC_Variable_Runner::NOT},
    {"XOR", CMC_Variable_Runner::XOR},
    {"POWER", CMC_Variable_Runner::POWER},
    {"SQRT", CMC_Variable_Runner::SQRT},
    {"CLAMP", CMC_Variable_Runner::CLAMP},
    {"LENGTH", CMC_Variable_Runner::LENGTH},
    {"ARCTAN", CMC_Variable_Runner::ARCTAN},
    {"GET", CMC_Variable_Runner::GET},
    {"MINA", CMC_Variable_Runner::MINA},
    {"MAXA", CMC_Variable_Runner::MAXA},
    {"ARCTANEX", CMC_Variable_Runner::ARCTANEX},
    {"SINUS", CMC_Variable_Runner::SINUS},
    {"COSINUS", CMC_Variable_Runner::COSINUS},
    {"UPPER", CMC_Variable_Runner::UPPER},
    {"FIND", CMC_Variable_Runner::FIND},
    {"CUT", CMC_Variable_Runner::CUT},
    {"REPLACEAT", CMC_Variable_Runner::REPLACEAT},
    {"INSERTAT", CMC_Variable_Runner::INSERTAT},
    {"REPLACE", CMC_Variable_Runner::REPLACE},
    {"ROUND", CMC_Variable_Runner::ROUND},
    {"ISUPPERLETTER", CMC_Variable_Runner::ISUPPERLETTER},
    {"SGN", CMC_Variable_Runner::SGN},
    {"COPYFILE", CMC_Variable_Runner::COPYFILE},
    {"RANDOM", CMC_Variable_Runner::RANDOM},
    {"LOG", CMC_Variable_Runner::LOG},
};

CMC_Integer* asInteger(CMC_Variable* v) { return static_cast<CMC_Integer*>(v); }
CMC_Double* asDouble(CMC_Variable* v) { return static_cast<CMC_Double*>(v); }
CMC_String* asString(CMC_Variable* v) { return static_cast<CMC_String*>(v); }

// A variable's value read as one type, without touching the pools for the
// basic types.
int readInteger(CMC_Variable* v)
{
    switch (v->getType()) {
    case MC_INTEGER: return asInteger(v)->getValue();
    case MC_DOUBLE: return CMC_Double::round(asDouble(v)->getValue());
    case MC_BOOL: return static_cast<CMC_Bool*>(v)->getValue() ? 1 : 0;
    case MC_STRING: return asString(v)->getValue().toNumber();
    default: {
        CMC_Variable* c = v->convert(MC_INTEGER);
        int n = c && c->getType() == MC_INTEGER ? asInteger(c)->getValue() : 0;
        if (c != v)
            CMC_Object::flush(c);
        return n;
    }
    }
}

double readDouble(CMC_Variable* v)
{
    switch (v->getType()) {
    case MC_INTEGER: return double(asInteger(v)->getValue());
    case MC_DOUBLE: return asDouble(v)->getValue();
    case MC_BOOL: return static_cast<CMC_Bool*>(v)->getValue() ? 1.0 : 0.0;
    case MC_STRING: return asString(v)->getValue().toDouble();
    default: {
        CMC_Variable* c = v->convert(MC_DOUBLE);
        double d = c && c->getType() == MC_DOUBLE ? asDouble(c)->getValue() : 0.0;
        if (c != v)
            CMC_Object::flush(c);
        return d;
    }
    }
}

// Stores through the variable's own setValue, converted to its type; a
// value that is no basic type keeps what it has.
void writeInteger(CMC_Variable* v, int n)
{
    switch (v->getType()) {
    case MC_INTEGER: asInteger(v)->setValue(n); break;
    case MC_DOUBLE: asDouble(v)->setValue(double(n)); break;
    case MC_BOOL: static_cast<CMC_Bool*>(v)->setValue(n != 0); break;
    case MC_STRING: asString(v)->setValue(CXString::toString(n)); break;
    default: break;
    }
}

void writeDouble(CMC_Variable* v, double d)
{
    switch (v->getType()) {
    case MC_INTEGER: asInteger(v)->setValue(CMC_Double::round(d)); break;
    case MC_DOUBLE: asDouble(v)->setValue(d); break;
    case MC_BOOL: static_cast<CMC_Bool*>(v)->setValue(d != 0.0); break;
    case MC_STRING: asString(v)->setValue(CXString::toString(d)); break;
    default: break;
    }
}

// start + count without overflow, held to the int range.
int endOf(int start, int count)
{
    int64_t end = int64_t(start) + count;
    return end > INT_MAX ? INT_MAX : (end < INT_MIN ? INT_MIN : int(end));
}

} // namespace

void CMC_Variable_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const auto& m : methodNames)
        registerMethod(m.name, m.id);
}

CMC_Variable* CMC_Variable_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                       CXVector* args)
{
    if (!object || !CMC_Variable::isVariableType(object->getType()))
        return CMC_Runner::run(id, object, container, args);
    CMC_Variable* v = static_cast<CMC_Variable*>(object);
    int argc = getArgCount(args);
    bool isString = v->getType() == MC_STRING;
    switch (id) {
    case SET: {
        CMC_Variable* value = getArgument(args, 0);
        if (value)
            v->set(value);
        return nullptr;
    }
    case SWITCH:
        v->swap(getArgument(args, 0), getArgument(args, 1));
        return nullptr;
    case CLEAR:
        v->clear();
        return nullptr;
    case INC:
        v->inc();
        return nullptr;
    case DEC:
        v->dec();
        return nullptr;
    case ADD:
        return arithmetic(v, args, 1, true);
    case MUL:
        return arithmetic(v, args, 3, false);
    case RESETINI:
        v->resetINI();
        return nullptr;
    case SETDEFAULT:
        if (argc > 0)
            v->setDefault(getParameter(args, 0));
        return nullptr;
    case SUB:
        return isString ? editString(v, args, id) : arithmetic(v, args, 2, false);
    case DIV:
        return arithmetic(v, args, 4, false);
    case MOD:
        return arithmetic(v, args, 5, false);
    case ABS: {
        if (argc < 1)
            return nullptr;
        int n = getParameterInteger(args, 0)->getValue();
        int a = n < 0 ? int(0u - unsigned(n)) : n;
        CMC_Variable* r = CMC_Integer::temporary(a);
        writeInteger(v, a);
        return r;
    }
    case AND:
    case OR:
    case XOR:
        return bitwise(v, args, id);
    case NOT:
        return isString ? editString(v, args, id) : bitwise(v, args, id);
    case POWER:
        return power(v, args);
    case SQRT: {
        double d = std::sqrt(readDouble(v));
        CMC_Variable* r = CMC_Double::temporary(d);
        writeDouble(v, d);
        return r;
    }
    case CLAMP:
        return clamp(v, args);
    case LENGTH:
        return length(v, args);
    case ARCTAN:
    case ARCTANEX:
    case SINUS:
    case COSINUS:
        return angle(v, args, id);
    case GET:
        return get(v, args);
    case MINA:
    case MAXA:
        return minMax(v, args, id == MAXA);
    case UPPER:
    case FIND:
    case CUT:
    case REPLACEAT:
    case INSERTAT:
    case REPLACE:
        return editString(v, args, id);
    case ISUPPERLETTER:
        if (argc < 1)
            return nullptr;
        return isString ? editString(v, args, id) : CMC_Bool::temporary(false);
    case ROUND:
        return round(v);
    case SGN: {
        double d = readDouble(v);
        return CMC_Integer::temporary(d > 0.0 ? 1 : (d < 0.0 ? -1 : 0));
    }
    case COPYFILE:
        return copyFile(container, args);
    case RANDOM:
        return random(v, args);
    case LOG:
        return log(v, args);
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

// The other value combined through the variable type's calculate, then
// assigned, so the change is reported as any assignment. The result is the
// temporary calculate made.
CMC_Variable* CMC_Variable_Runner::arithmetic(CMC_Variable* v, CXVector* args, int op, bool giveResult)
{
    if (getArgCount(args) < 1)
        return nullptr;
    CMC_Variable* r = v->calculate(getArgument(args, 0), op);
    if (!r || isStopValue(r))
        return nullptr;
    v->set(r);
    if (giveResult)
        return r;
    CMC_Object::flush(r);
    return nullptr;
}

CMC_Variable* CMC_Variable_Runner::bitwise(CMC_Variable* v, CXVector* args, int id)
{
    int x = readInteger(v);
    if (id == NOT) {
        x = ~x;
    } else {
        if (getArgCount(args) < 1)
            return nullptr;
        int n = getParameterInteger(args, 0)->getValue();
        x = id == AND ? (x & n) : (id == OR ? (x | n) : (x ^ n));
    }
    CMC_Variable* r = CMC_Integer::temporary(x);
    writeInteger(v, x);
    return r;
}

// The variable takes the value first, then the result is made.
CMC_Variable* CMC_Variable_Runner::power(CMC_Variable* v, CXVector* args)
{
    if (getArgCount(args) < 1)
        return nullptr;
    if (v->getType() == MC_INTEGER) {
        int e = getParameterInteger(args, 0)->getValue();
        int p = CMC_Double::truncate(std::pow(double(asInteger(v)->getValue()), double(e)));
        asInteger(v)->setValue(p);
        return CMC_Integer::temporary(p);
    }
    if (v->getType() == MC_DOUBLE) {
        double e = getParameterDouble(args, 0)->getValue();
        double p = std::pow(asDouble(v)->getValue(), e);
        asDouble(v)->setValue(p);
        return CMC_Double::temporary(p);
    }
    return nullptr;
}

// Low is tested first, so with low above high a value below low becomes low.
CMC_Variable* CMC_Variable_Runner::clamp(CMC_Variable* v, CXVector* args)
{
    if (getArgCount(args) < 2)
        return nullptr;
    if (v->getType() == MC_INTEGER) {
        int low = getParameterInteger(args, 0)->getValue();
        int high = getParameterInteger(args, 1)->getValue();
        int x = asInteger(v)->getValue();
        x = x < low ? low : (x > high ? high : x);
        CMC_Variable* r = CMC_Integer::temporary(x);
        asInteger(v)->setValue(x);
        return r;
    }
    if (v->getType() == MC_DOUBLE) {
        double low = getParameterDouble(args, 0)->getValue();
        double high = getParameterDouble(args, 1)->getValue();
        double x = asDouble(v)->getValue();
        x = x < low ? low : (x > high ? high : x);
        CMC_Variable* r = CMC_Double::temporary(x);
        asDouble(v)->setValue(x);
        return r;
    }
    return nullptr;
}

// y squared is rounded to single precision before the sum.
CMC_Variable* CMC_Variable_Runner::length(CMC_Variable* v, CXVector* args)
{
    if (v->getType() == MC_STRING)
        return CMC_Integer::temporary(asString(v)->getValue().getLength());
    if (v->getType() != MC_INTEGER && v->getType() != MC_DOUBLE)
        return nullptr;
    if (getArgCount(args) < 2)
        return nullptr;
    double x = getParameterDouble(args, 0)->getValue();
    double y = getParameterDouble(args, 1)->getValue();
    double d = std::sqrt(x * x + double(float(y * y)));
    CMC_Variable* r = CMC_Double::temporary(d);
    writeDouble(v, d);
    return r;
}

CMC_Variable* CMC_Variable_Runner::angle(CMC_Variable* v, CXVector* args, int id)
{
    int argc = getArgCount(args);
    if (argc < (id == ARCTANEX ? 2 : 1))
        return nullptr;
    double a = getParameterDouble(args, 0)->getValue();
    double d;
    if (id == ARCTAN) {
        d = std::atan(a) * DEGREES;
    } else if (id == SINUS) {
        d = std::sin(a * RADIANS);
    } else if (id == COSINUS) {
        d = std::cos(a * RADIANS);
    } else {
        double x = getParameterDouble(args, 1)->getValue();
        d = std::atan2(a, x) * DEGREES;
        if (d < 0.0)
            d += 360.0;
        if (argc > 2) {
            double offset = getParameterDouble(args, 2)->getValue();
            d = double(CMC_Integer::mod(CMC_Double::truncate(offset + d), 360));
        }
    }
    CMC_Variable* r = CMC_Double::temporary(d);
    writeDouble(v, d);
    return r;
}

CMC_Variable* CMC_Variable_Runner::get(CMC_Variable* v, CXVector* args)
{
    switch (v->getType()) {
    case MC_INTEGER:
        return CMC_Integer::temporary(asInteger(v)->getValue());
    case MC_DOUBLE:
        return CMC_Double::temporary(asDouble(v)->getValue());
    case MC_STRING: {
        CXString text = asString(v)->getValue();
        int argc = getArgCount(args);
        if (argc == 0)
            return CMC_String::temporary(text);
        int start = getParameterInteger(args, 0)->getValue();
        if (argc == 1)
            return CMC_String::temporary(start >= 0 ? text.Mid(start, endOf(start, 1)) : CXString());
        int count = getParameterInteger(args, 1)->getValue();
        int end = count == -1 ? text.getLength() : endOf(start, count);
        return CMC_String::temporary(start >= 0 ? text.Mid(start, end) : CXString());
    }
    default:
        return v;
    }
}

// Only a strictly smaller (larger) argument replaces the pick.
CMC_Variable* CMC_Variable_Runner::minMax(CMC_Variable* v, CXVector* args, bool max)
{
    int argc = getArgCount(args);
    if (argc < 1)
        return nullptr;
    double pick = getParameterDouble(args, 0)->getValue();
    for (int i = 1; i < argc; ++i) {
        double x = getParameterDouble(args, i)->getValue();
        if (max ? x > pick : x < pick)
            pick = x;
    }
    CMC_Variable* r = CMC_Double::temporary(pick);
    writeDouble(v, pick);
    return r;
}

// The integer part, plus one when the first two decimals reach 50; so
// negative values are cut toward zero.
CMC_Variable* CMC_Variable_Runner::round(CMC_Variable* v)
{
    if (v->getType() != MC_DOUBLE)
        return nullptr;
    double x = asDouble(v)->getValue();
    double hundredths = std::fmod(std::trunc(x * 100.0), 100.0);
    int64_t n = int64_t(CMC_Double::truncate(x)) + (hundredths >= 50.0 ? 1 : 0);
    return CMC_Integer::temporary(n > INT_MAX ? INT_MAX : int(n));
}

CMC_Variable* CMC_Variable_Runner::copyFile(CMC_ObjectsContainer* container, CXVector* args)
{
    if (getArgCount(args) < 2)
        return nullptr;
    CWindow* window = container ? container->getWindow() : nullptr;
    CXString source = CPath::resolveFileNameEx(window, getParameterString(args, 0)->getValue());
    CXString target = CPath::resolveFileNameEx(window, getParameterString(args, 1)->getValue());
    return CMC_Bool::temporary(platform::copyFile(source.c_str(), target.c_str()));
}

// The generator is seeded with the calendar second at every call, as
// titles expect.
CMC_Variable* CMC_Variable_Runner::random(CMC_Variable* v, CXVector* args)
{
    CXRandom::seed(uint32_t(platform::GetUnixTime()));
    int argc = getArgCount(args);
    int n = 0;
    if (argc == 1)
        n = CXRandom::random(getParameterInteger(args, 0)->getValue());
    else if (argc >= 2) {
        int low = getParameterInteger(args, 0)->getValue();
        n = CXRandom::random(low, getParameterInteger(args, 1)->getValue());
    }
    CMC_Variable* r = CMC_Integer::temporary(n);
    if (v->getType() == MC_INTEGER)
        asInteger(v)->setValue(n);
    return r;
}

CMC_Variable* CMC_Variable_Runner::log(CMC_Variable* v, CXVector* args)
{
    if (v->getType() != MC_DOUBLE || getArgCount(args) < 1)
        return nullptr;
    double d = std::log(getParameterDouble(args, 0)->getValue());
    asDouble(v)->setValue(d);
    return CMC_Double::temporary(d);
}

// Positions are held to the text; every edit is stored with setValue.
CMC_Variable* CMC_Variable_Runner::editString(CMC_Variable* v, CXVector* args, int id)
{
    if (v->getType() != MC_STRING)
        return nullptr;
    CMC_String* s = asString(v);
    CXString text = s->getValue();
    int length = text.getLength();
    int argc = getArgCount(args);
    switch (id) {
    case UPPER:
        s->upper();
        return nullptr;
    case NOT: {
        CXString reversed(text);
        char* b = reversed.GetBuffer();
        for (int i = 0, j = length - 1; i < j; ++i, --j) {
            char c = b[i];
            b[i] = b[j];
            b[j] = c;
        }
        CMC_Variable* r = CMC_String::temporary(reversed);
        s->setValue(reversed);
        return r;
    }
    case ISUPPERLETTER:
        return CMC_Bool::temporary(text.IsUpper(getParameterInteger(args, 0)->getValue()));
    case FIND: {
        if (argc < 1)
            return nullptr;
        CXString what = getParameterString(args, 0)->getValue();
        int start = argc > 1 ? getParameterInteger(args, 1)->getValue() : 0;
        return CMC_Integer::temporary(text.FindSubString(what, start));
    }
    case REPLACE: {
        if (argc < 2)
            return nullptr;
        CXString what = getParameterString(args, 0)->getValue();
        CXString with = getParameterString(args, 1)->getValue();
        s->setValue(text.replace(what, with));
        return nullptr;
    }
    default:
        break;
    }
    // SUB, CUT, REPLACEAT and INSERTAT: a position, then a count or a text.
    if (argc < 2)
        return nullptr;
    int start = getParameterInteger(args, 0)->getValue();
    if (start < 0)
        start = 0;
    switch (id) {
    case SUB: {
        int count = getParameterInteger(args, 1)->getValue();
        s->setValue(text.Left(start) + text.Right(endOf(start, count < 0 ? 0 : count)));
        return nullptr;
    }
    case CUT: {
        int count = getParameterInteger(args, 1)->getValue();
        int end = endOf(start, count);
        if (count <= 0 || end > length)
            end = length;
        s->setValue(text.Mid(start, end));
        return nullptr;
    }
    case REPLACEAT: {
        if (start > length)
            return nullptr;
        CXString put = getParameterString(args, 1)->getValue();
        int after = endOf(start, put.getLength());
        s->setValue(text.Left(start) + put + (after <= length ? text.Right(after) : CXString()));
        return nullptr;
    }
    case INSERTAT: {
        CXString put = getParameterString(args, 1)->getValue();
        int times = argc > 2 ? getParameterInteger(args, 2)->getValue() : 1;
        for (; times > 0; --times) {
            text = s->getValue();
            s->setValue(text.Left(start) + put + text.Right(start));
        }
        return nullptr;
    }
    default:
        return nullptr;
    }
}

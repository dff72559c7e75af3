#include "script/Values.h"

#include "base/Archive.h"
#include "script/Element.h"
#include "script/String.h"
#include "script/TypeRegistry.h"
#include "script/VariableFactory.h"

#include <climits>
#include <cmath>
#include <cstring>

namespace {
const CXString VALUE("VALUE");
const CXString DEFAULT("DEFAULT");

bool hasDefault(CMElement* e) { return e && e->getPropertyValue(DEFAULT).IsString(); }

// The pooled temporary that convert() hands out, holding the value in the
// target type's form.
CMC_Variable* integerTemp(int v)
{
    CMC_Integer* t = CMC_VariableFactory::allocInteger();
    t->setValue(v);
    return t;
}
CMC_Variable* doubleTemp(double v)
{
    CMC_Double* t = CMC_VariableFactory::allocDouble();
    t->setValue(v);
    return t;
}
CMC_Variable* boolTemp(bool v)
{
    CMC_Bool* t = CMC_VariableFactory::allocBool();
    t->setValue(v);
    return t;
}
CMC_Variable* stringTemp(const CXString& v)
{
    CMC_String* t = CMC_VariableFactory::allocString();
    t->setValue(v);
    return t;
}

CMC_Object* makeInteger(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Integer(c, e); }
CMC_Object* makeDouble(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Double(c, e); }
CMC_Object* makeBool(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Bool(c, e); }
CMC_Object* makeString(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_String(c, e); }

CMC_RegisterType registerBool("BOOL", 2, &makeBool);
CMC_RegisterType registerDouble("DOUBLE", 2, &makeDouble);
CMC_RegisterType registerInteger("INTEGER", 2, &makeInteger);
CMC_RegisterType registerString("STRING", 2, &makeString);
} // namespace

// INTEGER

CMC_Integer::CMC_Integer(const CXString& n) : CMC_BasicValue(n) {}

CMC_Integer::CMC_Integer(const CXString& n, int poolSlot) : CMC_BasicValue(n, poolSlot) {}

CMC_Integer::CMC_Integer(int v) : CMC_BasicValue(CXString("temp"))
{
    value = defaultValue = v;
}

CMC_Integer::CMC_Integer(CMC_ObjectsContainer* c, CMElement* e) : CMC_BasicValue(c, e)
{
    if (!e)
        return;
    value = e->getPropertyIntValue(VALUE);
    defaultValue = hasDefault(e) ? e->getPropertyIntValue(DEFAULT) : value;
}

void CMC_Integer::inc()
{
    value = add(value, 1);
    onChange(true);
}

void CMC_Integer::dec()
{
    value = sub(value, 1);
    onChange(true);
}

int CMC_Integer::div(int a, int b)
{
    if (b == 0)
        return 0;
    if (b == -1)
        return int(0u - unsigned(a));
    return a / b;
}

int CMC_Integer::mod(int a, int b)
{
    if (b == 0 || b == -1)
        return 0;
    return a % b;
}

CMC_Variable* CMC_Integer::convert(int type)
{
    int v = value;
    switch (type) {
    case MC_INTEGER:
        return this;
    case MC_STRING: {
        CXString text = toString();
        flush(this);
        return stringTemp(text);
    }
    case MC_BOOL:
        flush(this);
        return boolTemp(v != 0);
    case MC_DOUBLE:
        flush(this);
        return doubleTemp(double(v));
    default:
        return nullptr;
    }
}

CMC_Variable* CMC_Integer::calculate(CMC_Variable* other, int op)
{
    CMC_Integer* result = CMC_VariableFactory::allocInteger();
    int o = 0;
    CMC_Variable* c = converted(other, MC_INTEGER);
    bool known = c != nullptr;
    if (c) {
        o = static_cast<CMC_Integer*>(c)->value;
        flush(c);
    }
    int r = value;
    if (known) {
        switch (op) {
        case 1: r = add(value, o); break;
        case 2: r = sub(value, o); break;
        case 3: r = mul(value, o); break;
        case 4: r = div(value, o); break;
        case 5: r = mod(value, o); break;
        default: break;
        }
    }
    result->setValue(r);
    return result;
}

void CMC_Integer::netstore(void* buffer)
{
    putLE32(buffer, MC_INTEGER);
    putLE32(static_cast<unsigned char*>(buffer) + 4, uint32_t(value));
}

bool CMC_Integer::netrestore(const void* buffer, int length)
{
    if (!buffer || length < 8)
        return false;
    value = int(getLE32(static_cast<const unsigned char*>(buffer) + 4));
    return true;
}

void CMC_Integer::store(CXArchive* ar)
{
    *ar << int(MC_INTEGER) << value;
}

void CMC_Integer::restore(CXArchive* ar) { *ar >> &value; }

void CMC_Integer::fromString(const CXString& text) { value = text.toNumber(); }

CXString CMC_Integer::toString() { return CXString::toString(value); }

CXObject* CMC_Integer::clone()
{
    CMC_Integer* copy = new CMC_Integer(name);
    copy->value = value;
    copy->markAsClone();
    return copy;
}

void CMC_Integer::serialize(CXArchive* ar)
{
    if (!ar)
        return;
    CMC_Variable::serialize(ar);
    if (ar->isStoring()) {
        *ar << value << defaultValue;
    } else {
        *ar >> &value;
        *ar >> &defaultValue;
    }
}

// DOUBLE

CMC_Double::CMC_Double(const CXString& n) : CMC_BasicValue(n) {}

CMC_Double::CMC_Double(const CXString& n, int poolSlot) : CMC_BasicValue(n, poolSlot) {}

CMC_Double::CMC_Double(double v) : CMC_BasicValue(CXString("temp"))
{
    value = defaultValue = v;
}

CMC_Double::CMC_Double(CMC_ObjectsContainer* c, CMElement* e) : CMC_BasicValue(c, e)
{
    if (!e)
        return;
    value = e->getPropertyDoubleValue(VALUE);
    defaultValue = hasDefault(e) ? e->getPropertyDoubleValue(DEFAULT) : value;
}

int CMC_Double::truncate(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return INT_MAX;
    if (v <= -2147483648.0)
        return INT_MIN;
    return int(v);
}

int CMC_Double::round(double v)
{
    if (std::isnan(v))
        return 0;
    double t = std::trunc(v);
    if (std::fabs(v - t) >= 0.5)
        t += v < 0 ? -1.0 : 1.0;
    return truncate(t);
}

void CMC_Double::inc()
{
    value += 1.0;
    onChange(true);
}

void CMC_Double::dec()
{
    value -= 1.0;
    onChange(true);
}

CMC_Variable* CMC_Double::convert(int type)
{
    double v = value;
    switch (type) {
    case MC_INTEGER:
        flush(this);
        return integerTemp(round(v));
    case MC_STRING: {
        CXString text = toString();
        flush(this);
        return stringTemp(text);
    }
    case MC_BOOL:
        flush(this);
        return boolTemp(v != 0.0);
    case MC_DOUBLE:
        return this;
    default:
        return nullptr;
    }
}

CMC_Variable* CMC_Double::calculate(CMC_Variable* other, int op)
{
    CMC_Double* result = CMC_VariableFactory::allocDouble();
    double o = 0.0;
    CMC_Variable* c = converted(other, MC_DOUBLE);
    bool known = c != nullptr;
    if (c) {
        o = static_cast<CMC_Double*>(c)->value;
        flush(c);
    }
    double r = value;
    if (known) {
        switch (op) {
        case 1: r = value + o; break;
        case 2: r = value - o; break;
        case 3: r = value * o; break;
        case 4: r = value / o; break;
        case 5: r = double(CMC_Integer::mod(truncate(value), truncate(o))); break;
        default: break;
        }
    }
    result->setValue(r);
    return result;
}

void CMC_Double::netstore(void* buffer)
{
    unsigned char* b = static_cast<unsigned char*>(buffer);
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    putLE32(b, MC_DOUBLE);
    putLE32(b + 4, uint32_t(bits));
    putLE32(b + 8, uint32_t(bits >> 32));
}

bool CMC_Double::netrestore(const void* buffer, int length)
{
    if (!buffer || length < 12)
        return false;
    const unsigned char* b = static_cast<const unsigned char*>(buffer);
    uint64_t bits = uint64_t(getLE32(b + 4)) | uint64_t(getLE32(b + 8)) << 32;
    std::memcpy(&value, &bits, 8);
    return true;
}

void CMC_Double::store(CXArchive* ar)
{
    *ar << int(MC_DOUBLE) << value;
}

void CMC_Double::restore(CXArchive* ar) { *ar >> &value; }

void CMC_Double::fromString(const CXString& text) { value = text.toDouble(); }

CXString CMC_Double::toString() { return CXString::toString(value); }

CXObject* CMC_Double::clone()
{
    CMC_Double* copy = new CMC_Double(name);
    copy->value = value;
    copy->markAsClone();
    return copy;
}

void CMC_Double::serialize(CXArchive* ar)
{
    if (!ar)
        return;
    CMC_Variable::serialize(ar);
    if (ar->isStoring()) {
        *ar << value << defaultValue;
    } else {
        *ar >> &value;
        *ar >> &defaultValue;
    }
}

// BOOL

CMC_Bool::CMC_Bool(const CXString& n) : CMC_BasicValue(n) {}

CMC_Bool::CMC_Bool(const CXString& n, int poolSlot) : CMC_BasicValue(n, poolSlot) {}

CMC_Bool::CMC_Bool(bool v) : CMC_BasicValue(CXString("temp"))
{
    value = defaultValue = v;
}

CMC_Bool::CMC_Bool(CMC_ObjectsContainer* c, CMElement* e) : CMC_BasicValue(c, e)
{
    if (!e)
        return;
    value = e->getPropertyBoolValue(VALUE);
    defaultValue = hasDefault(e) ? e->getPropertyBoolValue(DEFAULT) : value;
}

void CMC_Bool::negate()
{
    value = !value;
    onChange(true);
}

void CMC_Bool::inc() { negate(); }

void CMC_Bool::dec() { negate(); }

void CMC_Bool::swap(CMC_Variable*, CMC_Variable*) { negate(); }

CMC_Variable* CMC_Bool::convert(int type)
{
    bool v = value;
    switch (type) {
    case MC_INTEGER:
        flush(this);
        return integerTemp(v ? 1 : 0);
    case MC_STRING:
        flush(this);
        return stringTemp(CXString::toString(v));
    case MC_BOOL:
        return this;
    case MC_DOUBLE:
        flush(this);
        return doubleTemp(v ? 1.0 : 0.0);
    default:
        return nullptr;
    }
}

CMC_Variable* CMC_Bool::calculate(CMC_Variable* other, int op)
{
    CMC_Bool* result = CMC_VariableFactory::allocBool();
    bool o = false;
    CMC_Variable* c = converted(other, MC_BOOL);
    bool known = c != nullptr;
    if (c) {
        o = static_cast<CMC_Bool*>(c)->value;
        flush(c);
    }
    bool r = value;
    if (known && op == 1)
        r = value && o;
    else if (known && op == 3)
        r = value || o;
    result->setValue(r);
    return result;
}

void CMC_Bool::netstore(void* buffer)
{
    putLE32(buffer, MC_BOOL);
    static_cast<unsigned char*>(buffer)[4] = value ? 1 : 0;
}

bool CMC_Bool::netrestore(const void* buffer, int length)
{
    if (!buffer || length < 5)
        return false;
    value = static_cast<const unsigned char*>(buffer)[4] == 1;
    return true;
}

// A 32-bit word whose first byte is 0 or 1.
void CMC_Bool::store(CXArchive* ar)
{
    *ar << int(MC_BOOL) << int(value ? 1 : 0);
}

void CMC_Bool::restore(CXArchive* ar)
{
    int word = 0;
    *ar >> &word;
    value = (word & 0xFF) != 0;
}

void CMC_Bool::fromString(const CXString& text) { value = text.toBool(); }

CXString CMC_Bool::toString() { return CXString::toString(value); }

CXObject* CMC_Bool::clone()
{
    CMC_Bool* copy = new CMC_Bool(name);
    copy->value = value;
    copy->markAsClone();
    return copy;
}

void CMC_Bool::serialize(CXArchive* ar)
{
    if (!ar)
        return;
    CMC_Variable::serialize(ar);
    if (ar->isStoring()) {
        *ar << value << defaultValue;
    } else {
        *ar >> &value;
        *ar >> &defaultValue;
    }
}

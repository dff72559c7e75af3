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
        return CMC_String::temporary(text);
    }
    case MC_BOOL:
        flush(this);
        return CMC_Bool::temporary(v != 0);
    case MC_DOUBLE:
        flush(this);
        return CMC_Double::temporary(double(v));
    default:
        return nullptr;
    }
}

CMC_Variable* CMC_Integer::calculate(CMC_Variable* other, int op)
{
    return combined(other, [op](int a, int b) {
        switch (op) {
        case 1: return add(a, b);
        case 2: return sub(a, b);
        case 3: return mul(a, b);
        case 4: return div(a, b);
        case 5: return mod(a, b);
        default: return a;
        }
    });
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

// DOUBLE

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
        return CMC_Integer::temporary(round(v));
    case MC_STRING: {
        CXString text = toString();
        flush(this);
        return CMC_String::temporary(text);
    }
    case MC_BOOL:
        flush(this);
        return CMC_Bool::temporary(v != 0.0);
    case MC_DOUBLE:
        return this;
    default:
        return nullptr;
    }
}

CMC_Variable* CMC_Double::calculate(CMC_Variable* other, int op)
{
    return combined(other, [op](double a, double b) {
        switch (op) {
        case 1: return a + b;
        case 2: return a - b;
        case 3: return a * b;
        case 4: return a / b;
        case 5: return double(CMC_Integer::mod(truncate(a), truncate(b)));
        default: return a;
        }
    });
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

// BOOL

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
        return CMC_Integer::temporary(v ? 1 : 0);
    case MC_STRING:
        flush(this);
        return CMC_String::temporary(CXString::toString(v));
    case MC_BOOL:
        return this;
    case MC_DOUBLE:
        flush(this);
        return CMC_Double::temporary(v ? 1.0 : 0.0);
    default:
        return nullptr;
    }
}

CMC_Variable* CMC_Bool::calculate(CMC_Variable* other, int op)
{
    return combined(other, [op](bool a, bool b) { return op == 1 ? a && b : (op == 3 ? a || b : a); });
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

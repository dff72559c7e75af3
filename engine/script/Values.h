#pragma once
#include "script/Variable.h"

// What INTEGER, DOUBLE and BOOL share: a value and a default, assignment
// from any value converted to this type, equality, order, defaults and the
// ini reset. A conversion that yields nothing leaves the value as it is.
template <class T, int TypeId>
class CMC_BasicValue : public CMC_Variable {
public:
    T getValue() const { return value; }
    // Reported as an assignment, changed or not.
    void setValue(T v)
    {
        value = v;
        onChange(false);
    }
    T getDefaultValue() const { return defaultValue; }

    void set(CMC_Variable* other) override
    {
        T v;
        if (!read(other, &v)) {
            onChange(false);
            return;
        }
        T old = value;
        value = v;
        onChange(!(old == v));
    }
    void clear() override
    {
        T old = value;
        value = T();
        onChange(!(old == T()));
    }
    void swap(CMC_Variable* a, CMC_Variable* b) override
    {
        T va, vb;
        if (!read(a, &va) || !read(b, &vb)) {
            onChange(false);
            return;
        }
        T old = value;
        value = value == va ? vb : va;
        onChange(!(old == value));
    }
    bool equals(CMC_Variable* other) override
    {
        T v;
        return read(other, &v) && value == v;
    }
    int compare(CMC_Variable* other) override
    {
        T v;
        if (!read(other, &v))
            return TypeId == MC_INTEGER ? 1 : -1;
        return value == v ? 0 : (value < v ? -1 : 1);
    }
    void setDefault(CMC_Variable* other) override
    {
        T v;
        if (read(other, &v))
            defaultValue = v;
    }
    void resetINI() override
    {
        if (!toIni)
            return;
        value = defaultValue;
        onChange(true);
    }
    using CMC_Variable::compare;
    using CMC_Variable::equals;

protected:
    CMC_BasicValue(const CXString& n) : CMC_Variable(n, TypeId), value(), defaultValue() {}
    CMC_BasicValue(const CXString& n, int poolSlot) : CMC_Variable(n, TypeId, poolSlot), value(), defaultValue() {}
    CMC_BasicValue(CMC_ObjectsContainer* c, CMElement* e) : CMC_Variable(c, e, TypeId), value(), defaultValue() {}

    // Another value read as this type; false when it has no such form.
    static bool read(CMC_Variable* other, T* out)
    {
        CMC_Variable* c = converted(other, TypeId);
        if (!c)
            return false;
        *out = static_cast<CMC_BasicValue*>(c)->value;
        releaseConverted(c, other);
        return true;
    }

    T value;
    T defaultValue;
};

// Script INTEGER (type id 1): a signed 32-bit value that wraps.
class CMC_Integer : public CMC_BasicValue<int, MC_INTEGER> {
public:
    explicit CMC_Integer(const CXString& name);
    CMC_Integer(const CXString& name, int poolSlot);
    // Named "temp"; value and default v.
    explicit CMC_Integer(int v);
    // "VALUE", and "DEFAULT" when it is not empty (else the value).
    CMC_Integer(CMC_ObjectsContainer* container, CMElement* element);

    // Plus or minus one, wrapping; reported as a change.
    void inc() override;
    void dec() override;
    CMC_Variable* convert(int typeId) override;
    // Sum, difference, product, quotient (toward zero) and remainder (sign
    // of this value), wrapping. A zero divisor gives 0, and so does the
    // remainder by -1; the quotient of the least value by -1 wraps to it.
    CMC_Variable* calculate(CMC_Variable* other, int op) override;
    int getBufferLen() override { return 8; }
    void netstore(void* buffer) override;
    bool netrestore(const void* buffer, int length) override;
    void store(CXArchive* archive) override;
    void restore(CXArchive* archive) override;
    void fromString(const CXString& text) override;
    CXString toString() override;
    // A plain copy named like this one, marked as a clone; default 0.
    CXObject* clone() override;
    using CMC_Object::clone;
    void serialize(CXArchive* archive) override;

    // Wrapping 32-bit arithmetic; the quotient and remainder rules above.
    static int add(int a, int b) { return int(unsigned(a) + unsigned(b)); }
    static int sub(int a, int b) { return int(unsigned(a) - unsigned(b)); }
    static int mul(int a, int b) { return int(unsigned(a) * unsigned(b)); }
    static int div(int a, int b);
    static int mod(int a, int b);
};

// Script DOUBLE (type id 4).
class CMC_Double : public CMC_BasicValue<double, MC_DOUBLE> {
public:
    explicit CMC_Double(const CXString& name);
    CMC_Double(const CXString& name, int poolSlot);
    explicit CMC_Double(double v);
    CMC_Double(CMC_ObjectsContainer* container, CMElement* element);

    void inc() override;
    void dec() override;
    // To INTEGER rounded half away from zero.
    CMC_Variable* convert(int typeId) override;
    // Division follows IEEE (a zero divisor gives an infinity or NaN); the
    // remainder is that of both values cut toward zero to 32-bit integers.
    CMC_Variable* calculate(CMC_Variable* other, int op) override;
    int getBufferLen() override { return 12; }
    void netstore(void* buffer) override;
    bool netrestore(const void* buffer, int length) override;
    // Thousandths, as the serializer stores doubles.
    void store(CXArchive* archive) override;
    void restore(CXArchive* archive) override;
    void fromString(const CXString& text) override;
    // Five decimals.
    CXString toString() override;
    CXObject* clone() override;
    using CMC_Object::clone;
    void serialize(CXArchive* archive) override;

    // Half away from zero (2.5 gives 3, -2.5 gives -3); saturates at the
    // int range, NaN gives 0.
    static int round(double v);
    // Cut toward zero, saturating at the int range; NaN gives 0.
    static int truncate(double v);
};

// Script BOOL (type id 3). ADD is the logical AND and MULTIPLY the OR; inc,
// dec and swap negate.
class CMC_Bool : public CMC_BasicValue<bool, MC_BOOL> {
public:
    explicit CMC_Bool(const CXString& name);
    CMC_Bool(const CXString& name, int poolSlot);
    explicit CMC_Bool(bool v);
    CMC_Bool(CMC_ObjectsContainer* container, CMElement* element);

    void inc() override;
    void dec() override;
    // Negates; a and b are not read.
    void swap(CMC_Variable* a, CMC_Variable* b) override;
    CMC_Variable* convert(int typeId) override;
    CMC_Variable* calculate(CMC_Variable* other, int op) override;
    int getBufferLen() override { return 5; }
    void netstore(void* buffer) override;
    // True only for the byte 1.
    bool netrestore(const void* buffer, int length) override;
    void store(CXArchive* archive) override;
    void restore(CXArchive* archive) override;
    void fromString(const CXString& text) override;
    CXString toString() override;
    CXObject* clone() override;
    using CMC_Object::clone;
    void serialize(CXArchive* archive) override;

private:
    void negate();
};

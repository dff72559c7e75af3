#pragma once
#include "base/Archive.h"
#include "script/Element.h"
#include "script/Variable.h"
#include "script/VariableFactory.h"

// What INTEGER, DOUBLE and BOOL share: a value and a default, assignment
// from any value converted to this type, equality, order, defaults, the ini
// reset, clones and the snapshot. A conversion that yields nothing leaves
// the value as it is.
template <class T, int TypeId, class Self>
class CMC_BasicValue : public CMC_Variable {
public:
    T getValue() const { return value; }
    // Reported as an assignment, changed or not.
    void setValue(T v)
    {
        value = v;
        reportChange(false);
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
        reportChange(!(old == v));
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
        return order(value, v);
    }
    // How compare orders two values of this type: 0 only when they are equal
    // (never for NaN), -1 when a is below b, else 1.
    static int order(T a, T b) { return a == b ? 0 : (a < b ? -1 : 1); }
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
    // A plain copy named like this one, marked as a clone; its default is
    // the type's empty value.
    CXObject* clone() override
    {
        Self* copy = new Self(name);
        copy->value = value;
        copy->markAsClone();
        return copy;
    }
    using CMC_Object::clone;
    // The variable base's record, then the value and the default.
    void serialize(CXArchive* ar) override
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
    using CMC_Variable::compare;
    using CMC_Variable::equals;

    // A pooled temporary holding v.
    static Self* temporary(T v)
    {
        Self* t = Self::alloc();
        t->setValue(v);
        return t;
    }

    explicit CMC_BasicValue(const CXString& n) : CMC_Variable(n, TypeId), value(), defaultValue() {}
    // A name, not a value (a C string would otherwise make a BOOL true).
    explicit CMC_BasicValue(const char* n) : CMC_BasicValue(CXString(n)) {}
    CMC_BasicValue(const CXString& n, int poolSlot) : CMC_Variable(n, TypeId, poolSlot), value(), defaultValue() {}
    // Named "temp"; value and default v.
    explicit CMC_BasicValue(T v) : CMC_Variable(CXString("temp"), TypeId), value(v), defaultValue(v) {}

protected:
    // "VALUE", and "DEFAULT" when it is not empty (else the value), read
    // with the record's getter of this type.
    using Getter = T (CMElement::*)(const CXString&) const;
    CMC_BasicValue(CMC_ObjectsContainer* c, CMElement* e, Getter get)
        : CMC_Variable(c, e, TypeId), value(), defaultValue()
    {
        if (!e)
            return;
        value = (e->*get)(CXString("VALUE"));
        defaultValue = e->getPropertyValue(CXString("DEFAULT")).IsString() ? (e->*get)(CXString("DEFAULT")) : value;
    }

    // A temporary of this type holding combine(this value, other read as
    // this type); the other is given back. An other without this type's
    // form leaves the value alone.
    template <class Combine>
    CMC_Variable* combined(CMC_Variable* other, Combine combine)
    {
        Self* result = Self::alloc();
        CMC_Variable* c = converted(other, TypeId);
        T r = value;
        if (c) {
            r = combine(value, static_cast<CMC_BasicValue*>(c)->value);
            // Only a temporary has a pool to go back to.
            if (c->getId() >= 0)
                flush(c);
        }
        result->setValue(r);
        return result;
    }

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
class CMC_Integer : public CMC_BasicValue<int, MC_INTEGER, CMC_Integer> {
public:
    using CMC_BasicValue::CMC_BasicValue;
    CMC_Integer(CMC_ObjectsContainer* container, CMElement* element)
        : CMC_BasicValue(container, element, &CMElement::getPropertyIntValue)
    {
    }
    static CMC_Integer* alloc() { return CMC_VariableFactory::allocInteger(); }

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

    // Wrapping 32-bit arithmetic; the quotient and remainder rules above.
    static int add(int a, int b) { return int(unsigned(a) + unsigned(b)); }
    static int sub(int a, int b) { return int(unsigned(a) - unsigned(b)); }
    static int mul(int a, int b) { return int(unsigned(a) * unsigned(b)); }
    static int div(int a, int b);
    static int mod(int a, int b);
};

// Script DOUBLE (type id 4).
class CMC_Double : public CMC_BasicValue<double, MC_DOUBLE, CMC_Double> {
public:
    using CMC_BasicValue::CMC_BasicValue;
    CMC_Double(CMC_ObjectsContainer* container, CMElement* element)
        : CMC_BasicValue(container, element, &CMElement::getPropertyDoubleValue)
    {
    }
    static CMC_Double* alloc() { return CMC_VariableFactory::allocDouble(); }

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

    // Half away from zero (2.5 gives 3, -2.5 gives -3); saturates at the
    // int range, NaN gives 0.
    static int round(double v);
    // Cut toward zero, saturating at the int range; NaN gives 0.
    static int truncate(double v);
};

// Script BOOL (type id 3). ADD is the logical AND and MULTIPLY the OR; inc,
// dec and swap negate.
class CMC_Bool : public CMC_BasicValue<bool, MC_BOOL, CMC_Bool> {
public:
    using CMC_BasicValue::CMC_BasicValue;
    CMC_Bool(CMC_ObjectsContainer* container, CMElement* element)
        : CMC_BasicValue(container, element, &CMElement::getPropertyBoolValue)
    {
    }
    static CMC_Bool* alloc() { return CMC_VariableFactory::allocBool(); }

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

private:
    void negate();
};

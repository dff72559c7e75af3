#include "script/String.h"

#include "base/Archive.h"
#include "script/Element.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <cstring>

CMC_String::CMC_String(const CXString& n) : CMC_Variable(n, MC_STRING) {}

CMC_String::CMC_String(const CXString& n, int poolSlot) : CMC_Variable(n, MC_STRING, poolSlot) {}

CMC_String::CMC_String(const CXString& n, const CXString& text)
    : CMC_Variable(n, MC_STRING), value(text), defaultValue(text)
{
}

CMC_String::CMC_String(CMC_ObjectsContainer* c, CMElement* e) : CMC_Variable(c, e, MC_STRING)
{
    if (!e)
        return;
    value = e->getPropertyValue(CXString("VALUE"));
    CXString def = e->getPropertyValue(CXString("DEFAULT"));
    defaultValue = def.IsString() ? def : value;
}

void CMC_String::setValue(const CXString& text)
{
    value = text;
    onChange(false);
}

bool CMC_String::textOf(CMC_Variable* other, CXString* out)
{
    CMC_Variable* c = converted(other, MC_STRING);
    if (!c)
        return false;
    *out = static_cast<CMC_String*>(c)->value;
    releaseConverted(c, other);
    return true;
}

void CMC_String::set(CMC_Variable* other)
{
    CXString old = value;
    CXString text;
    if (textOf(other, &text))
        value = text;
    onChange(old != value);
}

void CMC_String::clear()
{
    bool changed = value.IsString();
    value = "";
    onChange(changed);
}

void CMC_String::swap(CMC_Variable* a, CMC_Variable* b)
{
    CXString old = value;
    if (a && b)
        value = a->toString() == value ? b->toString() : a->toString();
    onChange(old != value);
}

bool CMC_String::equals(CMC_Variable* other)
{
    CXString text;
    return textOf(other, &text) && value.equalsIgnoreCase(text);
}

int CMC_String::compare(CMC_Variable* other)
{
    CXString text;
    if (!textOf(other, &text))
        return -1;
    int a = value.getLength();
    int b = text.getLength();
    int n = a < b ? a : b;
    int r = n > 0 ? std::memcmp(value.c_str(), text.c_str(), size_t(n)) : 0;
    if (r == 0)
        r = a - b;
    return r == 0 ? 0 : (r < 0 ? -1 : 1);
}

CMC_String* CMC_String::temporary(const CXString& text)
{
    CMC_String* t = CMC_VariableFactory::allocString();
    t->setValue(text);
    return t;
}

// The text is read before the string is given back, so nothing depends on
// the pool leaving it alone.
CMC_Variable* CMC_String::convert(int type)
{
    if (type == MC_STRING)
        return this;
    if (type < MC_INTEGER || type > MC_DOUBLE)
        return nullptr;
    CXString text = value;
    flush(this);
    if (type == MC_INTEGER)
        return CMC_Integer::temporary(text.toNumber());
    if (type == MC_BOOL)
        return CMC_Bool::temporary(text.toBool());
    return CMC_Double::temporary(text.toDouble());
}

// The other is given back even when it is a string itself.
CMC_Variable* CMC_String::calculate(CMC_Variable* other, int op)
{
    CMC_String* result = CMC_VariableFactory::allocString();
    CMC_Variable* c = converted(other, MC_STRING);
    CXString text = value;
    if (op == 1 && c)
        text += static_cast<CMC_String*>(c)->value;
    flush(c);
    result->setValue(text);
    return result;
}

void CMC_String::setDefault(CMC_Variable* other)
{
    CXString text;
    if (textOf(other, &text))
        defaultValue = text;
}

void CMC_String::resetINI()
{
    if (!toIni)
        return;
    value = defaultValue;
    onChange(true);
}

void CMC_String::netstore(void* buffer)
{
    unsigned char* b = static_cast<unsigned char*>(buffer);
    putLE32(b, MC_STRING);
    int n = value.getLength();
    if (n > 0)
        std::memcpy(b + 4, value.c_str(), size_t(n));
    b[4 + n] = 0;
}

bool CMC_String::netrestore(const void* buffer, int length)
{
    if (!buffer || length < 4)
        return false;
    const char* text = static_cast<const char*>(buffer) + 4;
    int n = 0;
    while (n < length - 4 && text[n])
        ++n;
    value = CXString(text, n);
    return true;
}

void CMC_String::store(CXArchive* ar)
{
    *ar << uint32_t(MC_STRING) << value;
}

void CMC_String::restore(CXArchive* ar) { *ar >> &value; }

CXObject* CMC_String::clone()
{
    CMC_String* copy = new CMC_String(name, value);
    copy->markAsClone();
    return copy;
}

void CMC_String::serialize(CXArchive* ar)
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

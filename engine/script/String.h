#pragma once
#include "script/Variable.h"

// Script STRING (type id 2): a text and the default that resetINI restores.
// Its toString() is the text; the name is getName().
class CMC_String : public CMC_Variable {
public:
    explicit CMC_String(const CXString& name);
    CMC_String(const CXString& name, int poolSlot);
    // Value and default both text.
    CMC_String(const CXString& name, const CXString& text);
    // "VALUE" (empty when absent); "DEFAULT" when it is not empty, else the value.
    CMC_String(CMC_ObjectsContainer* container, CMElement* element);

    CXString getValue() const { return value; }
    // The text itself, for reading in place.
    const CXString& getText() const { return value; }
    CXString getDefaultValue() const { return defaultValue; }
    // Reported as an assignment, changed or not.
    void setValue(const CXString& text);

    // Other values are taken in their text form.
    void set(CMC_Variable* other) override;
    void clear() override;
    // Takes b's text when the text equals a's, else a's; a and b are read
    // through their toString(), nothing is converted.
    void swap(CMC_Variable* a, CMC_Variable* b) override;
    // Nothing.
    void inc() override {}
    void dec() override {}
    // Equal ignoring case (code page 1250).
    bool equals(CMC_Variable* other) override;
    // Byte order, case counting, a prefix first.
    int compare(CMC_Variable* other) override;
    using CMC_Variable::compare;
    using CMC_Variable::equals;
    // To INTEGER and DOUBLE as atoi and atof read the text; to BOOL true
    // only for "true" in any case.
    CMC_Variable* convert(int typeId) override;
    // Op 1 appends the other's text; every other op copies this text.
    CMC_Variable* calculate(CMC_Variable* other, int op) override;
    void setDefault(CMC_Variable* other) override;
    void resetINI() override;
    int getBufferLen() override { return value.getLength() + 5; }
    void netstore(void* buffer) override;
    // The text up to its NUL, or up to the end of the buffer.
    bool netrestore(const void* buffer, int length) override;
    void store(CXArchive* archive) override;
    void restore(CXArchive* archive) override;
    void fromString(const CXString& text) override { value = text; }
    CXString toString() override { return value; }
    // A plain copy named like this one, marked as a clone; its default is
    // the copied text.
    CXObject* clone() override;
    using CMC_Object::clone;
    void serialize(CXArchive* archive) override;

    // A pooled temporary holding text.
    static CMC_String* temporary(const CXString& text);

    // Upper-cases the text in place; no report.
    virtual void upper() { value.Upper(); }

private:
    // The other's text; false when it has none.
    static bool textOf(CMC_Variable* other, CXString* out);

    CXString value;
    CXString defaultValue;
};

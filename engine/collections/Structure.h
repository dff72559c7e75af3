#pragma once
#include "script/Runner.h"
#include "script/Variable.h"

// Script STRUCTURE (type id 3002, definition word "STRUCT"): a record of
// named fields, each a basic value (INTEGER, DOUBLE, BOOL, STRING) that the
// structure owns. A field of the structure S declared as X is the variable
// S_X; lookups by name compare the short name, the part after the last '_'.
// The structure has no value of its own: its value operations act on every
// field in order, and its text form is the fields' texts joined by '|'.
//
// A structure can be made a view of another's fields (map): it then shares
// the other's field variables and never deletes them. The database's cursor
// is such a view of the selected row.
//
// Positions and names that no field has are ignored: setField does nothing,
// getField gives null, and copies between structures of different sizes
// take the shorter one's count.
class CMC_Structure : public CMC_Variable {
public:
    // The fields of "FIELDS": declarations "NAME<TYPE>" separated by commas.
    CMC_Structure(CMC_ObjectsContainer* container, CMElement* element);
    // No fields (clones and the database's cursor).
    explicit CMC_Structure(const CXString& name);
    ~CMC_Structure() override;
    CMC_Structure(const CMC_Structure&) = delete;
    CMC_Structure& operator=(const CMC_Structure&) = delete;

    CXString** getBehavioursList() override;
    // A new structure with this name, owning copies of the fields.
    CXObject* clone() override;
    using CMC_Object::clone;
    // The fields' texts joined by '|'; empty without fields.
    CXString toString() override;

    // Copies another structure's values by position.
    void set(CMC_Variable* other) override;
    void clear() override;
    // The same values by position (names not compared); a structure
    // without fields equals every structure.
    bool equals(CMC_Variable* other) override;
    int compare(CMC_Variable*) override { return 0; }
    CMC_Variable* convert(int) override { return nullptr; }
    CMC_Variable* calculate(CMC_Variable*, int) override { return this; }
    void setDefault(CMC_Variable* value) override;
    void resetINI() override;
    int getBufferLen() override { return 0; }
    // Every field's typed value in order.
    void store(CXArchive* archive) override;
    // Every field's value part in order.
    void restore(CXArchive* archive) override;
    // Values split at '|' and line feed (empty pieces skipped) into the
    // fields in order; fields without a piece keep their values.
    void fromString(const CXString& text) override;
    using CMC_Variable::compare;
    using CMC_Variable::equals;

    // Deletes the own fields (not borrowed ones) and empties the list.
    virtual void flush();
    // Appends a field of the type word (BOOL, DOUBLE, INTEGER, STRING, any
    // case) under the full name; another word declares nothing.
    virtual void declare(const CXString& name, const CXString& type);
    // Makes this structure a view of other's fields.
    virtual void map(CMC_Structure* other);
    // The fields' count, then each field's full name and typed value: what
    // a snapshot record leaves out. Reading replaces the fields.
    void serializeFields(CXArchive* archive);
    using CMC_Object::flush;

    int getFieldCount() const { return fields->getSize(); }
    // Null outside 0 .. count - 1.
    CMC_Variable* getField(int position);
    // The first field whose short name is exactly name; null when none.
    CMC_Variable* getField(const CXString& name);
    void setField(int position, CMC_Variable* value);
    void setField(const CXString& name, CMC_Variable* value);
    bool isBorrowed() const { return borrowed; }

    // The part of a variable name after its last '_'.
    static CXString shortName(const CXString& fullName);
    // The structure a method argument stands for: a structure passed
    // itself, or the one its text names from the container (and its
    // parents); null for anything else.
    static CMC_Structure* named(CMC_Variable* argument, CMC_ObjectsContainer* container);

private:
    void declareType(const CXString& name, int typeId);

    CXVector* fields;
    bool borrowed;
};

// The methods of structures: SET (from another structure by name, or values
// by position), SETFIELD (name, value) and GETFIELD (position or name; a
// pooled copy of the field's value).
class CMC_Structure_Runner : public CMC_Runner {
public:
    enum { SET = 1, SETFIELD = 2, GETFIELD = 3 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};

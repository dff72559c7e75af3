#pragma once
#include "script/Object.h"

#include <cstdint>

class CFile;
class CMC_ObjectsContainer;
class CMC_String;
class CMC_Variable;

// Script ARRAY (type id 3001): an ordered list of script values of any
// basic type, mixed freely. The array owns its elements, each a copy of the
// value it was given; get() lends the element itself. A marker steps
// through the elements. With "SENDONCHANGE" set, a changed element raises
// "ONCHANGED^" and its index, or "ONCHANGED" when no behaviour takes that.
//
// The script methods (CMC_Array_Runner) check indices before calling the
// element operations; the operations themselves also ignore indices outside
// the list, so a bad index from any caller changes nothing.
//
// Two stored forms: the array file (little-endian: int32 count, then each
// element's typed record) and a line of the title's settings file (the
// element texts joined by ',').
class CMC_Array : public CMC_Object {
public:
    // Reads "SENDONCHANGE" and binds the record's events.
    CMC_Array(CMC_ObjectsContainer* container, CMElement* element);
    // An empty array without behaviours (snapshots, clones).
    CMC_Array(CMC_ObjectsContainer* container, const CXString& name);
    ~CMC_Array() override;
    CMC_Array(const CMC_Array&) = delete;
    CMC_Array& operator=(const CMC_Array&) = delete;

    // The element itself; null outside the list.
    virtual CMC_Variable* get(int index);
    // Appends a copy. A value that cannot be copied (no copy, or the value
    // itself as its copy) is not taken.
    virtual void add(CMC_Variable* value);
    // Appends the strings name_first .. name_last.
    virtual void addClones(const CXString& name, int first, int last);
    // 0 <= index <= size.
    virtual void insertAt(int index, CMC_Variable* value);
    virtual void changeAt(int index, CMC_Variable* value);
    virtual void removeAt(int index);
    // Deletes every element; the marker stays where it was.
    virtual void removeAll();
    // Removes the first element equal to value.
    virtual void remove(CMC_Variable* value);
    virtual bool contains(CMC_Variable* value);
    virtual int find(CMC_Variable* value);
    // The indices of the elements equal to value, ascending, into out
    // (room for getSize() entries); returns how many.
    virtual int findAll(CMC_Variable* value, int* out);
    virtual int reversefind(CMC_Variable* value);
    virtual void saveINI();
    // Replaces the elements with STRINGs read from the settings line.
    virtual void loadINI();
    virtual int getSize();
    // Move the marker by step with wrap-around and return the element
    // there; null (marker unchanged) on an empty array.
    virtual CMC_Variable* prev(int step);
    virtual CMC_Variable* next(int step);
    virtual void resetMarker() { marker = -1; }
    virtual int getMarkerPos() { return marker; }
    // Clamped to -1 .. size - 1.
    virtual void setMarkerPos(int position);
    // Every element combined with value by its own arithmetic.
    virtual void sum(CMC_Variable* value);
    virtual void sub(CMC_Variable* value);
    virtual void mul(CMC_Variable* value);
    virtual void div(CMC_Variable* value);
    // Elements first..last (clamped to the list) combined with the object
    // that s names in the array's container: with the element of the same
    // index when it is an array (indices it lacks are left alone), with its
    // value when it is a script value; nothing when s names neither.
    virtual void suma(CMC_String* s, int first, int last);
    virtual void suba(CMC_String* s, int first, int last);
    virtual void mula(CMC_String* s, int first, int last);
    virtual void diva(CMC_String* s, int first, int last);
    // One element combined with value (5: remainder).
    virtual void mulat(int index, CMC_Variable* value);
    virtual void divat(int index, CMC_Variable* value);
    virtual void addat(int index, CMC_Variable* value);
    virtual void subat(int index, CMC_Variable* value);
    virtual void modat(int index, CMC_Variable* value);
    virtual void swap(int i, int j);
    // Stable; descending is the ascending order reversed.
    virtual void sort(bool ascending);
    // Replaces the elements with those of the file. A file that cannot be
    // opened leaves the array empty; a damaged one (a bad count or type, a
    // record cut short) leaves the elements as they were.
    virtual void load(const CXString& fileName);
    // Writes a new file beside the old one and puts it in the old one's
    // place only when it is complete.
    virtual void save(const CXString& fileName);
    // The reading part of load, from an open file; false (and the elements
    // as they were) for a damaged file.
    bool loadFrom(CFile* file);
    // Same size and every element equal to the other's at its index.
    virtual bool compareArr(CMC_Array* other);

    // "cloned": copies of the elements, no behaviours; the caller owns it.
    CXObject* clone() override;
    using CMC_Object::clone;
    // The element texts joined by ','.
    CXString toString() override;
    CXString** getBehavioursList() override;
    // The object record, then SENDONCHANGE as one byte; no elements.
    void serialize(CXArchive* archive) override;

    // Move every element one place; the element that falls off comes back
    // at the other end reset to its type's empty value ("NULL" for a STRING).
    void shiftLeft();
    void shiftRight();
    void rotateLeft();
    void rotateRight();
    CXArray* getElements() { return elements; }

    // The marker arithmetic, shared with the group's marker: a marker moved
    // by step over size (> 0) entries with a true modulo, so that any step,
    // and a marker left beyond the end by removals, lands on an entry; and a
    // position clamped to -1 .. size - 1.
    static int movedMarker(int marker, int64_t step, int size);
    static int clampedMarker(int position, int size);

    bool isSendOnChange() const { return sendOnChange; }
    void setSendOnChange(bool on) { sendOnChange = on; }

private:
    // Takes ownership of element and raises the change event of add.
    void append(CMC_Variable* element);
    void arithmetic(int index, CMC_Variable* value, int op);
    void arithmeticAll(CMC_Variable* value, int op);
    void rangeArithmetic(CMC_String* s, int first, int last, int op);
    void changedAll();
    void deleteAll();
    void onChanged(int index);

    CXArray* elements;
    int marker;
    bool sendOnChange;
};

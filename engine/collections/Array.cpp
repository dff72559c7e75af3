#include "collections/Array.h"

#include "base/Archive.h"
#include "base/Config.h"
#include "base/File.h"
#include "base/ReplacingFile.h"
#include "base/StringTokenizer.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/Runner.h"
#include "script/String.h"
#include "script/TypeRegistry.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <vector>

namespace {

enum { OP_ADD = 1, OP_SUB = 2, OP_MUL = 3, OP_DIV = 4, OP_MOD = 5 };

// Every record of the array file holds at least a type id and 4 bytes.
const int minRecordSize = 8;

CMC_Object* makeArray(CMC_ObjectsContainer* container, CMElement* element)
{
    return new CMC_Array(container, element);
}

// ADDTOARRAY: only script values can be elements.
void addMember(CMC_Object* array, CMC_Object* member)
{
    if (member && CMC_Variable::isVariableType(member->getType()))
        static_cast<CMC_Array*>(array)->add(static_cast<CMC_Variable*>(member));
}

struct Registration {
    Registration()
    {
        CMC_TypeRegistry::registerType(CXString("ARRAY"), 3, &makeArray);
        CMC_Runner::setMemberAdder(MC_ARRAY, &addMember);
    }
} registration;

CMC_Variable* variableAt(CXArray* list, int i) { return static_cast<CMC_Variable*>(list->at(i)); }

// A copy of a value that the array may own: null when the value has none,
// or gives itself as its copy (such an object belongs elsewhere).
CMC_Variable* ownCopy(CMC_Variable* value)
{
    if (!value || isStopValue(value))
        return nullptr;
    CXObject* copy = value->clone();
    if (copy == value)
        return nullptr;
    return static_cast<CMC_Variable*>(copy);
}

// The operand of a pass over many elements, held as a plain copy: a pooled
// operand would be given back by the first conversion and could be reused
// by the temporaries of later elements.
class Operand {
public:
    explicit Operand(CMC_Variable* value) : copy(ownCopy(value)) {}
    ~Operand() { delete copy; }
    Operand(const Operand&) = delete;
    Operand& operator=(const Operand&) = delete;
    CMC_Variable* get() const { return copy; }

private:
    CMC_Variable* copy;
};

} // namespace

CMC_Array::CMC_Array(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_ARRAY), elements(new CXArray(101, 0.75f)), marker(-1),
      sendOnChange(element && element->getPropertyBoolValue(CXString("SENDONCHANGE")))
{
    initializeBehaviours(container, element);
}

CMC_Array::CMC_Array(CMC_ObjectsContainer* container, const CXString& n)
    : CMC_Object(n, MC_ARRAY), elements(new CXArray(101, 0.75f)), marker(-1), sendOnChange(false)
{
    scene = container;
}

CMC_Array::~CMC_Array()
{
    deleteAll();
    delete elements;
}

void CMC_Array::deleteAll()
{
    // Emptied first, so that nothing reaches an element being deleted.
    std::vector<CMC_Variable*> old;
    for (int i = 0; i < elements->getSize(); ++i)
        old.push_back(variableAt(elements, i));
    elements->removeAll();
    for (CMC_Variable* v : old)
        delete v;
}

void CMC_Array::onChanged(int index)
{
    if (!sendOnChange || !isEventBound(3))
        return;
    if (!onSignal(CXString("ONCHANGED^") + CXString::toString(index)))
        onSignal(CXString("ONCHANGED"));
}

void CMC_Array::changedAll()
{
    // A behaviour run by the event may change the size.
    for (int i = 0; i < elements->getSize(); ++i)
        onChanged(i);
}

CMC_Variable* CMC_Array::get(int index)
{
    if (index < 0 || index >= elements->getSize())
        return nullptr;
    return variableAt(elements, index);
}

int CMC_Array::getSize() { return elements->getSize(); }

// The event names the element before the new one, as the titles expect.
void CMC_Array::append(CMC_Variable* element)
{
    elements->add(element);
    onChanged(elements->getSize() - 2);
}

void CMC_Array::add(CMC_Variable* value)
{
    CMC_Variable* copy = ownCopy(value);
    if (copy)
        append(copy);
}

void CMC_Array::addClones(const CXString& n, int first, int last)
{
    for (int64_t i = first; i <= last; ++i)
        append(new CMC_String(CXString("temp"), n + "_" + CXString::toString(int(i))));
}

void CMC_Array::insertAt(int index, CMC_Variable* value)
{
    if (index < 0 || index > elements->getSize())
        return;
    CMC_Variable* copy = ownCopy(value);
    if (!copy)
        return;
    elements->insertAt(index, copy);
    onChanged(index);
}

void CMC_Array::changeAt(int index, CMC_Variable* value)
{
    if (index < 0 || index >= elements->getSize())
        return;
    CMC_Variable* copy = ownCopy(value);
    if (!copy)
        return;
    delete static_cast<CMC_Variable*>(elements->setAt(index, copy));
    onChanged(index);
}

void CMC_Array::removeAt(int index)
{
    delete static_cast<CMC_Variable*>(elements->takeAt(index));
}

void CMC_Array::removeAll() { deleteAll(); }

void CMC_Array::remove(CMC_Variable* value) { removeAt(find(value)); }

bool CMC_Array::contains(CMC_Variable* value) { return find(value) >= 0; }

// The searches compare with a copy of the value (see Operand).
int CMC_Array::find(CMC_Variable* value)
{
    Operand operand(value);
    for (int i = 0; i < elements->getSize(); ++i)
        if (variableAt(elements, i)->equals(operand.get()))
            return i;
    return -1;
}

int CMC_Array::reversefind(CMC_Variable* value)
{
    Operand operand(value);
    for (int i = elements->getSize() - 1; i >= 0; --i)
        if (variableAt(elements, i)->equals(operand.get()))
            return i;
    return -1;
}

int CMC_Array::findAll(CMC_Variable* value, int* out)
{
    Operand operand(value);
    int n = 0;
    for (int i = 0; i < elements->getSize(); ++i)
        if (variableAt(elements, i)->equals(operand.get()))
            out[n++] = i;
    return n;
}

int CMC_Array::movedMarker(int marker, int64_t step, int size)
{
    int64_t m = (int64_t(marker) + step) % size;
    if (m < 0)
        m += size;
    return int(m);
}

int CMC_Array::clampedMarker(int position, int size)
{
    int last = size - 1;
    int m = position > last ? last : position;
    return m < -1 ? -1 : m;
}

CMC_Variable* CMC_Array::next(int step)
{
    if (elements->getSize() == 0)
        return nullptr;
    marker = movedMarker(marker, step, elements->getSize());
    return variableAt(elements, marker);
}

CMC_Variable* CMC_Array::prev(int step)
{
    if (elements->getSize() == 0)
        return nullptr;
    marker = movedMarker(marker, -int64_t(step), elements->getSize());
    return variableAt(elements, marker);
}

void CMC_Array::setMarkerPos(int position) { marker = clampedMarker(position, elements->getSize()); }

void CMC_Array::arithmetic(int index, CMC_Variable* value, int op)
{
    CMC_Variable* e = get(index);
    if (!e)
        return;
    CMC_Variable* r = e->calculate(value, op);
    if (r && !isStopValue(r)) {
        e->set(r);
        CMC_Object::flush(r);
    }
    onChanged(index);
}

void CMC_Array::arithmeticAll(CMC_Variable* value, int op)
{
    Operand operand(value);
    for (int i = 0; i < elements->getSize(); ++i)
        arithmetic(i, operand.get(), op);
}

void CMC_Array::sum(CMC_Variable* value) { arithmeticAll(value, OP_ADD); }
void CMC_Array::sub(CMC_Variable* value) { arithmeticAll(value, OP_SUB); }
void CMC_Array::mul(CMC_Variable* value) { arithmeticAll(value, OP_MUL); }
void CMC_Array::div(CMC_Variable* value) { arithmeticAll(value, OP_DIV); }

void CMC_Array::rangeArithmetic(CMC_String* s, int first, int last, int op)
{
    CMC_Object* named = s && scene ? scene->getObject(s->getValue()) : nullptr;
    if (!named)
        return;
    if (first < 0)
        first = 0;
    if (named->getType() == MC_ARRAY) {
        CMC_Array* other = static_cast<CMC_Array*>(named);
        for (int i = first; i <= last && i < elements->getSize(); ++i) {
            // A copy, since the other array may be this one.
            Operand operand(other->get(i));
            if (operand.get())
                arithmetic(i, operand.get(), op);
        }
    } else if (CMC_Variable::isVariableType(named->getType())) {
        Operand operand(static_cast<CMC_Variable*>(named));
        for (int i = first; i <= last && i < elements->getSize(); ++i)
            arithmetic(i, operand.get(), op);
    }
}

void CMC_Array::suma(CMC_String* s, int first, int last) { rangeArithmetic(s, first, last, OP_ADD); }
void CMC_Array::suba(CMC_String* s, int first, int last) { rangeArithmetic(s, first, last, OP_SUB); }
void CMC_Array::mula(CMC_String* s, int first, int last) { rangeArithmetic(s, first, last, OP_MUL); }
void CMC_Array::diva(CMC_String* s, int first, int last) { rangeArithmetic(s, first, last, OP_DIV); }

void CMC_Array::mulat(int index, CMC_Variable* value) { arithmetic(index, value, OP_MUL); }
void CMC_Array::divat(int index, CMC_Variable* value) { arithmetic(index, value, OP_DIV); }
void CMC_Array::addat(int index, CMC_Variable* value) { arithmetic(index, value, OP_ADD); }
void CMC_Array::subat(int index, CMC_Variable* value) { arithmetic(index, value, OP_SUB); }
void CMC_Array::modat(int index, CMC_Variable* value) { arithmetic(index, value, OP_MOD); }

void CMC_Array::swap(int i, int j)
{
    int n = elements->getSize();
    if (i < 0 || i >= n || j < 0 || j >= n)
        return;
    void* a = elements->at(i);
    elements->setAt(i, elements->at(j));
    elements->setAt(j, a);
    onChanged(i);
    onChanged(j);
}

// Each element goes before the first placed element that compares greater
// (that element's comparison, the other converted to its type), so equal
// elements keep their order; descending reverses the whole result.
void CMC_Array::sort(bool ascending)
{
    int n = elements->getSize();
    std::vector<CMC_Variable*> placed;
    placed.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        CMC_Variable* e = variableAt(elements, i);
        size_t at = placed.size();
        for (size_t k = 0; k < placed.size(); ++k)
            if (placed[k]->compare(e) > 0) {
                at = k;
                break;
            }
        placed.insert(placed.begin() + long(at), e);
    }
    for (int i = 0; i < n; ++i)
        elements->setAt(i, placed[size_t(ascending ? i : n - 1 - i)]);
}

namespace {

// The empty value of an element's basic type, through its own assignment.
void resetElement(CMC_Variable* e)
{
    CMC_Variable* empty = nullptr;
    switch (e->getType()) {
    case MC_INTEGER: empty = CMC_Integer::temporary(0); break;
    case MC_STRING: empty = CMC_String::temporary(CXString("NULL")); break;
    case MC_BOOL: empty = CMC_Bool::temporary(false); break;
    case MC_DOUBLE: empty = CMC_Double::temporary(0.0); break;
    default: return;
    }
    e->set(empty);
    CMC_Object::flush(empty);
}

} // namespace

void CMC_Array::shiftLeft()
{
    CMC_Variable* e = static_cast<CMC_Variable*>(elements->takeAt(0));
    if (!e)
        return;
    resetElement(e);
    elements->add(e);
    changedAll();
}

void CMC_Array::shiftRight()
{
    CMC_Variable* e = static_cast<CMC_Variable*>(elements->takeAt(elements->getSize() - 1));
    if (!e)
        return;
    resetElement(e);
    elements->insertAt(0, e);
    changedAll();
}

void CMC_Array::rotateLeft()
{
    void* e = elements->takeAt(0);
    if (!e)
        return;
    elements->add(e);
    changedAll();
}

void CMC_Array::rotateRight()
{
    void* e = elements->takeAt(elements->getSize() - 1);
    if (!e)
        return;
    elements->insertAt(0, e);
    changedAll();
}

bool CMC_Array::compareArr(CMC_Array* other)
{
    if (!other || other->getSize() != getSize())
        return false;
    for (int i = 0; i < getSize(); ++i)
        if (!variableAt(elements, i)->equals(other->get(i)))
            return false;
    return true;
}

CXObject* CMC_Array::clone()
{
    CMC_Array* copy = new CMC_Array(scene, CXString("cloned"));
    for (int i = 0; i < elements->getSize(); ++i) {
        CMC_Variable* e = ownCopy(variableAt(elements, i));
        if (e)
            copy->elements->add(e);
    }
    return copy;
}

CXString CMC_Array::toString()
{
    CXString text;
    for (int i = 0; i < elements->getSize(); ++i) {
        if (i)
            text += ',';
        text += variableAt(elements, i)->toString();
    }
    return text;
}

CXString** CMC_Array::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", "ONCHANGED", nullptr};
    return makeEventList(names);
}

void CMC_Array::serialize(CXArchive* ar)
{
    if (!ar)
        return;
    CMC_Object::serialize(ar);
    if (ar->isStoring())
        *ar << sendOnChange;
    else
        *ar >> &sendOnChange;
}

void CMC_Array::saveINI()
{
    CConfig* config = CMC_Variable::getSettings(scene);
    if (config)
        config->PutString(scene->getName(), name, toString());
}

void CMC_Array::loadINI()
{
    CConfig* config = CMC_Variable::getSettings(scene);
    CXString line = config ? config->GetString(scene->getName(), name) : CXString();
    deleteAll();
    // The tokenizer drops empty fields.
    CStringTokenizer fields(line, CXString(","));
    while (fields.hasMoreTokens())
        elements->add(new CMC_String(CXString("temp"), fields.nextToken()));
}

// The elements go to a new file that replaces the old one only once it is
// complete: a failed or interrupted save leaves the old file as it was.
void CMC_Array::save(const CXString& fileName)
{
    CReplacingFile file;
    if (file.Open(scene ? scene->getWindow() : nullptr, fileName,
                  CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY) != 0)
        return;
    CXArchive ar(&file, true);
    ar << elements->getSize();
    for (int i = 0; i < elements->getSize(); ++i)
        variableAt(elements, i)->store(&ar);
    if (ar.LastError() == 0)
        file.commit();
}

void CMC_Array::load(const CXString& fileName)
{
    CFile file(scene ? scene->getWindow() : nullptr, fileName, 0x11);
    if (file.LastError()) {
        deleteAll();
        return;
    }
    loadFrom(&file);
}

// Read whole before anything changes, so that a damaged file costs nothing.
bool CMC_Array::loadFrom(CFile* file)
{
    CXArchive ar(file, false);
    int count = 0;
    ar >> &count;
    bool ok = !ar.LastError() && count >= 0 && count <= (file->Length() - 4) / minRecordSize;
    std::vector<CMC_Variable*> read;
    for (int i = 0; ok && i < count; ++i) {
        CMC_Variable* value = CMC_VariableFactory::restore(&ar);
        CMC_Variable* copy = ownCopy(value);
        CMC_Object::flush(value);
        if (copy)
            read.push_back(copy);
        else
            ok = false;
    }
    if (!ok) {
        for (CMC_Variable* v : read)
            delete v;
        return false;
    }
    deleteAll();
    for (CMC_Variable* v : read)
        append(v);
    return true;
}

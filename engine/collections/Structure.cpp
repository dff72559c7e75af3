#include "collections/Structure.h"

#include "base/Archive.h"
#include "base/LoadBounds.h"
#include "base/StringTokenizer.h"
#include "script/BehaviourEntry.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/TypeRegistry.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

namespace {

CMC_Object* makeStructure(CMC_ObjectsContainer* container, CMElement* element)
{
    return new CMC_Structure(container, element);
}

CMC_RegisterType typeRegistration("STRUCT", 3, &makeStructure);
CMC_RegisterRunner<CMC_Structure_Runner> runnerRegistration({MC_STRUCTURE});

int fieldType(const CXString& word)
{
    static const struct {
        const char* word;
        int type;
    } words[] = {{"BOOL", MC_BOOL}, {"DOUBLE", MC_DOUBLE}, {"INTEGER", MC_INTEGER}, {"STRING", MC_STRING}};
    for (const auto& w : words)
        if (word.equalsIgnoreCase(CXString(w.word)))
            return w.type;
    return 0;
}

CMC_Variable* fieldAt(CXVector* fields, int i) { return static_cast<CMC_Variable*>(fields->at(i)); }

// Statements read and write STRUCT|FIELD through this: the field variable
// itself, found by its short name.
CMC_Variable* fieldOf(CMC_Object* structure, const CXString& field)
{
    return static_cast<CMC_Structure*>(structure)->getField(field);
}
struct InstallFieldAccessor {
    InstallFieldAccessor() { CMC_Behaviour_Entry::setFieldAccessor(&fieldOf); }
} installFieldAccessor;

} // namespace

// The variable base's record constructor would bind the events while the
// object is still a plain variable, with the variable's event list; they
// are bound here so that the structure's own list is the one used.
CMC_Structure::CMC_Structure(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Variable(element ? element->getName() : CXString(), MC_STRUCTURE), fields(new CXVector(101, 0.75f)),
      borrowed(false)
{
    scene = container;
    if (element) {
        toIni = element->getPropertyBoolValue(CXString("TOINI"));
        netNotify = toIni || element->getPropertyBoolValue(CXString("NETNOTIFY"));
    }
    initializeBehaviours(container, element);
    if (!element)
        return;
    CStringTokenizer declarations(element->getPropertyValue(CXString("FIELDS")), CXString(","));
    while (declarations.hasMoreTokens()) {
        CXString declaration = declarations.nextToken();
        // NAME<TYPE>: both brackets, in that order.
        int open = declaration.Find('<');
        int close = declaration.Find('>');
        if (open < 0 || close < open)
            continue;
        declare(name + "_" + declaration.Left(open), declaration.Mid(open + 1, close));
    }
}

CMC_Structure::CMC_Structure(const CXString& n)
    : CMC_Variable(n, MC_STRUCTURE), fields(new CXVector(101, 0.75f)), borrowed(false)
{
}

CMC_Structure::~CMC_Structure()
{
    flush();
    delete fields;
}

CXString** CMC_Structure::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", nullptr};
    return makeEventList(names);
}

void CMC_Structure::declareType(const CXString& fullName, int typeId)
{
    CMC_Variable* field = nullptr;
    switch (typeId) {
    case MC_BOOL: field = new CMC_Bool(fullName); break;
    case MC_DOUBLE: field = new CMC_Double(fullName); break;
    case MC_INTEGER: field = new CMC_Integer(fullName); break;
    case MC_STRING: field = new CMC_String(fullName); break;
    default: return;
    }
    fields->add(field);
}

void CMC_Structure::declare(const CXString& fullName, const CXString& type) { declareType(fullName, fieldType(type)); }

void CMC_Structure::flush()
{
    if (!borrowed)
        for (int i = 0; i < fields->getSize(); ++i)
            delete fieldAt(fields, i);
    fields->removeAll();
}

void CMC_Structure::map(CMC_Structure* other)
{
    if (!other || other == this)
        return;
    flush();
    for (int i = 0; i < other->fields->getSize(); ++i)
        fields->add(other->fields->at(i));
    borrowed = true;
}

void CMC_Structure::serializeFields(CXArchive* ar)
{
    if (ar->isStoring()) {
        *ar << fields->getSize();
        for (int i = 0; i < fields->getSize(); ++i) {
            *ar << fieldAt(fields, i)->getName();
            fieldAt(fields, i)->store(ar);
        }
        return;
    }
    flush();
    borrowed = false;
    int n = 0;
    *ar >> &n;
    for (int i = 0; i < n && !ar->LastError(); ++i) {
        CXString fieldName;
        *ar >> &fieldName;
        CMC_Variable* value = CMC_VariableFactory::restore(ar);
        if (!value)
            return;
        // Past what the file being loaded may ask for, fields are read, not
        // kept.
        if (!CLoadBounds::claim(CLoadBounds::VALUE_BYTES)) {
            CMC_Object::flush(value);
            continue;
        }
        declareType(fieldName, value->getType());
        fieldAt(fields, fields->getSize() - 1)->set(value);
        CMC_Object::flush(value);
    }
}

CXObject* CMC_Structure::clone()
{
    CMC_Structure* copy = new CMC_Structure(name);
    for (int i = 0; i < fields->getSize(); ++i) {
        CMC_Variable* field = fieldAt(fields, i);
        copy->declareType(field->getName(), field->getType());
        copy->getField(i)->set(field);
    }
    return copy;
}

CXString CMC_Structure::toString()
{
    CXString text;
    for (int i = 0; i < fields->getSize(); ++i) {
        if (i > 0)
            text += '|';
        text += fieldAt(fields, i)->toString();
    }
    return text;
}

void CMC_Structure::set(CMC_Variable* other)
{
    if (!other || other == this || other->getType() != MC_STRUCTURE)
        return;
    CMC_Structure* source = static_cast<CMC_Structure*>(other);
    for (int i = 0; i < fields->getSize() && i < source->fields->getSize(); ++i)
        fieldAt(fields, i)->set(fieldAt(source->fields, i));
}

void CMC_Structure::clear()
{
    for (int i = 0; i < fields->getSize(); ++i)
        fieldAt(fields, i)->clear();
}

bool CMC_Structure::equals(CMC_Variable* other)
{
    if (!other || other->getType() != MC_STRUCTURE)
        return false;
    CMC_Structure* o = static_cast<CMC_Structure*>(other);
    for (int i = 0; i < fields->getSize(); ++i)
        if (i >= o->fields->getSize() || !fieldAt(fields, i)->equals(fieldAt(o->fields, i)))
            return false;
    return true;
}

void CMC_Structure::setDefault(CMC_Variable* value)
{
    for (int i = 0; i < fields->getSize(); ++i)
        fieldAt(fields, i)->setDefault(value);
}

void CMC_Structure::resetINI()
{
    for (int i = 0; i < fields->getSize(); ++i)
        fieldAt(fields, i)->resetINI();
}

void CMC_Structure::store(CXArchive* archive)
{
    for (int i = 0; i < fields->getSize(); ++i)
        fieldAt(fields, i)->store(archive);
}

void CMC_Structure::restore(CXArchive* archive)
{
    for (int i = 0; i < fields->getSize(); ++i)
        fieldAt(fields, i)->restore(archive);
}

void CMC_Structure::fromString(const CXString& text)
{
    CStringTokenizer values(text, CXString("|\n"));
    for (int i = 0; i < fields->getSize() && values.hasMoreTokens(); ++i)
        fieldAt(fields, i)->fromString(values.nextToken());
}

CMC_Variable* CMC_Structure::getField(int position)
{
    return position >= 0 && position < fields->getSize() ? fieldAt(fields, position) : nullptr;
}

// Structures hold a handful of fields: a scan is all it takes.
CMC_Variable* CMC_Structure::getField(const CXString& fieldName)
{
    for (int i = 0; i < fields->getSize(); ++i) {
        CMC_Variable* field = fieldAt(fields, i);
        if (shortName(field->getName()) == fieldName)
            return field;
    }
    return nullptr;
}

void CMC_Structure::setField(int position, CMC_Variable* value)
{
    CMC_Variable* field = getField(position);
    if (field)
        field->set(value);
}

void CMC_Structure::setField(const CXString& fieldName, CMC_Variable* value)
{
    CMC_Variable* field = getField(fieldName);
    if (field)
        field->set(value);
}

CXString CMC_Structure::shortName(const CXString& fullName)
{
    int cut = fullName.FindLast('_');
    return cut < 0 ? fullName : fullName.Right(cut + 1);
}

CMC_Structure* CMC_Structure::named(CMC_Variable* argument, CMC_ObjectsContainer* container)
{
    if (!argument || isStopValue(argument))
        return nullptr;
    if (argument->getType() == MC_STRUCTURE)
        return static_cast<CMC_Structure*>(argument);
    CMC_Object* found = container ? container->getObject(argument->toString()) : nullptr;
    return found && found->getType() == MC_STRUCTURE ? static_cast<CMC_Structure*>(found) : nullptr;
}

void CMC_Structure_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("SET", SET);
    registerMethod("SETFIELD", SETFIELD);
    registerMethod("GETFIELD", GETFIELD);
}

CMC_Variable* CMC_Structure_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_STRUCTURE)
        return CMC_Runner::run(id, object, container, args);
    CMC_Structure* s = static_cast<CMC_Structure*>(object);
    int argc = getArgCount(args);
    switch (id) {
    case SET:
        if (argc == 1) {
            s->set(CMC_Structure::named(getParameter(args, 0), container));
        } else {
            for (int i = 0; i < argc; ++i)
                s->setField(i, getParameter(args, i));
        }
        return nullptr;
    case SETFIELD:
        if (argc >= 2)
            s->setField(getParameterString(args, 0)->getValue(), getParameter(args, 1));
        return nullptr;
    case GETFIELD: {
        if (argc < 1)
            return nullptr;
        CMC_Variable* key = getParameter(args, 0);
        CMC_Variable* field = key && key->getType() == MC_INTEGER
                                  ? s->getField(static_cast<CMC_Integer*>(key)->getValue())
                                  : s->getField(getParameterString(args, 0)->getValue());
        return CMC_VariableFactory::copyVariable(field);
    }
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

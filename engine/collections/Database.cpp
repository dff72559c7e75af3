#include "collections/Database.h"

#include "base/Archive.h"
#include "base/File.h"
#include "base/LoadBounds.h"
#include "base/ReplacingFile.h"
#include "collections/Structure.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/TypeRegistry.h"
#include "script/Values.h"

#include <cstdio>

namespace {

CMC_Object* makeDatabase(CMC_ObjectsContainer* container, CMElement* element)
{
    return new CMC_Database(container, element);
}

CMC_RegisterType typeRegistration("DATABASE", 3, &makeDatabase);
CMC_RegisterRunner<CMC_Database_Runner> runnerRegistration({MC_DATABASE});

CMC_Structure* rowAt(CXVector* rows, int i) { return static_cast<CMC_Structure*>(rows->at(i)); }

CMC_Structure* copyOf(CMC_Structure* source)
{
    CMC_Structure* row = static_cast<CMC_Structure*>(source->clone());
    row->setName(CXString());
    return row;
}

// The structure still found under its name from the container: an object
// that a script deleted or replaced is never reached through an old pointer.
CMC_Structure* stillNamed(CMC_ObjectsContainer* container, const CXString& objectName, CMC_Structure* kept)
{
    CMC_Object* found = kept && container ? container->getObject(objectName) : nullptr;
    return found && found == kept && found->getType() == MC_STRUCTURE ? kept : nullptr;
}

} // namespace

CMC_Database::CMC_Database(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_DATABASE), model(nullptr), cursorPos(0), cursor(nullptr),
      shownRow(nullptr), rows(new CXVector(101, 0.75f))
{
    if (element)
        modelName = element->getPropertyValue(CXString("MODEL"));
    initializeBehaviours(container, element);
}

CMC_Database::~CMC_Database()
{
    // A cursor that outlives the rows must not keep their fields.
    CMC_Structure* c = getCursor();
    if (c && shownRow)
        c->flush();
    for (int i = 0; i < rows->getSize(); ++i)
        delete rowAt(rows, i);
    delete rows;
}

CXString** CMC_Database::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", nullptr};
    return makeEventList(names);
}

void CMC_Database::init()
{
    if (scene) {
        CMC_Object* found = scene->getObject(modelName);
        model = found && found->getType() == MC_STRUCTURE ? static_cast<CMC_Structure*>(found) : nullptr;
        // The scene owns the cursor from here on.
        cursor = new CMC_Structure(name + "_CURSOR");
        shownRow = nullptr;
        scene->addObject(cursor);
    }
    CMC_Object::init();
}

void CMC_Database::serializeState(CXArchive* ar)
{
    if (ar->isStoring()) {
        *ar << modelName << cursorPos << rows->getSize();
        for (int i = 0; i < rows->getSize(); ++i)
            rowAt(rows, i)->serializeFields(ar);
        return;
    }
    int n = 0;
    *ar >> &modelName;
    *ar >> &cursorPos;
    *ar >> &n;
    for (int i = 0; i < n && !ar->LastError(); ++i) {
        CMC_Structure* row = new CMC_Structure(CXString());
        row->serializeFields(ar);
        if (ar->LastError()) {
            delete row;
            return;
        }
        // Past what the file being loaded may ask for, rows are read, not
        // kept. A row holds its structure and a table of 101 fields.
        if (!CLoadBounds::claim(int64_t(sizeof(CMC_Structure)) + 101 * int64_t(sizeof(void*)))) {
            delete row;
            continue;
        }
        rows->add(row);
    }
}

CMC_Structure* CMC_Database::getCursor() { return stillNamed(scene, name + "_CURSOR", cursor); }

CMC_Structure* CMC_Database::getRow(int position) const
{
    return position >= 0 && position < rows->getSize() ? rowAt(rows, position) : nullptr;
}

int CMC_Database::getRows() const { return rows->getSize(); }

void CMC_Database::mapRow(int position)
{
    CMC_Structure* row = getRow(position);
    CMC_Structure* c = getCursor();
    if (!row || !c)
        return;
    c->map(row);
    shownRow = row;
}

void CMC_Database::deleteRow(int position)
{
    CMC_Structure* row = static_cast<CMC_Structure*>(rows->takeAt(position));
    if (!row)
        return;
    if (row == shownRow) {
        CMC_Structure* c = getCursor();
        if (c)
            c->flush();
        shownRow = nullptr;
    }
    delete row;
}

void CMC_Database::add(CMC_Structure* row)
{
    if (row)
        rows->add(copyOf(row));
}

void CMC_Database::insertAt(int position, CMC_Structure* row)
{
    if (row && position >= 0 && position <= rows->getSize())
        rows->insertAt(position, copyOf(row));
}

bool CMC_Database::matches(CMC_Structure* row, const CXString& field, CMC_Variable* value)
{
    CMC_Variable* f = row->getField(field);
    return f && value && f->equals(value);
}

// Every row present at the start is tested once, in order.
void CMC_Database::remove(const CXString& field, CMC_Variable* value)
{
    for (int i = 0; i < rows->getSize();) {
        if (matches(rowAt(rows, i), field, value))
            deleteRow(i);
        else
            ++i;
    }
}

void CMC_Database::removeAt(int position) { deleteRow(position); }

void CMC_Database::removeAll()
{
    while (rows->getSize() > 0)
        deleteRow(rows->getSize() - 1);
}

void CMC_Database::select(int position)
{
    if (position < 0 || position >= rows->getSize())
        return;
    cursorPos = position;
    mapRow(position);
}

void CMC_Database::next()
{
    if (cursorPos == rows->getSize() - 1)
        cursorPos = 0;
    else
        ++cursorPos;
    mapRow(cursorPos);
}

void CMC_Database::prev()
{
    if (cursorPos == 0)
        cursorPos = rows->getSize();
    --cursorPos;
    mapRow(cursorPos);
}

int CMC_Database::find(const CXString& field, CMC_Variable* value, int start)
{
    for (int i = start < 0 ? 0 : start; i < rows->getSize(); ++i) {
        if (matches(rowAt(rows, i), field, value)) {
            mapRow(i);
            return i;
        }
    }
    return -1;
}

// Rows are read into a list of their own and appended only when the whole
// file was read, so that a read error leaves the table as it was.
void CMC_Database::load(const CXString& fileName)
{
    CMC_Structure* m = stillNamed(scene, modelName, model);
    CFile file;
    if (m && file.Open(scene->getWindow(), fileName, CFile::MODE_READ | CFile::MODE_TEXT) == 0) {
        CXVector read(101, 0.75f);
        bool failed = false;
        while (!file.eof()) {
            CXString line = file.getLine();
            if (line.getLength() == 0) {
                // The end of the file, an unreadable block, or a line that
                // begins with a NUL byte (it makes no row).
                failed = std::ferror(file.GetHandle()) != 0;
                if (failed)
                    break;
                continue;
            }
            CMC_Structure* row = copyOf(m);
            row->fromString(line);
            read.add(row);
        }
        for (int i = 0; i < read.getSize(); ++i) {
            if (failed)
                delete rowAt(&read, i);
            else
                rows->add(read.at(i));
        }
    }
    if (rows->getSize() > 0) {
        cursorPos = 0;
        mapRow(0);
    }
}

// The rows go to a new file that replaces the old one only once it is
// complete: a failed or interrupted save leaves the old file as it was.
void CMC_Database::save(const CXString& fileName)
{
    CReplacingFile file;
    int mode = CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_TEXT;
    if (file.Open(scene ? scene->getWindow() : nullptr, fileName, mode) != 0)
        return;
    CXString text;
    for (int i = 0; i < rows->getSize(); ++i) {
        text += rowAt(rows, i)->toString();
        text += '\n';
    }
    file.Write(text.c_str(), text.getLength());
    file.commit();
}

void CMC_Database_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    static const char* const names[] = {"ADD",       "REMOVE",    "LOAD",     "SAVE",    "REMOVEALL",
                                        "FIND",      "SELECT",    "NEXT",     "PREV",    "GETROWSNO",
                                        "REMOVEAT",  "INSERTAT",  "GETCURSORPOS"};
    for (int i = 0; i < int(sizeof names / sizeof names[0]); ++i)
        registerMethod(names[i], ADD + i);
}

// A call without the arguments a method needs does nothing.
CMC_Variable* CMC_Database_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_DATABASE)
        return CMC_Runner::run(id, object, container, args);
    CMC_Database* db = static_cast<CMC_Database*>(object);
    int argc = getArgCount(args);
    switch (id) {
    case ADD:
        if (argc >= 1)
            db->add(CMC_Structure::named(getParameter(args, 0), container));
        return nullptr;
    case REMOVE:
        if (argc >= 2)
            db->remove(getParameterString(args, 0)->getValue(), getParameter(args, 1));
        return nullptr;
    case LOAD:
        if (argc >= 1)
            db->load(getParameterString(args, 0)->getValue());
        return nullptr;
    case SAVE:
        if (argc >= 1)
            db->save(getParameterString(args, 0)->getValue());
        return nullptr;
    case REMOVEALL:
        db->removeAll();
        return nullptr;
    case FIND: {
        if (argc < 2)
            return nullptr;
        CXString field = getParameterString(args, 0)->getValue();
        int start = getParameterInteger(args, 2)->getValue();
        return CMC_Integer::temporary(db->find(field, getParameter(args, 1), start));
    }
    case SELECT:
        if (argc >= 1)
            db->select(getParameterInteger(args, 0)->getValue());
        return nullptr;
    case NEXT:
        db->next();
        return nullptr;
    case PREV:
        db->prev();
        return nullptr;
    case GETROWSNO:
        return CMC_Integer::temporary(db->getRows());
    case REMOVEAT:
        if (argc >= 1)
            db->removeAt(getParameterInteger(args, 0)->getValue());
        return nullptr;
    case INSERTAT:
        if (argc >= 2)
            db->insertAt(getParameterInteger(args, 0)->getValue(),
                         CMC_Structure::named(getParameter(args, 1), container));
        return nullptr;
    case GETCURSORPOS:
        return CMC_Integer::temporary(db->getCursorPos());
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

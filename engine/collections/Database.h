#pragma once
#include "script/Object.h"
#include "script/Runner.h"

class CMC_Structure;

// Script DATABASE (type id 3003): an ordered table of rows, each a
// structure copied from a structure (the definition's "MODEL" for rows read
// from a file). The selected row is shown through the structure
// "<name>_CURSOR", which the database adds to its scene in init and which
// shares the selected row's own field variables.
//
// The file form is text, one row per line: the row's fields joined by '|',
// each line ending in CR LF on disk. LOAD appends the rows read; SAVE writes
// a new file beside the old one and puts it in the old one's place only
// when it is complete.
//
// Rows whose fields the cursor shows are never deleted under it: deleting
// that row leaves the cursor without fields. A model or an argument that
// names no structure makes LOAD, ADD and INSERTAT do nothing.
class CMC_Database : public CMC_Object {
public:
    CMC_Database(CMC_ObjectsContainer* container, CMElement* element);
    // Deletes the rows; the cursor and the model belong to their scenes.
    ~CMC_Database() override;
    CMC_Database(const CMC_Database&) = delete;
    CMC_Database& operator=(const CMC_Database&) = delete;

    CXString toString() override { return name; }
    // Finds the model and adds the cursor to the scene, then "ONINIT".
    void init() override;
    CXString** getBehavioursList() override;

    // A copy of the structure, with an empty name, at the end or at a
    // position from 0 to the row count.
    void add(CMC_Structure* row);
    void insertAt(int position, CMC_Structure* row);
    // Deletes every row whose field matches the value (as find matches).
    void remove(const CXString& field, CMC_Variable* value);
    void removeAt(int position);
    void removeAll();
    void load(const CXString& fileName);
    void save(const CXString& fileName);
    int getRows() const;
    // Selects a row position; anything else changes nothing.
    void select(int position);
    // One row on, the last wrapping to the first.
    void next();
    // One row back, the first wrapping to the last.
    void prev();
    // The first row from start (0 when negative) whose field equals the
    // value, converted to the field's type (strings ignoring case); the
    // cursor shows it but the cursor position stays. -1 when none.
    int find(const CXString& field, CMC_Variable* value, int start);
    int getCursorPos() const { return cursorPos; }
    CMC_Structure* getRow(int position) const;
    // The cursor while it is still in the scene under its name; else null.
    CMC_Structure* getCursor();
    // The model's name, the cursor position and the rows: what a snapshot
    // record leaves out. Reading adds the rows read.
    void serializeState(CXArchive* archive);

private:
    // Makes the cursor show the row at position, when there is one.
    void mapRow(int position);
    // Takes the row out of the list and deletes it.
    void deleteRow(int position);
    bool matches(CMC_Structure* row, const CXString& field, CMC_Variable* value);

    CXString modelName;
    CMC_Structure* model;
    int cursorPos;
    CMC_Structure* cursor;
    CMC_Structure* shownRow; // the row whose fields the cursor holds
    CXVector* rows;
};

// The methods of databases: ADD, REMOVE, LOAD, SAVE, REMOVEALL, FIND,
// SELECT, NEXT, PREV, GETROWSNO, REMOVEAT, INSERTAT and GETCURSORPOS.
class CMC_Database_Runner : public CMC_Runner {
public:
    enum {
        ADD = 1,
        REMOVE = 2,
        LOAD = 3,
        SAVE = 4,
        REMOVEALL = 5,
        FIND = 6,
        SELECT = 7,
        NEXT = 8,
        PREV = 9,
        GETROWSNO = 10,
        REMOVEAT = 11,
        INSERTAT = 12,
        GETCURSORPOS = 13
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};

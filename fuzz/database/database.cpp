// The database's file reader on arbitrary bytes: a file of rows as a title
// or a damaged disk could leave it, read into a table of every field type
// that already holds a row, then walked with the cursor.
#include "fuzz/InputFile.h"
#include "collections/Database.h"
#include "collections/Structure.h"
#include "script/Element.h"
#include "script/Scene.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzzinput::write("rows.txt", data, size))
        return 0;

    CMC_Scene scene(nullptr, MC_SCENE);
    scene.setName(CXString("SCENE"));
    CMElement model(CXString("ROW"));
    model.addProperty(CXString("FIELDS"), CXString("NAME<STRING>,SCORE<INTEGER>,RATIO<DOUBLE>,DONE<BOOL>"));
    scene.addObject(new CMC_Structure(&scene, &model));
    CMElement table(CXString("TABLE"));
    table.addProperty(CXString("MODEL"), CXString("ROW"));
    CMC_Database* db = new CMC_Database(&scene, &table);
    scene.addObject(db);
    db->init();
    db->add(static_cast<CMC_Structure*>(scene.getObject("ROW")));
    db->load(CXString("F:\\rows.txt"));
    for (int i = 0; i < db->getRows() + 2; ++i) {
        db->next();
        db->getCursor()->toString();
    }
    db->removeAt(0);
    db->prev();
    return 0;
}

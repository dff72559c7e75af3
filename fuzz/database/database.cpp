// The database's file reader on arbitrary bytes: a file of rows as a title
// or a damaged disk could leave it, read into a table of every field type
// that already holds a row, then walked with the cursor.
#include "collections/Database.h"
#include "collections/Structure.h"
#include "platform/Drives.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A folder of its own for the input file, mapped as drive F:.
std::string folder()
{
    static std::string path = [] {
        const char* base = std::getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/quarnel-fuzz-XXXXXX";
        if (!mkdtemp(&templ[0]))
            std::abort();
        platform::mapDrive('F', templ, platform::DriveKind::FixedDisk);
        std::atexit([] { std::remove((folder() + "/rows.txt").c_str()); std::remove(folder().c_str()); });
        return templ;
    }();
    return path;
}

class Scene : public CMC_ObjectsContainer {
public:
    Scene() : CMC_ObjectsContainer(nullptr, nullptr, CXString("SCENE"), MC_SCENE) { scene = this; }
    ~Scene() override { unload(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string file = folder() + "/rows.txt";
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    Scene scene;
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

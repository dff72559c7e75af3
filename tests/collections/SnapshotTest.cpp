// Structures, databases and multi-arrays in a scene snapshot: their records
// as the engine has always written them, then the state trailer that gives
// back what the records leave out.
#include "RecordsSupport.h"
#include "base/Archive.h"
#include "base/File.h"
#include "collections/Database.h"
#include "collections/MultiArray.h"
#include "collections/Structure.h"
#include "script/Scene.h"
#include "script/Values.h"

#include <memory>

using namespace recordstest;

namespace {

class CMC_SceneSnapshotTest : public RecordsTest {
protected:
    // A scene of P (STRUCT), DB (DATABASE of P rows), MA (MULTIARRAY) and
    // N (INTEGER), with values set, written as a snapshot.
    std::string written()
    {
        CMC_Scene source(nullptr, MC_SCENE);
        CMElements elements(true);
        auto add = [&elements](const char* name, std::initializer_list<std::pair<const char*, const char*>> keys) {
            CMElement* e = new CMElement(CXString(name));
            for (const auto& k : keys)
                e->addProperty(CXString(k.first), CXString(k.second));
            elements.add(e);
        };
        add("P", {{"TYPE", "STRUCT"}, {"FIELDS", "NAME<STRING>,SCORE<INTEGER>"}});
        add("DB", {{"TYPE", "DATABASE"}, {"MODEL", "P"}});
        add("MA", {{"TYPE", "MULTIARRAY"}, {"DIMENSIONS", "3"}});
        add("N", {{"TYPE", "INTEGER"}, {"VALUE", "5"}});
        delete source.resolveObjects(&elements);
        CMC_Structure* p = static_cast<CMC_Structure*>(source.getObject("P"));
        p->getField(CXString("NAME"))->fromString(CXString("Ann"));
        p->getField(CXString("SCORE"))->fromString(CXString("7"));
        CMC_Database* db = static_cast<CMC_Database*>(source.getObject("DB"));
        db->add(p);
        p->getField(CXString("SCORE"))->fromString(CXString("9"));
        db->add(p);
        const int cell[] = {1, 2, 40};
        CMC_Integer fortyTwo(42);
        static_cast<CMC_MultiArray*>(source.getObject("MA"))->set(cell, 3, &fortyTwo);
        {
            CFile file(nullptr, CXString("T:\\S.bin"), CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY);
            CXArchive archive(&file, true);
            source.writeSnapshot(&archive);
        }
        source.unload();
        return tmp.read("S.bin");
    }
    // A scene read from bytes; complete tells whether every record was read.
    std::unique_ptr<CMC_Scene> read(const std::string& bytes, bool* complete)
    {
        tmp.write("R.bin", bytes);
        std::unique_ptr<CMC_Scene> scene(new CMC_Scene(nullptr, MC_SCENE));
        CFile file(nullptr, CXString("T:\\R.bin"), CFile::MODE_READ | CFile::MODE_BINARY);
        CXArchive archive(&file, false);
        *complete = scene->readSnapshot(&archive);
        return scene;
    }
    static std::string text(CMC_Variable* v) { return v ? v->toString().c_str() : "-"; }
};

TEST_F(CMC_SceneSnapshotTest, CollectionsComeBackWithWhatTheirRecordsLeaveOut)
{
    std::string bytes = written();
    bool complete = false;
    std::unique_ptr<CMC_Scene> scene = read(bytes, &complete);
    EXPECT_TRUE(complete);
    CMC_Structure* p = static_cast<CMC_Structure*>(scene->getObject("P"));
    ASSERT_TRUE(p && p->getType() == MC_STRUCTURE);
    EXPECT_EQ(p->toString(), "Ann|9");
    EXPECT_EQ(p->getField(0)->getName(), "P_NAME");

    CMC_Database* db = static_cast<CMC_Database*>(scene->getObject("DB"));
    ASSERT_TRUE(db && db->getType() == MC_DATABASE);
    db->init();
    ASSERT_EQ(db->getRows(), 2);
    EXPECT_EQ(db->getRow(0)->toString(), "Ann|7");
    db->select(1);
    EXPECT_EQ(text(db->getCursor()->getField(CXString("SCORE"))), "9");

    CMC_MultiArray* ma = static_cast<CMC_MultiArray*>(scene->getObject("MA"));
    ASSERT_TRUE(ma && ma->getType() == MC_MULTIARRAY);
    EXPECT_EQ(ma->getDimensions(), 3);
    const int cell[] = {1, 2, 40};
    EXPECT_EQ(text(ma->get(cell, 3)), "42");
    EXPECT_EQ(ma->getSize(2), 64);
    EXPECT_EQ(text(static_cast<CMC_Variable*>(scene->getObject("N"))), "5");
    scene->unload();
}

// A snapshot of the records alone, as every writer before the trailer made
// them: each object is read, the records after them too, and what the
// records do not hold stays empty. A damaged trailer loses no record.
TEST_F(CMC_SceneSnapshotTest, RecordsWithoutTheTrailerStillRestoreEveryObject)
{
    std::string bytes = written();
    size_t trailer = bytes.find("QXS1");
    ASSERT_NE(trailer, std::string::npos);
    for (const std::string& form : {bytes.substr(0, trailer), bytes.substr(0, trailer + 9),
                                    bytes.substr(0, bytes.size() - 5)}) {
        bool complete = false;
        std::unique_ptr<CMC_Scene> scene = read(form, &complete);
        EXPECT_TRUE(complete);
        ASSERT_NE(scene->getObject("P"), nullptr);
        ASSERT_NE(scene->getObject("DB"), nullptr);
        EXPECT_EQ(text(static_cast<CMC_Variable*>(scene->getObject("N"))), "5");
        scene->unload();
    }
    bool complete = false;
    std::unique_ptr<CMC_Scene> scene = read(bytes.substr(0, trailer), &complete);
    EXPECT_EQ(static_cast<CMC_Structure*>(scene->getObject("P"))->getFieldCount(), 0);
    // The grid's record holds not even its name.
    EXPECT_EQ(scene->getObject("MA"), nullptr);
    CMC_Object* nameless = scene->getObject("");
    EXPECT_TRUE(nameless && nameless->getType() == MC_MULTIARRAY);
    scene->unload();
}

} // namespace

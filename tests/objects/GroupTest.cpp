#include "collections/RecordsSupport.h"
#include "base/Archive.h"
#include "base/File.h"
#include "objects/Group.h"
#include "script/Group.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/Values.h"

#include <string>

using namespace recordstest;

namespace {

class CMC_GrouppedTest : public RecordsTest {
protected:
    CMC_GrouppedTest()
    {
        scene.define({"A:TYPE=INTEGER", "A:VALUE=1", "B:TYPE=INTEGER", "B:VALUE=2", "C:TYPE=INTEGER", "C:VALUE=3",
                      "G:TYPE=GROUP"});
        group = static_cast<CMC_Groupped*>(scene.getObject("G"));
    }
    std::string names() { return call(group, "GETSIZE") + ":" + group->toString().c_str(); }
    // GETNAME by its id: by name, the common GETNAME registered first
    // answers (the group's own name).
    std::string member(CMC_Groupped* g, const char* index)
    {
        CXVector args;
        args.add(CMC_Variable::resolve(CXString(index)));
        CMC_Variable* r = CMC_RunnerFactory::getRunner(MC_GROUP)->run(CMC_Groupped_Runner::GETNAME, g, &scene, &args);
        std::string text = r ? r->toString().c_str() : "-";
        CMC_Object::flush(r);
        CMC_Object::flush(static_cast<CMC_Variable*>(args.at(0)));
        return text;
    }
    std::string value(const char* name) { return scene.getObject(name)->toString().c_str(); }

    CMC_Groupped* group = nullptr;
};

TEST_F(CMC_GrouppedTest, MembersJoinOnceByNameAndClonesByNumber)
{
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(names(), "0:");
    call(group, "ADD", {"\"A\"", "\"A\"", "\"NOSUCH\"", "\"B\""});
    call(group, "ADD", {"\"A\""});
    // The members' own text: the values of these integers.
    EXPECT_EQ(names(), "2:1,2");
    EXPECT_EQ(member(group, "1"), "B");
    EXPECT_EQ(member(group, "2"), "-");
    EXPECT_EQ(member(group, "-1"), "-");
    EXPECT_EQ(call(group, "GETNAME", {"1"}), "G");
    call(group, "REMOVE", {"\"A\""});
    EXPECT_EQ(member(group, "0"), "B");
    call(group, "ADD", {"\"A\""}); // taken out, it joins again
    EXPECT_EQ(names(), "2:2,1");
    call(group, "REMOVEALL");
    EXPECT_EQ(names(), "0:");

    scene.getObject("C")->clone(3);
    struct {
        std::initializer_list<const char*> args;
        const char* members;
    } cases[] = {
        {{"\"C\""}, "C_1,C_2,C_3"},
        {{"\"C\"", "2"}, "C_2,C_3"},
        {{"\"C\"", "5", "2"}, ""},
        {{"\"C_\""}, ""}, // names no object, though clones begin with it
        {{"\"C\"", "0", "1"}, "C,C_1"}, // "C_0" finds C itself
    };
    for (const auto& c : cases) {
        call(group, "REMOVEALL");
        call(group, "ADDCLONES", c.args);
        std::string listed;
        for (int i = 0; i < group->getSize(); ++i)
            listed += std::string(i ? "," : "") + group->get(i)->getName().c_str();
        EXPECT_EQ(listed, c.members) << *c.args.begin();
    }
    // ADDCLONES does not look for members already there.
    call(group, "ADDCLONES", {"\"C\"", "1", "1"});
    EXPECT_EQ(group->getSize(), 3);
    // A member listed twice is a member until both places are taken out.
    call(group, "REMOVE", {"\"C_1\""});
    call(group, "ADD", {"\"C_1\""});
    EXPECT_EQ(group->getSize(), 2);
    call(group, "REMOVE", {"\"C_1\""});
    call(group, "ADD", {"\"C_1\""});
    EXPECT_EQ(group->getSize(), 2);

    // ADDTOGROUP of any object reaches the group's own add.
    call(group, "REMOVEALL");
    call(scene.getObject("B"), "ADDTOGROUP", {"\"G\""});
    call(scene.getObject("B"), "ADDTOGROUP", {"\"G\""});
    EXPECT_EQ(group->getSize(), 1);
}

TEST_F(CMC_GrouppedTest, TheMarkerWrapsAndNeverLeavesTheList)
{
    EXPECT_EQ(call(group, "GETMARKERPOS"), "-1");
    // Empty: nothing is reached, and the marker stays.
    EXPECT_EQ(call(group, "NEXT"), "-");
    EXPECT_EQ(call(group, "PREV", {"3"}), "-");
    EXPECT_EQ(call(group, "GETNAMEATMARKER"), "-");
    EXPECT_EQ(call(group, "GETMARKERPOS"), "-1");

    call(group, "ADD", {"\"A\"", "\"B\"", "\"C\""});
    EXPECT_EQ(call(group, "GETNAMEATMARKER"), "-");
    EXPECT_EQ(call(group, "NEXT"), "A");
    EXPECT_EQ(call(group, "NEXT"), "B");
    EXPECT_EQ(call(group, "NEXT", {"2"}), "A");
    EXPECT_EQ(call(group, "PREV"), "C");
    call(group, "RESETMARKER");
    EXPECT_EQ(call(group, "PREV"), "B"); // from -1 to size - 2
    EXPECT_EQ(call(group, "NEXT", {"0"}), "B");
    EXPECT_EQ(call(group, "NEXT", {"-4"}), "A");
    call(group, "SETMARKERPOS", {"10"});
    EXPECT_EQ(call(group, "GETMARKERPOS"), "2");
    EXPECT_EQ(call(group, "GETNAMEATMARKER"), "C");
    call(group, "SETMARKERPOS", {"-5"});
    EXPECT_EQ(call(group, "GETMARKERPOS"), "-1");

    // REMOVE leaves the marker beyond the end: it names nothing, and the
    // next step comes back into the list.
    call(group, "SETMARKERPOS", {"2"});
    call(group, "REMOVE", {"\"C\""});
    EXPECT_EQ(call(group, "GETNAMEATMARKER"), "-");
    EXPECT_EQ(call(group, "PREV"), "B");
    call(group, "SETMARKERPOS", {"1"});
    call(group, "REMOVEALL");
    EXPECT_EQ(call(group, "GETMARKERPOS"), "1");
    EXPECT_EQ(call(group, "NEXT"), "-");
}

// A method the group does not know goes to every member in order; the group
// answers none. Its own methods answer from the group itself.
TEST_F(CMC_GrouppedTest, UnknownMethodsGoToEveryMember)
{
    call(group, "ADD", {"\"A\"", "\"B\""});
    EXPECT_EQ(call(group, "INC"), "-");
    EXPECT_EQ(value("A") + value("B") + value("C"), "233");
    EXPECT_EQ(call(group, "SET", {"9"}), "-");
    EXPECT_EQ(value("A") + value("B"), "99");
    EXPECT_EQ(call(group, "GETSIZE"), "2");
    EXPECT_EQ(call(group, "NOSUCHMETHOD", {"1"}), "-");

    // A group in a group sends it on; one that holds itself sends it once.
    scene.define({"H:TYPE=GROUP"});
    call(scene.getObject("H"), "ADD", {"\"C\"", "\"G\"", "\"H\""});
    call(group, "ADD", {"\"H\""});
    call(scene.getObject("H"), "DEC");
    EXPECT_EQ(value("A") + value("B") + value("C"), "882");
}

// Members belong to the scene: one deleted while a group holds it leaves
// the group, wherever it is in the list.
TEST_F(CMC_GrouppedTest, ADeletedMemberLeavesEveryGroup)
{
    scene.define({"H:TYPE=GROUP"});
    CMC_Groupped* other = static_cast<CMC_Groupped*>(scene.getObject("H"));
    call(group, "ADD", {"\"A\"", "\"B\"", "\"C\""});
    scene.getObject("B")->clone(1);
    call(group, "ADDCLONES", {"\"B\""});
    call(group, "ADDCLONES", {"\"B\""});
    call(other, "ADD", {"\"B_1\"", "\"A\""});
    CMC_Object* clone = scene.getObject("B_1");
    scene.removeObject(clone);
    delete clone;
    EXPECT_EQ(names(), "3:1,2,3");
    EXPECT_EQ(member(other, "0"), "A");
    call(group, "INC");
    EXPECT_EQ(value("A") + value("B") + value("C"), "234");

    // A group deleted before its members leaves nothing behind.
    scene.removeObject(other);
    delete other;
    CMC_Object* a = scene.getObject("A");
    scene.removeObject(a);
    delete a;
    EXPECT_EQ(names(), "2:3,4");
}

TEST_F(CMC_GrouppedTest, ClonesHoldTheSameMembersAndSnapshotsHoldNone)
{
    call(group, "ADD", {"\"B\"", "\"A\""});
    call(group, "CLONE");
    CMC_Object* copy = scene.getObject("G_1");
    ASSERT_TRUE(copy && copy->getType() == MC_GROUP);
    EXPECT_EQ(copy->toString(), "2,1");
    EXPECT_EQ(call(copy, "GETCLONEINDEX"), "1");
    EXPECT_EQ(call(group, "GETCLONESNO"), "1");

    // The engine's scratch groups are the same type.
    CMC_Object* scratch = CMC_Groups::make(CXString("SCRATCH"), &scene);
    ASSERT_NE(CMC_Groups::membersOf(scratch), nullptr);
    scene.getObjects(CXString("INTEGER"), CMC_Groups::membersOf(scratch));
    EXPECT_EQ(scratch->toString(), "1,2,3");
    delete scratch;

    // The record is the object's own: name and bindings, no members.
    std::string bytes;
    {
        CFile file(nullptr, CXString("T:\\G.bin"), CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY);
        CXArchive archive(&file, true);
        group->serialize(&archive);
    }
    CMC_Scene restoredScene(nullptr, MC_SCENE);
    CMC_Object* restored = CMC_SnapshotTypes::getRestorer(MC_GROUP)(&restoredScene);
    {
        CFile file(nullptr, CXString("T:\\G.bin"), CFile::MODE_READ | CFile::MODE_BINARY);
        CXArchive archive(&file, false);
        restored->serialize(&archive);
        EXPECT_EQ(archive.LastError(), 0);
    }
    EXPECT_EQ(restored->getName(), "G");
    EXPECT_EQ(call(restored, "GETSIZE"), "0");
    delete restored;
}

} // namespace

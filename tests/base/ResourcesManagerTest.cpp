#include "base/ResourcesManager.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// Records what happens to it in a journal shared by the test.
struct Journal {
    std::vector<const char*> withdrawn;
    std::vector<const char*> deleted;
    CWindow* window = nullptr;
};

class FakeResource : public CFileResolver {
public:
    FakeResource(const char* name, Journal& j) : tag(name), journal(j) { setFilename(name); }
    ~FakeResource() override { journal.deleted.push_back(tag); }
    void withdraw(CWindow* w) override
    {
        journal.withdrawn.push_back(tag);
        journal.window = w;
    }
    const char* tag;
    Journal& journal;
};

CWindow* const someWindow = reinterpret_cast<CWindow*>(0x1000);

TEST(CResourcesManagerTest, UsersAreCountedAcrossCaseInsensitiveLookups)
{
    Journal j;
    CResourcesManager manager(someWindow);
    FakeResource* anim = new FakeResource("Anims\\Door.ANN", j);
    manager.add(anim);
    EXPECT_EQ(manager.get("anims\\door.ann"), anim);
    EXPECT_EQ(manager.get("ANIMS\\DOOR.ANN"), anim);
    EXPECT_EQ(manager.get("door.ann"), nullptr);

    EXPECT_FALSE(manager.remove(anim));
    EXPECT_FALSE(manager.remove(anim));
    EXPECT_TRUE(j.deleted.empty());
    EXPECT_TRUE(manager.remove(anim));
    EXPECT_EQ(j.withdrawn, std::vector<const char*>{"Anims\\Door.ANN"});
    EXPECT_EQ(j.deleted, std::vector<const char*>{"Anims\\Door.ANN"});
    EXPECT_EQ(j.window, someWindow);
    EXPECT_FALSE(manager.contains(anim));
    EXPECT_EQ(manager.get("anims\\door.ann"), nullptr);
}

TEST(CResourcesManagerTest, ChildrenAreSearchedByGetOnly)
{
    Journal j;
    CResourcesManager parent(someWindow), child(someWindow);
    FakeResource* sound = new FakeResource("a.wav", j);
    child.add(sound);
    parent.add(&child);

    EXPECT_EQ(parent.get("A.WAV"), sound);
    EXPECT_FALSE(parent.contains(sound));
    EXPECT_TRUE(child.contains(sound));
    EXPECT_FALSE(parent.remove(sound));
    EXPECT_TRUE(j.deleted.empty());

    // Flushing the parent empties the child but leaves it to its owner.
    parent.flush();
    EXPECT_EQ(j.deleted, std::vector<const char*>{"a.wav"});
    EXPECT_TRUE(j.withdrawn.empty());
    EXPECT_FALSE(child.contains(sound));
    FakeResource* again = new FakeResource("a.wav", j);
    child.add(again);
    EXPECT_EQ(parent.get("a.wav"), nullptr); // no longer a child
    EXPECT_EQ(child.get("a.wav"), again);
}

// Of the entries of one name, in any case, the first left answers; the
// children are asked in the order they came; a flush deletes the
// children's resources, then its own in the order they came.
TEST(CResourcesManagerTest, TheFirstEntryLeftAnswersAName)
{
    Journal j;
    CResourcesManager manager(someWindow), first(someWindow), second(someWindow);
    FakeResource* a = new FakeResource("a.ann", j);
    FakeResource* b = new FakeResource("A.ANN", j);
    FakeResource* c = new FakeResource("c.ann", j);
    manager.add(a);
    manager.add(b);
    manager.add(c);
    EXPECT_EQ(manager.get("A.ann"), a);
    EXPECT_FALSE(manager.remove(a));
    EXPECT_TRUE(manager.remove(a));
    EXPECT_EQ(manager.get("a.ANN"), b);
    FakeResource* d = new FakeResource("a.Ann", j);
    manager.insertAt(d, 1);
    EXPECT_EQ(manager.get("a.ann"), b);
    EXPECT_FALSE(manager.remove(b));
    EXPECT_FALSE(manager.remove(b));
    EXPECT_TRUE(manager.remove(b));
    EXPECT_EQ(manager.get("a.ann"), d);

    FakeResource* inFirst = new FakeResource("x.wav", j);
    FakeResource* inSecond = new FakeResource("X.WAV", j);
    first.add(inFirst);
    second.add(inSecond);
    manager.add(&second);
    manager.add(&first);
    EXPECT_EQ(manager.get("x.Wav"), inSecond);
    manager.remove(&second);
    EXPECT_EQ(manager.get("x.Wav"), inFirst);
    manager.flush();
    EXPECT_EQ(j.deleted, (std::vector<const char*>{"a.ann", "A.ANN", "x.wav", "a.Ann", "c.ann"}));
}

TEST(CResourcesManagerTest, TwoEntriesOfOneResourceDeleteItOnce)
{
    Journal j;
    {
        CResourcesManager manager(someWindow);
        FakeResource* first = new FakeResource("x.img", j);
        FakeResource* second = new FakeResource("X.IMG", j);
        manager.add(first);
        manager.insertAt(second, 0);
        manager.add(first);
        EXPECT_EQ(manager.get("x.img"), second); // the first entry wins

        EXPECT_FALSE(manager.remove(first)); // its other entry keeps it
        EXPECT_TRUE(manager.contains(first));
        EXPECT_TRUE(j.deleted.empty());
    }
    EXPECT_EQ(j.deleted.size(), 2u); // the destructor flushes, once each
}

} // namespace

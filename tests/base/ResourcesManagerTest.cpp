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

#include "NetSupport.h"
#include "base/WindowPaths.h"
#include "net/NetMessage.h"
#include "net/NetworkClient.h"
#include "net/NetworkServer.h"
#include "net/SceneUpdater.h"
#include "platform/Drives.h"
#include "script/Element.h"
#include "script/Scene.h"
#include "support/ScenePaths.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>
#include <memory>
#include <string>
#include <vector>

using nettest::waitFor;

namespace {

// A scene that keeps the events raised on it.
class RecordingScene : public CMC_Scene {
public:
    RecordingScene(CMC_Scene* parent, CMElement* record) : CMC_Scene(nullptr, parent, record, MC_SCENE) {}
    bool onSignal(const CXString& event) override
    {
        events.push_back(event.c_str());
        if (then)
            then();
        return true;
    }
    using CMC_Object::onSignal;
    std::vector<std::string> events;
    // What a behaviour bound to the event would do.
    std::function<void()> then;
};

// The application "GAME" described as "Game", and its scene S in "Rara\S"
// below a temp folder that stands for the folder the engine started in.
class SceneUpdaterTest : public ::testing::Test {
protected:
    SceneUpdaterTest()
    {
        tmp.write("Rara/S/old.txt", "old");
        CWindowPaths::setRootPath((platform::toEnginePath(tmp.path()) + "\\").c_str());
        std::unique_ptr<CMElement> appRecord(new CMElement("GAME"));
        appRecord->addProperty("DESCRIPTION", "Game");
        application.reset(new CMC_Scene(nullptr, nullptr, appRecord.get(), MC_APPLICATION));
        scene.reset(makeScene("S", "1.0"));
    }
    ~SceneUpdaterTest() override
    {
        scene.reset();
        application.reset();
        CMC_Scene::doneDefUnit();
        CWindowPaths::reset();
    }
    RecordingScene* makeScene(const char* name, const char* version)
    {
        std::unique_ptr<CMElement> record(new CMElement(name));
        record->addProperty("PATH", (std::string("\\") + name).c_str());
        if (version)
            record->addProperty("VERSION", version);
        return new RecordingScene(application.get(), record.get());
    }
    // A transfer completed with these bytes.
    static std::unique_ptr<CFileReceiver_Entry> file(const char* name, const std::string& bytes)
    {
        std::unique_ptr<CFileReceiver_Entry> entry(
            new CFileReceiver_Entry(nullptr, 1, CXString("Game"), CXString("S"), CXString(name), 1 << 20));
        std::unique_ptr<CNetMessage> response(nettest::raw(nettest::frameOf(
            CNetFileResponseMessage(nullptr, 1, 2, int(bytes.size()), int(bytes.size())))));
        entry->received(std::unique_ptr<CNetMessage>(new CNetFileResponseMessage(CXString(), response.get())).get());
        std::unique_ptr<CNetMessage> data(nettest::raw(
            nettest::frameOf(CNetFileDataMessage(nullptr, 1, 2, 0, 0, int(bytes.size()), bytes.data()))));
        entry->received(std::unique_ptr<CNetMessage>(new CNetFileDataMessage(CXString(), data.get())).get());
        return entry;
    }
    static bool take(CMC_SceneUpdater& updater, const char* name, const std::string& bytes)
    {
        return updater.onFileReceived(file(name, bytes).get());
    }
    // A transfer the server answered with that size, refused by an entry
    // that takes at most 1000 bytes.
    static void refuse(CMC_SceneUpdater& updater, const char* name, int size)
    {
        CFileReceiver_Entry entry(nullptr, 1, CXString("Game"), CXString("S"), CXString(name), 1000);
        std::unique_ptr<CNetMessage> response(
            nettest::raw(nettest::frameOf(CNetFileResponseMessage(nullptr, 1, -1, size, size))));
        EXPECT_FALSE(entry.received(std::unique_ptr<CNetMessage>(new CNetFileResponseMessage(CXString(), response.get())).get()));
        ASSERT_TRUE(entry.isRefused());
        updater.onFileRefused(&entry);
    }
    // The id a transfer of the process takes now: ids are given out in
    // turn, so a request that went out in between two probes took one.
    static int probeTransferId()
    {
        CFileReceiver_Manager probe(nullptr);
        return probe.add_file(nullptr, CXString(), CXString(), CXString("probe"));
    }
    size_t upgradedCount(RecordingScene* s)
    {
        return size_t(std::count(s->events.begin(), s->events.end(), "ONUPGRADED"));
    }

    testsupport::TempDir tmp;
    std::unique_ptr<CMC_Scene> application;
    std::unique_ptr<RecordingScene> scene;
};

TEST_F(SceneUpdaterTest, TheListDecidesAndOnlyFilesWrittenCount)
{
    testsupport::DebugCapture log;
    CMC_SceneUpdater updater(nullptr, scene.get());
    EXPECT_FALSE(updater.needsUpgrade());
    EXPECT_EQ(updater.getUpgradeProgress(), 0);

    // A list in capitals is the list; a name that leaves the folder is dropped.
    take(updater, "INDEX.NET",
         "DESCRIPTION=New rooms\r\nVERSION=1.1\r\nFILES=a.txt,..\\evil.txt b.txt,c.txt\r\nPACKED_SIZE=1000\r\n"
         "DATA_SIZE=2000\r\n");
    EXPECT_EQ(updater.getDescription(), CXString("New rooms"));
    ASSERT_EQ(updater.getFileNames().size(), 3u);
    EXPECT_EQ(updater.getFileNames()[1], CXString("b.txt"));
    EXPECT_NE(std::find(log.lines.begin(), log.lines.end(),
                        "Network: a listed file's name leaves the scene's folder; it is not fetched: ..\\evil.txt"),
              log.lines.end());
    EXPECT_TRUE(updater.needsUpgrade());

    // Progress in whole percent of the packed size; a file written twice and
    // one whose name leaves the folder do not count.
    take(updater, "a.txt", std::string(250, 'a'));
    EXPECT_EQ(updater.getUpgradeProgress(), 25);
    EXPECT_FALSE(updater.needsUpgrade());
    take(updater, "a.txt", std::string(250, 'a'));
    take(updater, "..\\x.txt", std::string(500, 'x'));
    EXPECT_EQ(updater.getUpgradeProgress(), 25);
    take(updater, "b.txt", std::string(749, 'b'));
    EXPECT_EQ(updater.getUpgradeProgress(), 99);
    EXPECT_EQ(upgradedCount(scene.get()), 0u);
    take(updater, "c.txt", "c");
    EXPECT_EQ(updater.getUpgradeProgress(), 100);
    EXPECT_EQ(upgradedCount(scene.get()), 1u);
    take(updater, "d.txt", "more");
    EXPECT_EQ(upgradedCount(scene.get()), 1u);
    EXPECT_EQ(tmp.read("Rara/S/b.txt"), std::string(749, 'b'));
    EXPECT_NE(access(tmp.file("Rara/x.txt").c_str(), F_OK), 0);

    // A new list starts again; the same version needs nothing.
    take(updater, "index.net", "VERSION=1.0\nFILES=e.txt\nPACKED_SIZE=10\n");
    EXPECT_EQ(updater.getUpgradeProgress(), 0);
    EXPECT_FALSE(updater.needsUpgrade());
    ASSERT_EQ(updater.getFileNames().size(), 1u);

    // Without a packed size, or with one larger than the files, the update
    // is complete when every listed file is written.
    take(updater, "index.net", "VERSION=2\nFILES=e.txt,f.txt\n");
    EXPECT_TRUE(updater.needsUpgrade());
    take(updater, "e.txt", "e");
    EXPECT_EQ(upgradedCount(scene.get()), 1u);
    take(updater, "f.txt", "f");
    EXPECT_EQ(upgradedCount(scene.get()), 2u);
    EXPECT_EQ(updater.getUpgradeProgress(), 0);
    take(updater, "index.net", "VERSION=3\nFILES=g.txt\nPACKED_SIZE=1000000\n");
    take(updater, "g.txt", "g");
    EXPECT_EQ(upgradedCount(scene.get()), 3u);

    // A scene without a version counts as version 0.
    std::unique_ptr<RecordingScene> plain(makeScene("P", nullptr));
    CMC_SceneUpdater other(nullptr, plain.get());
    take(other, "index.net", "VERSION=0.0.1\nFILES=p.txt\n");
    EXPECT_TRUE(other.needsUpgrade());
    int probed = probeTransferId();
    other.upgrade(); // no client: nothing to ask
    EXPECT_EQ(probeTransferId(), probed + 1);
}

// A listed file that the server cannot send, that is over the limit or
// that cannot be written is named once on standard error and ends: the
// update ends when the others are in. NEEDSUPGRADE stays TRUE while none
// came. A list the server has not is nothing to tell; one over the limit is.
TEST_F(SceneUpdaterTest, ListedFilesThatDoNotComeAreNamedAndEndTheUpdate)
{
    CMC_SceneUpdater updater(nullptr, scene.get());
    take(updater, "index.net", "VERSION=2\nFILES=gone.txt,big.txt,dir.txt,a.txt\nPACKED_SIZE=1000\n");
    testsupport::makeDirs(tmp.file("Rara/S/dir.txt"));
    ::testing::internal::CaptureStderr();
    refuse(updater, "index.net", -1);
    refuse(updater, "index.net", 5000);
    refuse(updater, "gone.txt", -1);
    refuse(updater, "gone.txt", -1);
    refuse(updater, "big.txt", 2000);
    take(updater, "dir.txt", "d");
    EXPECT_TRUE(updater.needsUpgrade());
    EXPECT_EQ(upgradedCount(scene.get()), 0u);
    take(updater, "a.txt", "a");
    EXPECT_EQ(upgradedCount(scene.get()), 1u);
    EXPECT_FALSE(updater.needsUpgrade());
    const std::string S = tmp.file("Rara/S/");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Quarnel: update list \"index.net\" not fetched: it is 5000 bytes, over the limit of 1000 bytes: " + S +
                  "index.net\n"
                  "Quarnel: update file \"gone.txt\" not fetched: the server cannot send it: " + S + "gone.txt\n"
                  "Quarnel: update file \"big.txt\" not fetched: it is 2000 bytes, over the limit of 1000 bytes: " + S +
                  "big.txt\n"
                  "Quarnel: update file \"dir.txt\" cannot be written: " + S + "dir.txt\n");

    // None of the files came: the update ends all the same.
    take(updater, "index.net", "VERSION=3\nFILES=gone.txt\n");
    refuse(updater, "gone.txt", -1);
    EXPECT_EQ(upgradedCount(scene.get()), 2u);
    EXPECT_TRUE(updater.needsUpgrade());
}

// An update list may be as long as its limit: one of exactly
// INDEX_MAX_SIZE bytes, fetched over the client, is read.
TEST_F(SceneUpdaterTest, AListOfExactlyTheLimitIsRead)
{
    nettest::Pools pools;
    testsupport::TempDir served;
    std::string list = "VERSION=1.1\r\nFILES=a.txt\r\nDESCRIPTION=";
    list.resize(CMC_SceneUpdater::INDEX_MAX_SIZE, 'x');
    served.write("Game/S/index.net", list);
    nettest::FileServer server(served.path());
    CNetworkClient client(nullptr, false, false);
    ASSERT_TRUE(client.connect(CXString("127.0.0.1"), server.peer.getPort()));
    CMC_SceneUpdater updater(&client, scene.get());
    EXPECT_TRUE(waitFor([&] {
        server.tick();
        client.tick();
        return updater.needsUpgrade();
    }));
    EXPECT_EQ(updater.getDescription().getLength(), int(list.size() - list.find("xx")));
}

// A received file goes into the scene's folder whatever form its "PATH"
// has, and nowhere else.
TEST_F(SceneUpdaterTest, FilesGoIntoTheScenesFolderInEveryPathForm)
{
    for (const testsupport::ScenePathForm& form : testsupport::scenePathForms()) {
        const std::string file = "Rara/" + form.folder + "/f.txt";
        testsupport::makeDirs(tmp.file("Rara/" + form.folder));
        std::unique_ptr<CMElement> record(new CMElement("F"));
        record->addProperty("PATH", form.path.c_str());
        RecordingScene s(application.get(), record.get());
        CMC_SceneUpdater updater(nullptr, &s);
        take(updater, "index.net", "VERSION=2\nFILES=f.txt\n");
        take(updater, "f.txt", form.path);
        EXPECT_EQ(tmp.read(file), form.path);
        EXPECT_EQ(upgradedCount(&s), 1u) << form.path;
        ASSERT_EQ(std::remove(tmp.file(file).c_str()), 0) << form.path;
    }
}

TEST_F(SceneUpdaterTest, UpgradeFetchesTheListedFilesOverTheClient)
{
    nettest::Pools pools;
    testsupport::TempDir served;
    const std::string a(25000, 'a'), b(10241, 'b'), c = "c";
    served.write("Game/S/index.net", "VERSION=1.1\r\nFILES=a.txt,b.txt,c.txt\r\nPACKED_SIZE=35242\r\n");
    served.write("Game/S/a.txt", a);
    served.write("Game/S/b.txt", b);
    served.write("Game/S/c.txt", c);
    // Longer than a frame of the server sends.
    served.write("Game/S/old.txt", std::string(CFileSender_Manager::FRAME_BUDGET * 2 + 1, 'n'));
    nettest::FileServer server(served.path());
    CNetworkClient client(nullptr, false, false);
    ASSERT_TRUE(client.connect(CXString("127.0.0.1"), server.peer.getPort()));
    CMC_SceneUpdater updater(&client, scene.get());
    auto pump = [&] {
        server.tick();
        client.tick();
    };
    ASSERT_TRUE(waitFor([&] {
        pump();
        return updater.needsUpgrade();
    }));
    // A behaviour run by "ONUPGRADED" that connects anew replaces the
    // transfers while they are handing on the last file; the new connection
    // asks for the list again.
    scene->then = [&] { updater.onConnected(CXString("127.0.0.1")); };
    updater.upgrade();
    ASSERT_TRUE(waitFor([&] {
        pump();
        return updater.getUpgradeProgress() == 100;
    }));
    scene->then = nullptr;
    EXPECT_EQ(tmp.read("Rara/S/a.txt"), a);
    EXPECT_EQ(tmp.read("Rara/S/b.txt"), b);
    EXPECT_EQ(tmp.read("Rara/S/c.txt"), c);
    EXPECT_EQ(upgradedCount(scene.get()), 1u);
    EXPECT_FALSE(updater.needsUpgrade());
    served.write("Game/S/index.net", "VERSION=1.2\r\nFILES=old.txt\r\nPACKED_SIZE=25000\r\n");
    ASSERT_TRUE(waitFor([&] {
        pump();
        return updater.needsUpgrade();
    }));
    EXPECT_EQ(server.requests, (std::vector<std::string>{"Game/S/index.net", "Game/S/a.txt", "Game/S/b.txt",
                                                           "Game/S/c.txt", "Game/S/index.net"}));

    // A transfer cut off by the server going leaves the old file as it was.
    updater.upgrade();
    ASSERT_TRUE(waitFor([&] {
        server.peer.tick();
        return server.requests.size() == 6;
    }));
    server.files.tick(); // the response and the first part of the file
    testsupport::DebugCapture log;
    server.peer.stop(false);
    ASSERT_TRUE(waitFor([&] {
        client.tick();
        return !client.isConnected();
    }));
    EXPECT_NE(std::find(log.lines.begin(), log.lines.end(), "DovirAvura server has disconnected."), log.lines.end());
    EXPECT_EQ(tmp.read("Rara/S/old.txt"), "old");
    int probed = probeTransferId();
    updater.upgrade(); // no receiver any more: nothing is asked
    EXPECT_EQ(probeTransferId(), probed + 1);

    // The client going (with the scene that held it) leaves the updater
    // without one.
    CMC_SceneUpdater::clientGone(&client);
    updater.upgrade();
    EXPECT_EQ(probeTransferId(), probed + 2);
    EXPECT_EQ(client.getNotifiers()->getSize(), 0);
}

} // namespace

#include "ValueSupport.h"

#include <gtest/gtest.h>
#include <memory>

using namespace scripttest;

namespace {

// A scene with recording behaviours, a settings file and fake network objects.
class CMC_VariableTest : public ::testing::Test {
protected:
    CMC_VariableTest()
    {
        runs().clear();
        for (const char* n : {"BR", "CH", "CH7", "NET", "INIT"})
            scene.addObject(new FakeBehaviour(&scene, CXString(n), CXString()));
    }
    FakeBehaviour* behaviour(const char* n) { return static_cast<FakeBehaviour*>(scene.getObject(n)); }
    template <class T>
    T* make(const char* name, std::vector<std::pair<const char*, const char*>> properties)
    {
        std::unique_ptr<CMElement> e(record(name, properties));
        T* v = new T(&scene, e.get());
        scene.addObject(v);
        return v;
    }
    FakeNet* net(const char* name, int type, bool ready)
    {
        FakeNet* n = new FakeNet(name, type, ready);
        scene.addObject(n);
        return n;
    }

    Pools pools;
    Types types;
    Settings ini;
    NetAccess access;
    TestScene scene{"ROOM"};
};

TEST_F(CMC_VariableTest, ResolveTurnsLiteralsIntoTemporaries)
{
    struct Case {
        const char* text;
        int type;
        const char* value;
    } cases[] = {
        {"", MC_STRING, ""},          {"\"abc\"", MC_STRING, "abc"},     {"\"abc", MC_STRING, "abc"},
        {"\"", MC_STRING, ""},        {"\"\"", MC_STRING, ""},           {"12", MC_INTEGER, "12"},
        {"-7", MC_INTEGER, "-7"},     {"-", MC_INTEGER, "0"},            {"0", MC_INTEGER, "0"},
        {"0.5", MC_DOUBLE, "0.50000"}, {"05", MC_STRING, "05"},          {"00", MC_STRING, "00"},
        {"1.2.3", MC_DOUBLE, "1.20000"}, {"5.", MC_DOUBLE, "5.00000"},   {".5", MC_STRING, ".5"},
        {"+5", MC_STRING, "+5"},      {"1e5", MC_STRING, "1e5"},         {"TRUE", MC_BOOL, "TRUE"},
        {"True", MC_STRING, "True"},  {"FALSE", MC_BOOL, "FALSE"},       {"hello", MC_STRING, "hello"},
    };
    for (const Case& c : cases) {
        CMC_Variable* v = CMC_Variable::resolve(c.text);
        ASSERT_NE(v, nullptr) << c.text;
        EXPECT_GE(v->getId(), 0) << c.text;
        EXPECT_EQ(v->getType(), c.type) << c.text;
        EXPECT_EQ(v->toString(), c.value) << c.text;
        CMC_Object::flush(v);
    }
    EXPECT_EQ(CMC_VariableFactory::getTakenCount(MC_STRING), 0);
}

TEST_F(CMC_VariableTest, ChangeRaisesEventsThenWritesTheIniThenSends)
{
    CMC_Integer* x = make<CMC_Integer>(
        "X", {{"VALUE", "1"}, {"TOINI", "TRUE"}, {"ONBRUTALCHANGED", "BR"}, {"ONCHANGED", "CH"}});
    EXPECT_TRUE(x->isNetNotify()); // implied by TOINI
    FakeNet* server = net("NETSERVER", MC_NETSERVER, true);
    server->probe = [this] { return "ini=" + ini.get("ROOM", "X"); };
    FakeNet* client = net("NETCLIENT", MC_NETCLIENT, true);
    behaviour("BR")->action = [this](CMC_Object*) { runs().push_back("ini at BR=" + ini.get("ROOM", "X")); };

    CMC_Integer five(5);
    x->set(&five);
    EXPECT_EQ(runs(), (std::vector<std::string>{"BR@X", "ini at BR=", "CH@X"}));
    EXPECT_EQ(server->sent, (std::vector<std::string>{"NETSERVER:X=5 ini=5"}));
    EXPECT_TRUE(client->sent.empty());

    // The same value again: only the every-assignment event; no write, no send.
    runs().clear();
    ini.put("ROOM", "X", "old");
    x->set(&five);
    EXPECT_EQ(runs(), (std::vector<std::string>{"BR@X", "ini at BR=old"}));
    EXPECT_EQ(ini.get("ROOM", "X"), "old");
    EXPECT_EQ(server->sent.size(), 1u);

    // A server that has not started leaves the sending to the client.
    server->ready = false;
    x->inc();
    EXPECT_EQ(client->sent, (std::vector<std::string>{"NETCLIENT:X=6"}));
}

TEST_F(CMC_VariableTest, ChangeEventWithTheValueTakesPrecedence)
{
    CMC_Integer* x = make<CMC_Integer>("X", {{"ONCHANGED^7", "CH7"}});
    FakeNet* server = net("NETSERVER", MC_NETSERVER, true);
    x->setValue(7); // an assignment is no change
    EXPECT_TRUE(runs().empty());
    CMC_Integer seven(7), eight(8);
    x->set(&eight);
    x->set(&seven);
    EXPECT_EQ(runs(), (std::vector<std::string>{"CH7@X"}));
    x->set(&eight); // no behaviour for the plain form: nothing runs
    EXPECT_EQ(runs().size(), 1u);
    EXPECT_TRUE(server->sent.empty()); // neither TOINI nor NETNOTIFY
}

TEST_F(CMC_VariableTest, IniValueIsReadBeforeOnInitOrWrittenWhenAbsent)
{
    ini.put("ROOM", "STORED", "42");
    CMC_Integer* stored =
        make<CMC_Integer>("STORED", {{"VALUE", "1"}, {"TOINI", "TRUE"}, {"ONCHANGED", "CH"}, {"ONINIT", "INIT"}});
    CMC_String* fresh = make<CMC_String>("FRESH", {{"VALUE", "hello"}, {"TOINI", "TRUE"}});
    stored->init();
    fresh->init();
    EXPECT_EQ(stored->getValue(), 42);
    EXPECT_EQ(runs(), (std::vector<std::string>{"CH@STORED", "INIT@STORED"}));
    // The key is the variable's name, not its text.
    EXPECT_EQ(ini.get("ROOM", "FRESH"), "hello");
    EXPECT_EQ(ini.get("ROOM", "hello"), "");

    // resetINI reports a change even when the value stays.
    runs().clear();
    stored->setValue(1);
    stored->resetINI();
    EXPECT_EQ(stored->getValue(), 1);
    EXPECT_EQ(runs(), (std::vector<std::string>{"CH@STORED"}));
    EXPECT_EQ(CMC_VariableFactory::getTakenCount(MC_STRING), 0);
}

TEST_F(CMC_VariableTest, NetworkValueIsSeenOldFirstAndNotSentBack)
{
    CMC_Integer* x = make<CMC_Integer>("X", {{"VALUE", "3"}, {"NETNOTIFY", "TRUE"}, {"ONNETCHANGE", "NET"},
                                             {"ONCHANGED", "CH"}});
    FakeNet* server = net("NETSERVER", MC_NETSERVER, true);
    behaviour("NET")->action = [x](CMC_Object*) { runs().push_back("old=" + std::string(x->toString().c_str())); };
    CMC_Integer received(9);
    x->onNetChange(&received);
    EXPECT_EQ(x->getValue(), 9);
    EXPECT_EQ(runs(), (std::vector<std::string>{"NET@X", "old=3", "CH@X"}));
    EXPECT_TRUE(server->sent.empty());
    EXPECT_TRUE(x->isNetNotify());
}

TEST_F(CMC_VariableTest, SnapshotRecordAddsTheTwoFlags)
{
    CMC_Bool* b = make<CMC_Bool>("B", {{"VALUE", "TRUE"}, {"NETNOTIFY", "TRUE"}});
    std::string bytes = archived([b](CXArchive* ar) { b->serialize(ar); });
    // name "B", no bindings, toIni 0, netNotify 1, value 1, default 1
    EXPECT_EQ(bytes, std::string("\x01\0\0\0B\0\0\0\0\0\x01\x01\x01", 13));

    CMC_Bool copy(CXString("other"));
    EXPECT_EQ(unarchive(bytes, [&copy](CXArchive* ar) { copy.serialize(ar); }), 0);
    EXPECT_EQ(copy.getName(), "B");
    EXPECT_TRUE(copy.getValue());
    EXPECT_TRUE(copy.isNetNotify());
    EXPECT_FALSE(copy.isToIni());
}

TEST_F(CMC_VariableTest, ContainerFindsOnlyBasicValuesAsVariables)
{
    make<CMC_Double>("D", {});
    scene.addObject(new Thing("T"));
    EXPECT_NE(scene.getVariable("D"), nullptr);
    EXPECT_EQ(scene.getVariable("T"), nullptr);
    EXPECT_EQ(scene.getVariable("NONE"), nullptr);
}

} // namespace

#include "ValueSupport.h"
#include "script/Dialog.h"
#include "script/RunnerFactory.h"
#include "script/SceneSnapshot.h"

#include <gtest/gtest.h>

using namespace scripttest;

namespace {

// A panel that records what it is asked.
class FakePanel : public CXDialog {
public:
    explicit FakePanel(std::vector<std::string>* log) : log(log) {}
    ~FakePanel() override { log->push_back("deleted"); }
    void show() override { log->push_back("show"); }
    void hide() override { log->push_back("hide"); }
    void setBackground(CGraphicsObject* g) override { log->push_back("background " + describe(g)); }
    void add(CButton* b) override { log->push_back("button " + describe(b)); }
    void add(CGraphicsObject* g) override { log->push_back("drawable " + describe(g)); }

    static std::string describe(const void* p) { return std::to_string(reinterpret_cast<uintptr_t>(p) % 1000); }
    std::vector<std::string>* log;
};

std::vector<std::string>& panelLog()
{
    static std::vector<std::string> log;
    return log;
}

// Each type's drawable (or button) is a fake pointer: its type id.
CGraphicsObject* drawableOf(CMC_Object* o, const CXString&)
{
    return reinterpret_cast<CGraphicsObject*>(uintptr_t(o->getType()));
}

class CMC_DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CMC_RunnerFactory::initialize();
        CXDialog::setMaker([](CMC_ObjectsContainer*) -> CXDialog* { return new FakePanel(&panelLog()); });
        CMC_Dialog::setButtonAccess([](CMC_Object* o) { return reinterpret_cast<CButton*>(uintptr_t(o->getType())); });
        for (int type : {MC_IMAGE, MC_ANIMO, MC_TEXT, MC_SOUND})
            CMC_ObjectsContainer::setDrawableAccessor(type, &drawableOf);
        for (auto t : std::vector<std::pair<const char*, int>>{
                 {"IMG", MC_IMAGE}, {"ANI", MC_ANIMO}, {"TXT", MC_TEXT}, {"SND", MC_SOUND}, {"BTN", MC_BUTTON}})
            scene.addObject(new Thing(CXString(t.first), t.second));
        std::unique_ptr<CMElement> e(record("DLG", {{"TYPE", "DIALOG"}}));
        dialog = new CMC_Dialog(&scene, e.get());
        scene.addObject(dialog);
        panelLog().clear();
    }
    void TearDown() override
    {
        for (int type : {MC_IMAGE, MC_ANIMO, MC_TEXT, MC_SOUND})
            CMC_ObjectsContainer::setDrawableAccessor(type, nullptr);
        CMC_Dialog::setButtonAccess(nullptr);
        CXDialog::setMaker(nullptr);
        CMC_RunnerFactory::done();
    }
    CMC_Variable* call(const char* method, const char* name = nullptr)
    {
        CXVector args(101, 0.75f);
        if (name)
            args.add(CMC_String::temporary(CXString(name)));
        return CMC_RunnerFactory::getRunner(dialog)->run(CXString(method), dialog, &scene, &args);
    }

    Pools pools;
    TestScene scene{"ROOM"};
    CMC_Dialog* dialog = nullptr;
};

TEST_F(CMC_DialogTest, ForwardsToThePanelOnlyWhatEachMethodTakes)
{
    for (const char* name : {"IMG", "ANI", "TXT", "SND", "BTN", "NOBODY"})
        EXPECT_EQ(call("SETBACKGROUND", name), nullptr) << name;
    for (const char* name : {"IMG", "ANI", "TXT", "SND", "BTN", "NOBODY"})
        EXPECT_EQ(call("ADD", name), nullptr) << name;
    call("SHOW");
    call("HIDE");
    EXPECT_EQ(panelLog(), (std::vector<std::string>{"background 8", "background 0", "drawable 8", "drawable 0",
                                                    "drawable 6", "button 1", "show", "hide"}));
    scene.removeObject(dialog);
    delete dialog;
    EXPECT_EQ(panelLog().back(), "deleted");

    // A dialog read from a snapshot has a panel of its own too.
    std::unique_ptr<CMC_Object> restored(CMC_SnapshotTypes::getRestorer(MC_DIALOG)(nullptr));
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->getName(), "temp");
    CMC_RunnerFactory::getRunner(restored.get())->run(CXString("SHOW"), restored.get(), &scene, nullptr);
    EXPECT_EQ(panelLog().back(), "show");
    restored.reset();
    EXPECT_EQ(panelLog().back(), "deleted");
}

} // namespace

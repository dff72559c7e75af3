// The script FONT: its fonts from "DEF_" keys in a scene with a window,
// its methods, and its snapshot record with the font files' names in the
// snapshot's state trailer.
#include "base/Archive.h"
#include "base/File.h"
#include "collections/RecordsSupport.h"
#include "graphics/RefreshScreen.h"
#include "graphics/ScreenSupport.h"
#include "objects/Font.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "ui/FontCollection.h"
#include "ui/FontSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class CMC_FontTest : public screentest::HeadlessScreen, public ::testing::WithParamInterface<int> {
protected:
    CMC_FontTest()
    {
        EXPECT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(tmp.path())));
        CMC_VariableFactory::initialize();
        CMC_RunnerFactory::initialize();
        backend.setDesktopDepth(GetParam());
        window = makeWindow();
        scene.reset(new CMC_Scene(window.get(), MC_SCENE));
        CSimpleFont6 font(window.get());
        EXPECT_EQ(fonttest::compile(font, platform::toEnginePath(tmp.file("glyphs.fnt"))), 0);
    }
    ~CMC_FontTest() override
    {
        scene.reset();
        CMC_RunnerFactory::done();
        CMC_VariableFactory::done();
    }
    CMC_Font* font(CMC_Scene* s, const char* name)
    {
        CMC_Object* o = s->getObject(name);
        EXPECT_TRUE(o && o->getType() == MC_FONT) << name;
        return o && o->getType() == MC_FONT ? static_cast<CMC_Font*>(o) : nullptr;
    }
    std::string call(CMC_Object* o, const char* method, std::initializer_list<const char*> literals = {})
    {
        CXVector args;
        for (const char* l : literals)
            args.add(CMC_Variable::resolve(CXString(l)));
        CMC_Variable* r = CMC_RunnerFactory::getRunner(o)->run(CXString(method), o, scene.get(), &args);
        std::string text = r ? r->toString().c_str() : "-";
        CMC_Object::flush(r);
        for (int i = 0; i < args.getSize(); ++i)
            CMC_Object::flush(static_cast<CMC_Variable*>(args.at(i)));
        return text;
    }
    // "family/style/size" of each font of the object, and whether it has
    // glyphs.
    static std::string fonts(CMC_Font* f)
    {
        std::string s;
        for (int i = 0; i < f->getFontCount(); ++i) {
            CSimpleFont6* x = f->getFontAt(i);
            s += std::string(x->getFamily().c_str()) + "/" + x->getStyle().c_str() + "/" +
                 std::to_string(x->getSize()) + (x->getLetterCount() ? "+" : "-") + " ";
        }
        return s;
    }

    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    std::unique_ptr<CWindow> window;
    std::unique_ptr<CMC_Scene> scene;
};

TEST_P(CMC_FontTest, DefKeysMakeTheFontsAndTheFirstIsTheBaseFont)
{
    recordstest::defineObjects(scene.get(), {"F:TYPE=FONT", "F:DEF_ARIAL_BOLD_12=glyphs.fnt", "F:OTHER=glyphs.fnt",
                                             "F:DEF_Times_Italic_10=nosuch.fnt", "F:DEF_c_d_7=GLYPHS.FNT",
                                             "G:TYPE=FONT", "G:DEF_A_B_1=nosuch.fnt", "G:DEF_C_D_2=glyphs.fnt"});
    CMC_Font* f = font(scene.get(), "F");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fonts(f), "ARIAL/BOLD/12+ Times/Italic/10- c/d/7+ ");
    EXPECT_EQ(f->getFont()->getBaseFont(), f->getFontAt(0));
    EXPECT_EQ(f->getFont()->get("arial", "bold", 12), f->getFontAt(0));
    EXPECT_EQ(call(f, "GETHEIGHT"), "5");
    // A font file that did not load leaves its font empty, even the base.
    EXPECT_EQ(call(font(scene.get(), "G"), "GETHEIGHT"), "0");

    // SETSTYLE sets the family and SETFAMILY the style, as titles have it.
    call(f, "SETSTYLE", {"\"ITALIC\""});
    call(f, "SETFAMILY", {"\"Serif\""});
    call(f, "SETSIZE", {"14"});
    EXPECT_EQ(f->getFont()->getFamily(), "ITALIC");
    EXPECT_EQ(f->getFont()->getStyle(), "Serif");
    EXPECT_EQ(f->getFont()->getSize(), 14);
    EXPECT_EQ(f->getFontAt(0)->getFamily(), "ARIAL");
}

// White is 0x7FFF on a 15-bit screen and 0xFFFF, sign-extended, on a 16-bit
// one; the colour goes to the collection and every font, and the whole
// window is drawn again.
TEST_P(CMC_FontTest, SetColorPacksTheColourForTheScreen)
{
    recordstest::defineObjects(scene.get(), {"F:TYPE=FONT", "F:DEF_A_B_1=glyphs.fnt", "F:DEF_C_D_2=glyphs.fnt"});
    CMC_Font* f = font(scene.get(), "F");
    ASSERT_NE(f, nullptr);
    CRefreshScreen* screen = window->GetRefreshScreenInterface();
    screen->validate();
    const bool fifteen = GetParam() == 15;
    struct {
        const char* r;
        const char* g;
        const char* b;
        int expected;
    } cases[] = {
        {"255", "255", "255", fifteen ? 32767 : -1},
        {"128", "0", "0", fifteen ? 16 << 10 : int16_t(16 << 11)},
        {"0", "255", "8", fifteen ? (31 << 5) | 1 : (63 << 5) | 1},
    };
    for (const auto& c : cases) {
        call(f, "SETCOLOR", {c.r, c.g, c.b});
        EXPECT_EQ(f->getFont()->getDefColor(), c.expected) << c.r << "," << c.g << "," << c.b;
        for (int i = 0; i < f->getFontCount(); ++i)
            EXPECT_EQ(f->getFontAt(i)->getDefColor(), c.expected);
    }
    EXPECT_TRUE(screen->getRefreshList()->isWholeScreen());
    // The glyphs keep their pixels: a text takes the colour.
    EXPECT_EQ(f->getFontAt(0)->getColor(), 0);
}

// The record keeps the fonts' family, style and size; the trailer their
// files, so the fonts have their glyphs again. Without the trailer (a
// snapshot of older making) the fonts come back without glyphs.
TEST_P(CMC_FontTest, TheSnapshotKeepsTheFontsAndTheirFiles)
{
    recordstest::defineObjects(scene.get(), {"F:TYPE=FONT", "F:DEF_ARIAL_BOLD_12=glyphs.fnt",
                                             "F:DEF_Times_Italic_10=glyphs.fnt", "F:ONINIT=NOTHING"});
    const std::string written = "S.bin";
    {
        CFile file(nullptr, CXString(written.c_str()), CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY);
        CXArchive archive(&file, true);
        scene->writeSnapshot(&archive);
    }
    std::string bytes = tmp.read(written);
    auto reread = [this](const std::string& b, bool expectComplete) {
        tmp.write("R.bin", b);
        std::unique_ptr<CMC_Scene> s(new CMC_Scene(window.get(), MC_SCENE));
        CFile file(nullptr, CXString("R.bin"), CFile::MODE_READ | CFile::MODE_BINARY);
        CXArchive archive(&file, false);
        EXPECT_EQ(s->readSnapshot(&archive), expectComplete);
        return s;
    };
    std::unique_ptr<CMC_Scene> back = reread(bytes, true);
    CMC_Font* f = font(back.get(), "F");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fonts(f), "ARIAL/BOLD/12+ Times/Italic/10+ ");
    EXPECT_EQ(call(f, "GETHEIGHT"), "5");

    const int mark = CMC_SnapshotTypes::STATE_MARK;
    size_t trailer = bytes.find(std::string(reinterpret_cast<const char*>(&mark), 4));
    ASSERT_NE(trailer, std::string::npos);
    back = reread(bytes.substr(0, trailer), true);
    f = font(back.get(), "F");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fonts(f), "ARIAL/BOLD/12- Times/Italic/10- ");
    EXPECT_EQ(call(f, "GETHEIGHT"), "0");

    // A record cut short restores nothing after it.
    back = reread(bytes.substr(0, trailer - 3), false);
    EXPECT_EQ(back->getObject("F"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Depths, CMC_FontTest, ::testing::Values(15, 16));

} // namespace

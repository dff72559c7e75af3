// What a scene snapshot or a definition may make the engine allocate: an
// object that asks for more than one object may hold, or than the file's
// objects may hold together, is left out with one line naming the file and
// the object; its record is read to its end, so the records after it load.
#include "RecordsSupport.h"
#include "base/Archive.h"
#include "base/File.h"
#include "base/LoadBounds.h"
#include "collections/MultiArray.h"
#include "graphics/Canvas.h"
#include "objects/ScriptCanvas.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/String.h"
#include "script/Values.h"

#include <sys/resource.h>

#include <functional>
#include <memory>
#include <string>

using namespace recordstest;

namespace {

const int HUGE_WIDTH = 0x7E000, HUGE_HEIGHT = 256;
// What a 16-bit canvas of that size holds: 252 MiB.
const int64_t HUGE_BYTES = int64_t(HUGE_WIDTH) * HUGE_HEIGHT * 2;

// The largest resident size this process has had, in KiB.
long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class CLoadBoundsTest : public RecordsTest {
protected:
    using Records = std::function<void(CXArchive&)>;

    // A snapshot written through the engine's serializer to T:\<file>; its
    // bytes.
    std::string write(const char* file, const Records& records)
    {
        {
            CFile out(nullptr, CXString("T:\\") + file, CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY);
            CXArchive ar(&out, true);
            records(ar);
        }
        return tmp.read(file);
    }
    // No plug-ins, background or music, and the number of records.
    static void header(CXArchive& ar, int count) { ar << CXString() << CXString() << CXString() << count; }
    // A canvas record as the canvas writes one: its name, no bindings, the
    // size, off the screen, without alpha or background.
    static void canvas(CXArchive& ar, const char* name, int w, int h)
    {
        ar << int(MC_CANVAS) << CXString(name) << 0 << w << h << -1 << false << false;
    }
    static void object(CXArchive& ar, CMC_Object& o)
    {
        ar << o.getType();
        o.serialize(&ar);
    }
    static void integer(CXArchive& ar, const char* name, int value)
    {
        CMC_Integer n{CXString(name)};
        n.setValue(value);
        object(ar, n);
    }
    // T:\<file> read into a new scene S; what standard error said.
    std::string load(const char* file, std::unique_ptr<CMC_Scene>* into)
    {
        into->reset(new CMC_Scene(nullptr, MC_SCENE));
        (*into)->setName(CXString("S"));
        CFile in(nullptr, CXString("T:\\") + file, CFile::MODE_READ | CFile::MODE_BINARY);
        CXArchive ar(&in, false);
        testing::internal::CaptureStderr();
        EXPECT_TRUE((*into)->readSnapshot(&ar)) << file;
        return testing::internal::GetCapturedStderr();
    }
    // The line that leaves an object of S.bin out past one object's bound.
    std::string overObject(const char* name, int64_t asked, const char* file)
    {
        return "Quarnel: object \"" + std::string(name) + "\" of the scene snapshot \"S.bin\" left out: it asks for " +
               std::to_string(asked) + " bytes, over the limit of 33554432 bytes (32 MiB) for one object: " +
               tmp.file(file) + "\n";
    }
    static std::string text(CMC_Object* o) { return o ? static_cast<CMC_Variable*>(o)->toString().c_str() : "-"; }
};

// The 296-byte snapshot of ten canvases of 0x7E000 x 256 pixels: each is
// left out with its line and allocates nothing. The same records with two
// more after them load those two; a definition of such a canvas is left out
// the same way.
TEST_F(CLoadBoundsTest, TenCanvasesOfAQuarterGigabyteAreLeftOutAndTheRestLoads)
{
    const Records huge = [](CXArchive& ar) {
        for (int i = 0; i < 10; ++i)
            canvas(ar, ("C" + std::to_string(i)).c_str(), HUGE_WIDTH, HUGE_HEIGHT);
    };
    EXPECT_EQ(write("S.bin",
                    [&huge](CXArchive& ar) {
                        header(ar, 10);
                        huge(ar);
                    })
                  .size(),
              296u);
    const long before = peakKiB();
    std::unique_ptr<CMC_Scene> loaded;
    std::string said = load("S.bin", &loaded);
    EXPECT_LT(peakKiB() - before, 64 * 1024) << "KiB more at the peak";
    // Each name costs what a string read does.
    const int64_t asked = CLoadBounds::STRING_BYTES + 2 + HUGE_BYTES;
    std::string lines;
    for (int i = 0; i < 10; ++i)
        lines += overObject(("C" + std::to_string(i)).c_str(), asked, "S.bin");
    EXPECT_EQ(said, lines);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(loaded->getObject(("C" + std::to_string(i)).c_str()), nullptr) << i;
    loaded->unload();

    write("R.bin", [&huge](CXArchive& ar) {
        header(ar, 12);
        huge(ar);
        canvas(ar, "SMALL", 8, 4);
        integer(ar, "N", 7);
    });
    said = load("R.bin", &loaded);
    EXPECT_NE(said.find(overObject("C9", asked, "R.bin")), std::string::npos) << said;
    CMC_Object* small = loaded->getObject("SMALL");
    ASSERT_TRUE(small && small->getType() == MC_CANVAS);
    EXPECT_EQ(static_cast<CMC_Canvas*>(small)->getCanvas()->Width(), 8);
    EXPECT_EQ(text(loaded->getObject("N")), "7");
    loaded->unload();

    testing::internal::CaptureStderr();
    const std::string width = "C:WIDTH=" + std::to_string(HUGE_WIDTH);
    const std::string height = "C:HEIGHT=" + std::to_string(HUGE_HEIGHT);
    defineObjects(&scene, {"C:TYPE=CANVAS", width.c_str(), height.c_str(), "D:TYPE=CANVAS", "D:WIDTH=8", "D:HEIGHT=4"});
    said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "Quarnel: object \"C\" of the definition file left out: it asks for " + std::to_string(HUGE_BYTES) +
                        " bytes, over the limit of 33554432 bytes (32 MiB) for one object\n");
    EXPECT_EQ(scene.getObject("C"), nullptr);
    EXPECT_NE(scene.getObject("D"), nullptr);
}

// Each size a snapshot gives is bounded so: a pattern's table, a string,
// a grid in the state that follows the records. The object is left out,
// and what follows it, record or state, is read.
TEST_F(CLoadBoundsTest, EachSizePastTheBoundLeavesItsObjectOutAndWhatFollowsLoads)
{
    const int64_t name = CLoadBounds::STRING_BYTES + 1, bigText = CLoadBounds::OBJECT_BYTES;
    const int near[] = {1, 1}, far[] = {4095, 1023};
    struct Case {
        const char* name;
        Records records; // X past the bound, then N = 7 or the grid Y
        int64_t asked;
    };
    const Case cases[] = {
        {"pattern",
         [](CXArchive& ar) {
             // Visible, off the screen, 8000 x 6000 pixels of cells of one
             // pixel, in one layer: 48 million cells.
             header(ar, 2);
             ar << int(MC_PATTERN) << CXString("X") << 0 << true << -1 << 8000 << 6000 << 1 << 1 << 1;
             integer(ar, "N", 7);
         },
         name + (int64_t(8000) * 6000 + 3) * int64_t(sizeof(void*))},
        {"string",
         [bigText](CXArchive& ar) {
             header(ar, 2);
             CMC_String x{CXString("X")};
             x.setValue(CXString(std::string(size_t(bigText), 'a').c_str()));
             object(ar, x);
             integer(ar, "N", 7);
         },
         name + CLoadBounds::STRING_BYTES + bigText},
        // A grid grown by a cell at its far corner to 4096 x 1024 slots: its
        // record is empty, the state after the records holds its name and
        // cells, then those of Y.
        {"grid",
         [&](CXArchive& ar) {
             CMC_Scene source(nullptr, MC_SCENE);
             defineObjects(&source, {"X:TYPE=MULTIARRAY", "Y:TYPE=MULTIARRAY"});
             CMC_Integer seven(7);
             static_cast<CMC_MultiArray*>(source.getObject("X"))->set(far, 2, &seven);
             static_cast<CMC_MultiArray*>(source.getObject("Y"))->set(near, 2, &seven);
             source.writeSnapshot(&ar);
             source.unload();
         },
         name + int64_t(4096) * 1024 * int64_t(sizeof(void*))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write("S.bin", c.records);
        std::unique_ptr<CMC_Scene> loaded;
        EXPECT_EQ(load("S.bin", &loaded), overObject("X", c.asked, "S.bin"));
        EXPECT_EQ(loaded->getObject("X"), nullptr);
        if (CMC_Object* y = loaded->getObject("Y"))
            EXPECT_EQ(text(static_cast<CMC_MultiArray*>(y)->get(near, 2)), "7");
        else
            EXPECT_EQ(text(loaded->getObject("N")), "7");
        loaded->unload();
    }
}

// The file's bound: what its objects kept hold together. An object past it
// is refused with the file's line, what an object left out held is given
// back, and without open bounds every claim is granted.
TEST_F(CLoadBoundsTest, TheFilesObjectsTogetherStayWithinItsBound)
{
    const int64_t part = int64_t(30) << 20;
    int keys[10];
    testing::internal::CaptureStderr();
    {
        CLoadBounds bounds("scene snapshot", CXString("S.bin"), CXString());
        EXPECT_EQ(CLoadBounds::current(), &bounds);
        for (int i = 0; i < 8; ++i) {
            bounds.setObject(&keys[i]);
            EXPECT_TRUE(CLoadBounds::claim(part)) << i;
        }
        bounds.setObject(&keys[8]);
        EXPECT_FALSE(CLoadBounds::claim(part));
        EXPECT_FALSE(CLoadBounds::claim(1)) << "once refused, always";
        bounds.leaveOut(&keys[8], CXString("I"));
        bounds.leaveOut(&keys[0], CXString("A"));
        EXPECT_EQ(bounds.getHeld(), 7 * part);
        bounds.setObject(&keys[9]);
        EXPECT_TRUE(CLoadBounds::claim(part));
        {
            CLoadBounds inner("definition file", CXString(), CXString());
            EXPECT_TRUE(CLoadBounds::claim(part));
        }
        EXPECT_EQ(CLoadBounds::current(), &bounds);
        EXPECT_FALSE(CLoadBounds::claim(INT64_MAX / 2, 4)) << "a product past the integers";
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quarnel: object \"I\" of the scene snapshot \"S.bin\" left out: it asks for 31457280 bytes, and the "
              "objects kept before it hold 251658240, over the limit of 268435456 bytes (256 MiB) for one file\n");
    EXPECT_EQ(CLoadBounds::current(), nullptr);
    EXPECT_TRUE(CLoadBounds::claim(int64_t(1) << 40));

    // A file of many such objects names the first ones, then counts the rest.
    testing::internal::CaptureStderr();
    {
        CLoadBounds bounds("scene snapshot", CXString("M.bin"), CXString());
        for (int i = 0; i < CLoadBounds::OBJECTS_TOLD + 2; ++i) {
            bounds.setObject(&keys[0]);
            EXPECT_FALSE(CLoadBounds::claim(CLoadBounds::OBJECT_BYTES + 1));
            bounds.leaveOut(&keys[0], CXString(("O" + std::to_string(i)).c_str()));
        }
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("object \"O31\" of the scene snapshot \"M.bin\" left out"), std::string::npos) << said;
    EXPECT_EQ(said.find("\"O32\""), std::string::npos) << said;
    EXPECT_NE(said.find("Quarnel: 2 more objects of the scene snapshot \"M.bin\" left out, over the limit of 33554432 "
                        "bytes (32 MiB) for one object or 268435456 bytes (256 MiB) for one file\n"),
              std::string::npos)
        << said;
}

} // namespace

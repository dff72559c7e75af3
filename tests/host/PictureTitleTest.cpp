// A title that shows pictures written by another program (PSD documents and
// Targa files, see tests/fixtures/pictures): its IMAGE objects and its
// background show them pixel for pixel as that program reads them, and the
// Targa files the engine does not read are named on standard error.
#include "FrameAfterDone.h"
#include "HostTitle.h"
#include "support/WrittenPictures.h"

#include <string>
#include <vector>

namespace {

using CPSDTitle = testsupport::HostTitle;
using testsupport::WrittenPicture;

// The pictures shown: the first layer of each document, each Targa file
// the engine reads, and the two it refuses, each where the title put it.
struct Shown {
    WrittenPicture picture;
    int x, y;
};

TEST_F(CPSDTitle, ImagesAndTheBackgroundShowWhatAnotherProgramWrote)
{
    std::vector<Shown> shown;
    std::string objects, placing;
    for (const WrittenPicture& p : testsupport::writtenPictures()) {
        if (p.layer != 0)
            continue;
        tmp.write("Rara/S/" + p.file, testsupport::readFile(testsupport::picturesFolder() + "/" + p.file));
        const int n = int(shown.size());
        shown.push_back(Shown{p, 100 + 40 * (n % 8), 200 + 40 * (n / 8)});
        const std::string name = "P" + std::to_string(n);
        objects += "OBJECT=" + name + "\n" + name + ":TYPE=IMAGE\n" + name + ":FILENAME=" + p.file + "\n" + name +
                   ":TOCANVAS=TRUE\n" + name + ":VISIBLE=TRUE\n" + name + ":PRIORITY=5\n";
        placing +=
            name + "^SETPOSITION(" + std::to_string(shown.back().x) + "," + std::to_string(shown.back().y) + ");";
    }
    ASSERT_EQ(shown.size(), 13u);
    // The background is the first layer of a document of three.
    const WrittenPicture background = shown[8].picture;
    ASSERT_EQ(background.file, "rgb3_rle.psd");
    title({{"Rara/application.def", oneScene() + "S:BACKGROUND=rgb3_rle.psd\n"},
           {"Rara/S/S.cnv", kept("DONE") + onInit(placing + "DONE^SET(1);") + objects +
                                "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=600\nQUIT:ONTICK={GAME^EXIT();}\n"}});

    auto expected = [&shown, &background](int x, int y) -> uint32_t {
        // The background's surface is the size of its picture: black
        // beyond it.
        const uint32_t behind = x < background.width && y < background.height ? background.word(x, y) : 0;
        for (const Shown& s : shown) {
            if (x < s.x || y < s.y || x >= s.x + s.picture.width || y >= s.y + s.picture.height)
                continue;
            if (s.picture.file == "rgb24_rle.tga" || s.picture.file == "rgba32.tga")
                return behind;
            return s.picture.opaque(x - s.x, y - s.y) ? s.picture.word(x - s.x, y - s.y) : behind;
        }
        return behind;
    };
    testsupport::FrameAfterDone shot(expected, "written_pictures");
    testsupport::FeedInUse feed(&testsupport::FrameAfterDone::feed, &shot);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run("-nogfx -frames 300"), 0);
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(shot.verdict, "shown");
    EXPECT_EQ(told, "Quarnel: picture \"rgb24_rle.tga\" cannot be shown: a run-length encoded Targa (only "
                    "uncompressed 24-bit ones are read): " + tmp.file("Rara/S/rgb24_rle.tga") + "\n"
                    "Quarnel: picture \"rgba32.tga\" cannot be shown: a Targa of other than 24 bits a pixel (only "
                    "24-bit ones are read): " + tmp.file("Rara/S/rgba32.tga") + "\n");
}

} // namespace

// The file report: a file is named once in a run, whatever it was wanted
// for and however the title spelt its name.
#include "base/FileReport.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(CFileReportTest, EachFileIsToldOnceWhateverItWasWantedFor)
{
    testsupport::TempDir tmp;
    const CXString hall(platform::toEnginePath(tmp.file("Rara/HALL/hall.tga")).c_str());
    const CXString door(platform::toEnginePath(tmp.file("Wavs/door.wav")).c_str());
    ::testing::internal::CaptureStderr();
    CFileReport::failedAt("picture", "hall.tga", "not found", hall);
    CFileReport::failedAt("animation", "HALL.TGA", "cannot be read: damaged", hall);
    CFileReport::failedAt("sound", "door.wav", "not found", door);
    CFileReport::failedAt("sound", "door.wav", "not found", door);
    CFileReport::tell("the pattern P is too large");
    CFileReport::tell("the pattern P is too large");
    // A mistake with a path is told once whatever its detail; without a
    // path, each detail is told once.
    CFileReport::mistakeAt("plug-in \"W\"", hall, "no such file");
    CFileReport::mistakeAt("plug-in \"W\"", hall, "not a plug-in");
    CFileReport::mistakeAt("phone", CXString(), "no line");
    CFileReport::mistakeAt("phone", CXString(), "baresip ended");
    CFileReport::mistakeAt("phone", CXString(), "no line");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Quarnel: picture \"hall.tga\" not found: " + tmp.file("Rara/HALL/hall.tga") + "\n"
              "Quarnel: sound \"door.wav\" not found: " + tmp.file("Wavs/door.wav") + "\n"
              "Quarnel: the pattern P is too large\n"
              "Quarnel: the pattern P is too large\n"
              "Quarnel: plug-in \"W\": " + tmp.file("Rara/HALL/hall.tga") + " (no such file)\n"
              "Quarnel: phone: no line\n"
              "Quarnel: phone: baresip ended\n");
}

// A file that a peer names is told once as well, its name and the last
// part of its path cut past NAME_SHOWN bytes (a name of NAME_SHOWN bytes
// is whole).
TEST(CFileReportTest, FilesThatPeersNameAreToldOnceWithTheirNamesCut)
{
    testsupport::TempDir tmp;
    const std::string whole(CFileReport::NAME_SHOWN, 'w'), longer = whole + "xyz";
    auto at = [&](const std::string& name) { return CXString(platform::toEnginePath(tmp.file(name)).c_str()); };
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i) {
        CFileReport::peerFailedAt("requested file", CXString(whole.c_str()), "not found", at(whole));
        CFileReport::peerFailedAt("requested file", CXString(longer.c_str()), "refused", at(longer));
    }
    const std::string cut = whole + "...(cut, 83 bytes)";
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Quarnel: requested file \"" + whole + "\" not found: " + tmp.file(whole) + "\n" +
                  "Quarnel: requested file \"" + cut + "\" refused: " + tmp.file(cut) + "\n");
    EXPECT_EQ(CFileReport::cutName(CXString(longer.c_str())), CXString(cut.c_str()));
    EXPECT_EQ(CFileReport::cutPath(CXString(("C:\\" + longer).c_str())), CXString(("C:\\" + cut).c_str()));
}

} // namespace

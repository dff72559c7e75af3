#include "base/TextCoder.h"
#include "platform/Drives.h"
#include "script/Element.h"
#include "script/ElementsLoader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

// A scrambled definition file reads into the same records as its plain text.
TEST(CTextCoderTest, DefinitionReaderReadsScrambledText)
{
    testsupport::TempDir tmp;
    platform::ScopedDriveMap drives;
    platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    tmp.write("scene.cnv", "OBJECT=HERO\r\nHERO:TYPE=ANIMO\r\nHERO:FILENAME=/\r\nhero.ann\r\n");
    CTextCoder::code(nullptr, "T:\\scene.cnv", "T:\\scene.cnv.coded", 6);

    for (const char* name : {"T:\\scene.cnv", "T:\\scene.cnv.coded"}) {
        CTextCoder coder(nullptr, name, false);
        std::unique_ptr<CMElements> list(CMElementsLoader::load(&coder));
        ASSERT_EQ(list->getSize(), 1) << name;
        CMElement* hero = list->get("HERO");
        ASSERT_NE(hero, nullptr);
        EXPECT_EQ(hero->getPropertyValue("TYPE"), "ANIMO");
        EXPECT_EQ(hero->getPropertyValue("FILENAME"), "hero.ann");
    }
}

} // namespace

// A title with a FILTER played by the host: a fade linked to an ANIMO by
// its name, its steps and its end raised as the title's events, from the
// definitions and from the scene's snapshot.
#include "HostTitle.h"
#include "objects/AnimoFiles.h"

#include <cstdio>
#include <string>

namespace {

using CMC_FilterTitle = testsupport::HostTitle;

// A fade of SPEED 50 steps 0, 50, ..., 250 and ends at 255 on its sixth
// step: five ticks (10 each), then the end in its "^A" form (1), which
// ends the title; the plain form is not raised.
TEST_F(CMC_FilterTitle, AFadeOnAnAnimationRaisesItsTicksAndItsEnd)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            kept("N") + onInit("F^SETPROPERTY(\"SPEED\",\"50\");F^LINK(\"A\");F^START(\"A\");") +
                "OBJECT=A\nA:TYPE=ANIMO\nA:FILENAME=hero.ann\nA:TOCANVAS=TRUE\nA:VISIBLE=TRUE\n"
                "OBJECT=F\nF:TYPE=FILTER\nF:ACTION=FADEIN\nF:ONTICK={N^ADD(10);}\n"
                "F:ONFINISHED^A={N^ADD(1);GAME^EXIT();}\nF:ONFINISHED={N^ADD(1000);}\n"}});
    ASSERT_TRUE(animotest::writeAnimation(nullptr, tmp.file("Rara/S/hero.ann"), animotest::heroFrames(),
                                          animotest::heroEvents()));
    EXPECT_EQ(run("-nogfx -frames 300"), 0);
    EXPECT_EQ(setting("S", "N"), "51");

    EXPECT_EQ(run("-nogfx -2bin"), 0);
    ASSERT_EQ(std::remove(tmp.file("Rara/S/S.cnv").c_str()), 0);
    tmp.write("Quarnel.ini", "");
    EXPECT_EQ(run("-nogfx -frames 300"), 0);
    EXPECT_EQ(setting("S", "N"), "51");
}

} // namespace

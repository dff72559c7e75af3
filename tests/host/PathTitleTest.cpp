// A title with a PATH played by the host: a FILTER walks an IMAGE along the
// VECTOR objects the path names, from the definitions and from the scene's
// snapshot.
#include "HostTitle.h"
#include "objects/ImageFiles.h"

#include <string>

namespace {

using CMC_PathTitle = testsupport::HostTitle;

// The path's record comes after those of its nodes (definitions make paths
// last) and names them again when it is read back. At its start the title
// appends U and doubles the density: the picture at (20, 30) goes 10 right,
// 4 down and 4 left, 2 pixels a step: eight ticks, then the path's end on
// the ninth step, which ends the title.
TEST_F(CMC_PathTitle, AFilterWalksAPictureAlongThePath)
{
    auto vector = [](const char* name, const char* value) {
        return std::string("OBJECT=") + name + "\n" + name + ":TYPE=VECTOR\n" + name + ":SIZE=2\n" + name +
               ":VALUE=" + value + "\n";
    };
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", kept("X") + kept("Y") + kept("N") + kept("SIZE") +
                                onInit("P^ADD(\"U\");P^SETPROPERTY(\"DENSITY\",2);SIZE^SET(P^GETSIZE());"
                                       "F^SETPROPERTY(\"PATHDEF\",\"P\");F^LINK(\"H\");F^START(\"H\");") +
                                "OBJECT=P\nP:TYPE=PATH\nP:NODES=R,D\n" + vector("R", "10,0") + vector("D", "0,4") +
                                vector("U", "-4,0") +
                                "OBJECT=H\nH:TYPE=IMAGE\nH:FILENAME=h.img\nH:TOCANVAS=TRUE\nH:VISIBLE=TRUE\n"
                                "OBJECT=F\nF:TYPE=FILTER\nF:ACTION=PATH\nF:ONTICK={N^ADD(1);}\n"
                                "F:ONFINISHED={X^SET(H^GETPOSITIONX());Y^SET(H^GETPOSITIONY());GAME^EXIT();}\n"}});
    ASSERT_TRUE(imagetest::writeImage(
        tmp.file("Rara/S/h.img"), 4, 4, [](int, int) { return uint16_t(0xF800); }, nullptr, CXPoint(20, 30)));
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        tmp.write("Quarnel.ini", "");
        EXPECT_EQ(run("-nogfx -frames 1000"), 0) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "SIZE"), "3") << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "X"), "26") << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "Y"), "34") << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "N"), "8") << "from the snapshot " << fromSnapshot;
    });
}

} // namespace

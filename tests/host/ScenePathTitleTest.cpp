// A scene's "PATH" in each form titles write it: the scene is found in its
// folder from its definitions, "-2bin" writes its snapshot there, and the
// scene is found from the snapshot.
#include "HostTitle.h"
#include "support/ScenePaths.h"

#include <cstdio>
#include <string>

namespace {

using ScenePathTitleTest = testsupport::HostTitle;

TEST_F(ScenePathTitleTest, EveryFormNamesTheScenesFolder)
{
    for (const testsupport::ScenePathForm& form : testsupport::scenePathForms()) {
        const std::string folder = "Rara/" + form.folder + "/";
        std::remove(tmp.file("Rara/application.bin").c_str());
        std::remove(tmp.file(folder + "S.bin").c_str());
        title({{"Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E\nOBJECT=E\n"
                                        "E:TYPE=EPISODE\nE:SCENES=S\nOBJECT=S\nS:TYPE=SCENE\nS:PATH=" +
                                            form.path + "\n"},
               {folder + "S.cnv", kept("V") + onInit("V^INC();GAME^EXIT();")}});
        fromDefinitionsThenSnapshot(folder + "S.cnv", [&](bool fromSnapshot) {
            tmp.write("Quarnel.ini", "");
            EXPECT_EQ(run("-nogfx -frames 20"), 0) << form.path << " " << fromSnapshot;
            EXPECT_EQ(setting("S", "V"), "1") << form.path << " " << fromSnapshot;
            if (fromSnapshot) {
                EXPECT_NE(tmp.read(folder + "S.bin"), "") << form.path;
            }
        });
    }
}

} // namespace

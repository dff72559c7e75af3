// A title with a SEQUENCE played by the host, from the definitions and from
// the scene's snapshot: a sequence definition file whose elements play the
// scene's ANIMO object and a sound of the sound-effects folder, and the
// events the title hears of them.
#include "HostTitle.h"
#include "media/MediaSupport.h"
#include "objects/AnimoFiles.h"

#include <string>

namespace {

using CMC_SequenceTitle = testsupport::HostTitle;

// Q plays HERO's WALK (element Walk), then tone.wav (element Tone). The
// sequence's own start and end come plain, each element's in the caret
// form with its name in upper case. An element's end reaches the sequence
// before the object: the next element's start, or the sequence's end,
// comes before it. The sequence's end ends the title.
TEST_F(CMC_SequenceTitle, AnAnimationThenASound)
{
    auto on = [](const char* event, const char* text) {
        return std::string("Q:") + event + "={LOG^ADD(\"" + text + "\");}\n";
    };
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", "OBJECT=LOG\nLOG:TYPE=STRING\nLOG:VALUE=.\nLOG:TOINI=TRUE\n" + onInit("Q^PLAY(\"GO\");") +
                                "OBJECT=HERO\nHERO:TYPE=ANIMO\nHERO:FILENAME=hero.ann\n"
                                "HERO:TOCANVAS=TRUE\nHERO:VISIBLE=TRUE\n"
                                "OBJECT=Q\nQ:TYPE=SEQUENCE\nQ:FILENAME=Q.SEQ\n" +
                                on("ONSTARTED", "s") + on("ONSTARTED^WALK", "W") + on("ONFINISHED^WALK", "w") +
                                on("ONSTARTED^TONE", "T") + on("ONFINISHED^TONE", "t") +
                                "Q:ONFINISHED={LOG^ADD(\"f\");GAME^EXIT();}\n"},
           {"Rara/S/Q.SEQ", "NAME Q\nQ TYPE SEQUENCE\n"
                            "NAME Walk\nWalk FILENAME HERO\nWalk EVENT WALK\nWalk TYPE SIMPLE\nWalk ADD Q\n"
                            "NAME Tone\nTone FILENAME TONE.WAV\nTone TYPE SIMPLE\nTone ADD Q\n"}});
    ASSERT_TRUE(animotest::writeAnimation(nullptr, tmp.file("Rara/S/hero.ann"), animotest::heroFrames(),
                                          animotest::heroEvents()));
    tmp.write("Wavs/tone.wav", mediatest::pcmWav(mediatest::ramp(2205))); // 100 ms
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        tmp.write("Quarnel.ini", "");
        EXPECT_EQ(run("-nogfx -frames 3000"), 0) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "LOG"), ".sWTwft") << "from the snapshot " << fromSnapshot;
    });
}

// An application that lists its scene directly, without an episode: the
// element still finds the scene's ANIMO object and plays it.
TEST_F(CMC_SequenceTitle, AnAnimationOfASceneWithoutAnEpisode)
{
    title({{"Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:SCENES=S\nOBJECT=S\nS:TYPE=SCENE\n"
                                    "S:PATH=\\S\n"},
           {"Rara/S/S.cnv", "OBJECT=LOG\nLOG:TYPE=STRING\nLOG:VALUE=.\nLOG:TOINI=TRUE\n" + onInit("Q^PLAY(\"GO\");") +
                                "OBJECT=HERO\nHERO:TYPE=ANIMO\nHERO:FILENAME=hero.ann\n"
                                "HERO:TOCANVAS=TRUE\nHERO:VISIBLE=TRUE\n"
                                "OBJECT=Q\nQ:TYPE=SEQUENCE\nQ:FILENAME=Q.SEQ\nQ:ONSTARTED^WALK={LOG^ADD(\"W\");}\n"
                                "Q:ONFINISHED^WALK={LOG^ADD(\"w\");}\nQ:ONFINISHED={LOG^ADD(\"f\");GAME^EXIT();}\n"},
           {"Rara/S/Q.SEQ", "NAME Q\nQ TYPE SEQUENCE\n"
                            "NAME Walk\nWalk FILENAME HERO\nWalk EVENT WALK\nWalk TYPE SIMPLE\nWalk ADD Q\n"}});
    ASSERT_TRUE(animotest::writeAnimation(nullptr, tmp.file("Rara/S/hero.ann"), animotest::heroFrames(),
                                          animotest::heroEvents()));
    EXPECT_EQ(run("-nogfx -frames 3000"), 0);
    EXPECT_EQ(setting("S", "LOG"), ".Wfw");
}

// A sequence without elements has nothing to play: PLAY starts and
// finishes it at once, and it does not report playing afterwards.
TEST_F(CMC_SequenceTitle, ASequenceWithoutElementsFinishesAtOnce)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", "OBJECT=LOG\nLOG:TYPE=STRING\nLOG:VALUE=.\nLOG:TOINI=TRUE\n" + kept("P") +
                                onInit("Q^PLAY(\"GO\");P^SET(Q^ISPLAYING());") +
                                "OBJECT=Q\nQ:TYPE=SEQUENCE\nQ:FILENAME=Q.SEQ\nQ:ONSTARTED={LOG^ADD(\"s\");}\n"
                                "Q:ONFINISHED={LOG^ADD(\"f\");}\n"
                                "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=300\nQUIT:ONTICK={GAME^EXIT();}\n"},
           {"Rara/S/Q.SEQ", "NAME Q\nQ TYPE SEQUENCE\n"}});
    EXPECT_EQ(run("-nogfx -frames 3000"), 0);
    EXPECT_EQ(setting("S", "LOG"), ".sf");
    EXPECT_EQ(setting("S", "P"), "0");
}

} // namespace

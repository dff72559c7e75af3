// A title with SOUND objects played by the host, from the definitions and
// from the scene's snapshot: the events of plays, stops, pauses and
// resumptions of one sound shared by two objects.
#include "HostTitle.h"
#include "media/MediaSupport.h"

#include <string>

namespace {

using CMC_SoundTitle = testsupport::HostTitle;

// A and B name one file of the sound-effects folder in two letter cases:
// each play reports to both. C hears the end only in a caret form, which
// a sound never raises; D names no file and never starts. Each turn,
// timers apart: a play to its end; a play stopped without its end; a
// pause and a resumption; a play of a paused sound (which resumes it)
// stopped with its end, reported in the next frame.
TEST_F(CMC_SoundTitle, PlaysStopsAndPausesOfASharedSound)
{
    auto on = [](const char* object, const char* event, const char* text) {
        return std::string(object) + ":" + event + "={LOG^ADD(\"" + text + "\");}\n";
    };
    auto timer = [](const char* name, int elapse, const char* code) {
        return std::string("OBJECT=") + name + "\n" + name + ":TYPE=TIMER\n" + name + ":ELAPSE=" +
               std::to_string(elapse) + "\n" + name + ":TICKS=1\n" + name + ":ONTICK={" + code + "}\n";
    };
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", "OBJECT=LOG\nLOG:TYPE=STRING\nLOG:VALUE=.\nLOG:TOINI=TRUE\n"
                            "OBJECT=A\nA:TYPE=SOUND\nA:FILENAME=tone.wav\n" +
                                on("A", "ONSTARTED", "As") + on("A", "ONFINISHED", "Af") + on("A", "ONRESUMED", "Ar") +
                                "OBJECT=B\nB:TYPE=SOUND\nB:FILENAME=TONE.WAV\n" + on("B", "ONSTARTED", "Bs") +
                                on("B", "ONFINISHED", "Bf") + on("B", "ONRESUMED", "Br") +
                                "OBJECT=C\nC:TYPE=SOUND\nC:FILENAME=tone.wav\n" + on("C", "ONFINISHED^X", "C") +
                                "OBJECT=D\nD:TYPE=SOUND\nD:FILENAME=none.wav\n" + on("D", "ONSTARTED", "D") +
                                timer("T1", 100, "A^PLAY();D^PLAY();D^STOP();LOG^ADD(\"|\");") +
                                timer("T2", 500, "A^PLAY();A^STOP(FALSE);LOG^ADD(\"|\");") +
                                timer("T3", 900, "B^PLAY();B^PAUSE();B^RESUME();LOG^ADD(\"|\");") +
                                timer("T4", 1300, "A^PLAY();A^PAUSE();A^PLAY();A^STOP();LOG^ADD(\"|\");") +
                                timer("QUIT", 1700, "GAME^EXIT();")}});
    tmp.write("Wavs/tone.wav", mediatest::pcmWav(mediatest::ramp(2205))); // 100 ms
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        tmp.write("Quarnel.ini", "");
        EXPECT_EQ(run("-nogfx -frames 5000"), 0) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "LOG"), ".AsBs|AfBf" "AsBs|" "AsBsArBr|AfBf" "AsBsArBr|AfBf")
            << "from the snapshot " << fromSnapshot;
    });
}

} // namespace

// The script SEQUENCE in the ANIMO tests' scene: a sequence definition file
// of an animation and a sound, read into the engine's tree, its methods,
// the plain and caret events, the parameter built from an ARRAY, and the
// snapshot record. A title playing one is in SequenceTitleTest.
#include "ScriptAnimoSupport.h"
#include "media/SequencedPlayable.h"
#include "media/Sound4.h"
#include "objects/ScriptSequence.h"
#include "objects/SequenceRunner.h"
#include "script/RunnerFactory.h"
#include "script/String.h"

#include <gtest/gtest.h>

namespace {

// SEQ plays the hero's WALK (Step1, three frames), then the 100 ms tone
// (STEP2); its event EV holds the parameter template XxX.
const char* const SEQUENCE_FILE = "NAME SEQ\nSEQ TYPE SEQUENCE\nSEQ SEQEVENT EV XxX\n"
                                  "NAME Step1\nStep1 FILENAME HERO.ANN\nStep1 EVENT WALK\nStep1 TYPE SIMPLE\n"
                                  "Step1 ADD SEQ\n"
                                  "NAME STEP2\nSTEP2 FILENAME TONE.WAV\nSTEP2 TYPE SIMPLE\nSTEP2 ADD SEQ\n";

class CMC_SequenceTest : public animotest::AnimoTest {
protected:
    CMC_SequenceTest() { tmp.write("SEQ.SEQ", SEQUENCE_FILE); }

    CMC_Sequence* object(const char* name)
    {
        CMC_Object* o = scene->getObject(name);
        EXPECT_TRUE(o && o->getType() == MC_SEQUENCE) << name;
        return o && o->getType() == MC_SEQUENCE ? static_cast<CMC_Sequence*>(o) : nullptr;
    }
    CSequencedPlayable* tree(const char* name)
    {
        CMC_Sequence* o = object(name);
        return o ? o->getSequencedPlayable() : nullptr;
    }
    // The sequence's S, logging each start and end it raises.
    void defineLogged()
    {
        define({"LOG:TYPE=STRING", "S:TYPE=SEQUENCE", "S:FILENAME=SEQ.SEQ", "S:ONSTARTED={LOG^ADD(\"s|\");}",
                "S:ONSTARTED^STEP1={LOG^ADD(\"s1|\");}", "S:ONFINISHED^STEP1={LOG^ADD(\"f1|\");}",
                "S:ONFINISHED^STEP2={LOG^ADD(\"f2|\");}", "S:ONFINISHED={LOG^ADD(\"f|\");}"});
    }
    // Window frames until the tone has ended as well.
    void playOut() { steps(12); }
};

// The whole sequence raises only the plain forms, each element only the
// caret form with its name in upper case. An element's end reaches the
// sequence before the object: the sequence's end comes before the end of
// the element that ended it. The
// element's name in GETPLAYING and GETEVENTNAME keeps its case; the root's
// own name asks as the empty name does. A stopped sequence names nothing.
TEST_F(CMC_SequenceTest, PlainEventsForTheSequenceCaretFormsForItsElements)
{
    defineLogged();
    ASSERT_NE(tree("S"), nullptr);
    EXPECT_EQ(call("S", "PLAY", {"\"EV\""}), "-");
    EXPECT_EQ(logged(), "s|s1|");
    EXPECT_EQ(call("S", "ISPLAYING"), "TRUE");
    EXPECT_EQ(call("S", "GETPLAYING"), "Step1");
    EXPECT_EQ(call("S", "GETEVENTNAME", {"\"\""}), "Step1");
    EXPECT_EQ(call("S", "GETEVENTNAME", {"\"SEQ\""}), "Step1");
    EXPECT_EQ(call("S", "GETEVENTNAME", {"\"OTHER\""}), "");
    EXPECT_EQ(call("S", "GETEVENTNAME"), "EV");
    playOut();
    EXPECT_EQ(logged(), "f1|f|f2|");
    EXPECT_EQ(call("S", "ISPLAYING"), "FALSE");
    EXPECT_EQ(call("S", "GETPLAYING"), "");
    EXPECT_EQ(call("S", "GETEVENTNAME", {"\"SEQ\""}), "");
    EXPECT_EQ(call("S", "GETEVENTNAME"), "EV");
}

// STOP(FALSE) stops the element without a report; STOP() with one, and
// the sequence then ends. STOP on a stopped sequence does nothing. The
// scene resumes a paused sequence by its name.
TEST_F(CMC_SequenceTest, StopPauseAndResume)
{
    defineLogged();
    EXPECT_EQ(call("S", "STOP"), "-");
    EXPECT_EQ(logged(), "");
    call("S", "PLAY", {"\"EV\""});
    EXPECT_EQ(call("S", "STOP", {"FALSE"}), "-");
    EXPECT_EQ(call("S", "ISPLAYING"), "FALSE");
    playOut();
    EXPECT_EQ(logged(), "s|s1|");
    call("S", "PLAY", {"\"EV\""});
    call("S", "PAUSE");
    EXPECT_TRUE(tree("S")->isPaused());
    CMC_String named(CXString("temp"), CXString("s"));
    CXArray names(101, 0.75f);
    names.add(static_cast<CXObject*>(&named));
    scene->resumeExcept(&names);
    EXPECT_FALSE(tree("S")->isPaused());
    call("S", "PAUSE");
    call("S", "RESUME");
    EXPECT_FALSE(tree("S")->isPaused());
    call("S", "STOP");
    EXPECT_EQ(logged(), "s|s1|f|f1|");
}

// PLAY with a second argument naming an ARRAY fills the event's template:
// each x or X, while the array's entries last, becomes the character that
// selects the child of the next entry. Any other second argument is the
// parameter itself.
TEST_F(CMC_SequenceTest, PlayBuildsTheParameterFromAnArray)
{
    define({"LOG:TYPE=STRING", "R:TYPE=ARRAY", "N:TYPE=INTEGER", "S:TYPE=SEQUENCE", "S:FILENAME=SEQ.SEQ"});
    struct {
        std::vector<const char*> entries;
        const char* second;
        const char* expected;
    } cases[] = {
        {{"3", "12"}, "R", "4DX"}, {{"34"}, "R", "ZxX"}, {{"35"}, "R", "axX"}, {{"0", "1", "2", "3"}, "R", "123"},
        {{}, "R", "123"}, // nothing examined: the parameter as the last PLAY left it
        {{}, "\"7\"", "7"},       {{}, "N", "N"},
    };
    for (const auto& c : cases) {
        call("R", "REMOVEALL");
        for (const char* e : c.entries)
            call("R", "ADD", {e});
        if (std::string(c.second) == "R" && !c.entries.empty())
            tree("S")->setParameter(CXString("EV"), CXString("XxX"));
        call("S", "PLAY", {"\"EV\"", c.second});
        EXPECT_EQ(std::string(tree("S")->getParameter(CXString("EV")).c_str()), c.expected) << c.second;
    }
    // An event the file did not define gets no parameter.
    call("S", "PLAY", {"\"NONE\"", "\"7\""});
    EXPECT_EQ(std::string(tree("S")->getParameter(CXString("NONE")).c_str()), "");
}

// The recorded volume reaches the element started after it.
TEST_F(CMC_SequenceTest, ElementsStartWithTheRecordedVolume)
{
    defineLogged();
    call("S", "SETVOLUME", {"26"});
    call("S", "SETPAN", {"0"});
    call("S", "PLAY", {"\"EV\""});
    CSound4* tone = static_cast<CSound4*>(tree("S")->getChild(1));
    ASSERT_EQ(tone->getType(), CSound4::TYPE_SOUND);
    for (int i = 0; i < 12 && !tone->isPlaying(); ++i)
        steps(1);
    ASSERT_TRUE(tone->isPlaying());
    int volume = 0, pan = 0;
    tone->getBuffer()->getVolume(&volume);
    tone->getBuffer()->getPan(&pan);
    EXPECT_EQ(volume, -3096);
    EXPECT_EQ(pan, -800);
}

// Without a tree (no FILENAME, a missing file, a file without a root) the
// methods do nothing and the queries answer FALSE and "". Ids past the
// table are the common methods'.
TEST_F(CMC_SequenceTest, WithoutATreeNothingHappens)
{
    tmp.write("NOROOT.SEQ", "NAME OTHER\nOTHER TYPE SEQUENCE\n");
    define({"A:TYPE=SEQUENCE", "B:TYPE=SEQUENCE", "B:FILENAME=missing.seq", "C:TYPE=SEQUENCE",
            "C:FILENAME=NOROOT.SEQ"});
    for (const char* name : {"A", "B", "C"}) {
        EXPECT_EQ(object(name)->getSequence(), nullptr) << name;
        for (const char* method : {"PLAY", "STOP", "PAUSE", "RESUME", "SHOW", "HIDE", "SETVOLUME", "SETPAN", "SETFREQ"})
            EXPECT_EQ(call(name, method, {"\"EV\"", "\"R\""}), "-") << name << " " << method;
        EXPECT_EQ(call(name, "ISPLAYING"), "FALSE");
        EXPECT_EQ(call(name, "GETPLAYING"), "");
        EXPECT_EQ(call(name, "GETEVENTNAME"), "");
        EXPECT_EQ(call(name, "GETEVENTNAME", {"\"\""}), "");
        EXPECT_EQ(call(name, "GETNAME"), name);
    }
    CMC_Runner* runner = CMC_RunnerFactory::getRunner(object("A"));
    const char* const names[] = {"PLAY",      "STOP",   "PAUSE",   "RESUME",       "SHOW",      "HIDE",
                                 "ISPLAYING", "SETVOLUME", "SETPAN", "SETFREQ", "GETEVENTNAME", "GETPLAYING"};
    for (int id = CMC_Sequence_Runner::PLAY; id <= CMC_Sequence_Runner::GETPLAYING; ++id)
        EXPECT_EQ(runner->resolveMethod(CXString(names[id - 1])), id);
}

// A call before the scene's init reads the file; init keeps that tree and
// raises "ONINIT" once.
TEST_F(CMC_SequenceTest, ATreeReadOnDemandIsKeptByInit)
{
    define({"LOG:TYPE=STRING", "A:TYPE=SEQUENCE", "A:ONINIT={LOG^ADD(B^GETPLAYING());LOG^ADD(\"a\");}",
            "B:TYPE=SEQUENCE", "B:FILENAME=SEQ.SEQ", "B:ONINIT={LOG^ADD(\"b\");}"});
    EXPECT_EQ(logged(), "ab");
    CPlayable* first = object("B")->getSequence();
    ASSERT_NE(first, nullptr);
    object("B")->init();
    EXPECT_EQ(object("B")->getSequence(), first);
}

// The record keeps the file name as written; the scene read from it reads
// the file again and the events are bound again.
TEST_F(CMC_SequenceTest, TheSnapshotRecordKeepsTheFileName)
{
    defineLogged();
    reread(writeSnapshot());
    EXPECT_EQ(object("S")->getFileName(), "SEQ.SEQ");
    ASSERT_NE(tree("S"), nullptr);
    call("S", "PLAY", {"\"EV\""});
    playOut();
    EXPECT_EQ(logged(), "s|s1|f1|f|f2|");
}

} // namespace

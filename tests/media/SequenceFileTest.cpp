// Sequence definition files read into trees of playables: the statements
// and their separators, the path a PARAMETER sequence follows, animations
// shared between elements, definition records, and files that give no
// sequence.
#include "SequenceSupport.h"
#include "media/AnimoEventPlayable.h"
#include "script/Element.h"

#include <gtest/gtest.h>
#include <algorithm>

using namespace mediatest;

namespace {

class CMultimediaSequenceCreatorTest : public SequenceFixture {
protected:
    // The root's mode, then per child its name, kind and wait mode.
    static std::string describe(CPlayable* p)
    {
        CSequencedPlayable* s = sequence(p);
        if (!s)
            return p ? "kind " + std::to_string(p->getType()) : "none";
        std::string out = "mode " + std::to_string(s->getMode()) + ":";
        for (int i = 0; i < s->getChildrenNo(); ++i) {
            CPlayable* c = s->getChild(i);
            out += std::string(" ") + c->getName().c_str() + "/" + std::to_string(c->getType()) +
                   (c->getWaitMode() ? "" : "/nowait");
        }
        return out;
    }
};

struct Gone : CInvalidateObserver {
    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject*) override { ++count; }
    int count = 0;
};

// The parameter "B2" selects child 10 of the root, a nested PARAMETER
// sequence, which is handed "2" and plays its second child; the ten other
// children are events of one animation file, loaded once and freed once.
TEST_F(CMultimediaSequenceCreatorTest, AParameterPathThroughAFileAndSharedAnimations)
{
    std::vector<std::pair<std::string, int>> events;
    for (int i = 0; i < 10; ++i)
        events.push_back({"e" + std::to_string(i), 2});
    animationFile("WALK.ANN", events);
    soundFile("V1.WAV", 100);
    soundFile("V2.WAV", 300);
    std::string text = "# the hero\nNAME = HERO\nHERO TYPE = SEQUENCE\n";
    for (int i = 0; i < 10; ++i) {
        const std::string e = "E" + std::to_string(i);
        text += "NAME " + e + "\n" + e + " FILENAME=WALK.ANN\n" + e + " EVENT:e" + std::to_string(9 - i) + "\n" + e +
                " TYPE SIMPLE\n" + e + " ADD HERO\n";
    }
    text += "NAME=SUB\nSUB:TYPE:SEQUENCE\nSUB ADD\nSUB ADD = ROOT\nSUB ADD HERO\n";
    text += "NAME V1\nV1 FILENAME V1.WAV\nV1 TYPE SIMPLE\nV1 ADD SUB\n";
    text += "NAME V2\nV2 FILENAME V2.WAV\nV2 TYPE SIMPLE\nV2 ADD SUB\n";
    text += "HERO MODE PARAMETER\nSUB MODE PARAMETER\nHERO SEQEVENT GO B2\n";
    Named reports;
    const std::string file = sequenceFile("HERO.SEQ", text);
    CSequencedPlayable* hero = sequence(load(file, &reports));
    ASSERT_NE(hero, nullptr);
    ASSERT_EQ(hero->getChildrenNo(), 11);
    EXPECT_EQ(hero->getFileName(), CXString(file.c_str()));

    CAnimo* walk = static_cast<CAnimoEventPlayable*>(hero->getChild(0))->getAnimation();
    ASSERT_NE(walk, nullptr);
    for (int i = 0; i < 10; ++i) {
        CAnimoEventPlayable* e = static_cast<CAnimoEventPlayable*>(hero->getChild(i));
        EXPECT_EQ(e->getAnimation(), walk);
        EXPECT_EQ(e->getEventIndex(), 9 - i);
    }
    Gone gone;
    walk->addInvalidateObserver(&gone);

    // The sub-sequence starts with the rest of the parameter.
    struct Parameters : CPlayableObserver {
        bool onPlayableStarted(CPlayable* p) override
        {
            seen += std::string(p->getName().c_str()) + "=" + p->getParam().c_str() + " ";
            return false;
        }
        std::string seen;
    } parameters;
    CSequencedPlayable* sub = sequence(hero->getChild(10));
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->getChildrenNo(), 2);
    hero->setGenericNotifier(&parameters);
    sub->setGenericNotifier(&parameters);
    hero->play("go");
    EXPECT_EQ(parameters.seen, "HERO=B2 SUB=2 ");
    EXPECT_EQ(reports.taken(), (std::vector<std::string>{"S V2"}));
    EXPECT_EQ(hero->getPlaying(), sub->getChild(1));
    EXPECT_EQ(hero->getLastPlayedEvent(CXString()), "V2");
    EXPECT_EQ(hero->getLastPlayedEvent(CXString("HERO")), "V2");
    EXPECT_EQ(hero->getLastPlayedEvent(CXString("SUB")), "V2");
    EXPECT_EQ(hero->getLastPlayedEvent(), "go");
    EXPECT_EQ(hero->get("GO"), sub->getChild(1));

    // The sound's end ends both sequences (each told before the generic
    // observer).
    hero->setGenericNotifier(&reports);
    sub->setGenericNotifier(&reports);
    frames(25, 20);
    EXPECT_EQ(reports.taken(), (std::vector<std::string>{"F HERO", "F SUB", "F V2"}));
    EXPECT_FALSE(hero->isPlaying());
    EXPECT_EQ(hero->getLastPlayedEvent(CXString()), "");

    delete hero;
    EXPECT_EQ(gone.count, 0);
    resources.reset();
    EXPECT_EQ(gone.count, 1);
}

// Statements with their separators and words, in upper case only.
TEST_F(CMultimediaSequenceCreatorTest, StatementsKeysAndWords)
{
    animationFile("A.ANN", {{"go", 2}});
    const std::string root = "NAME ROOT\nROOT TYPE SEQUENCE\n";
    const struct {
        const char* text;
        const char* tree;
    } cases[] = {
        {"", "mode 1:"},
        {"NAME A\nA FILENAME A.ANN\nA TYPE SIMPLE\nA ADD\n", "mode 1: A/6"},
        // Blanks, "=" and ":" alike, and runs of them; CR LF line ends.
        {"NAME:=A\r\nA  :FILENAME= A.ANN\r\nA TYPE::SIMPLE\r\nA ADD=ROOT\r\n", "mode 1: A/6"},
        // The file name is read when the playable is made.
        {"NAME A\nA TYPE SIMPLE\nA FILENAME A.ANN\nA ADD\n", "mode 1:"},
        // Extensions as written: "ann" is neither kind.
        {"NAME A\nA FILENAME a.ann\nA TYPE SIMPLE\nA ADD\n", "mode 1:"},
        // An unknown kind leaves it unset; so does a kind in lower case.
        {"NAME A\nA FILENAME A.ANN\nA TYPE FANCY\nA TYPE simple\nA ADD\n", "mode 1:"},
        // Comments, undeclared names, unknown keys and extra tokens.
        {"# NAME A\nB FILENAME A.ANN\nNAME A\nA FILENAME A.ANN\nA COLOUR RED\nA TYPE SIMPLE\nA ADD ROOT X\n",
         "mode 1: A/6"},
        // A second declaration changes nothing; a second kind makes nothing.
        {"NAME A\nA FILENAME A.ANN\nA TYPE SIMPLE\nNAME=A\nA TYPE SEQUENCE\nA ADD\n", "mode 1: A/6"},
        {"NAME A\nA TYPE SEQUENCE\nA ADD\nNAME B\nB TYPE SEQUENCE\nB WAIT FALSE\nB ADD A\nB ADD\nB WAIT nope\n",
         "mode 1: A/7 B/7/nowait"},
        // Only a sequence takes children.
        {"NAME A\nA FILENAME A.ANN\nA TYPE SIMPLE\nNAME B\nB TYPE SEQUENCE\nB ADD A\n", "mode 1:"},
        {"ROOT MODE RANDOM\n", "mode 2:"},
        {"ROOT MODE PARAMETER\nROOT MODE random\n", "mode 3:"},
    };
    for (const auto& c : cases) {
        CPlayable* p = load(sequenceFile("ROOT.SEQ", root + c.text), nullptr);
        EXPECT_EQ(describe(p), c.tree) << c.text;
        delete p;
    }

    CPlayable* p = load(sequenceFile("ROOT.SEQ", root + "ROOT SEQEVENT EV 12\nROOT SEQEVENT EV 3\n"), nullptr);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->getParameter(CXString("ev")), "12");
    delete p;
}

// Files that give no sequence say why, keep nothing they made and never
// hang: a file that cannot be opened, one without a root element that
// can be handed over, elements that hold themselves or the root, and a
// tree that would unfold into more playables than can be played.
TEST_F(CMultimediaSequenceCreatorTest, BadFilesGiveNoSequenceAndAnError)
{
    animationFile("A.ANN", {{"go", 2}});
    soundFile("V.WAV", 50);
    std::string unfolding = "NAME S0\nS0 TYPE SEQUENCE\n";
    for (int i = 1; i <= 20; ++i) {
        const std::string s = "S" + std::to_string(i), parent = "S" + std::to_string(i - 1);
        unfolding += "NAME " + s + "\n" + s + " TYPE SEQUENCE\n" + s + " ADD " + parent + "\n" + s + " ADD " +
                     parent + "\n";
    }
    const struct {
        const char* name;
        std::string text;
        int error;
    } cases[] = {
        {"NONE.SEQ", "", CMultimediaSequenceCreator::ERROR_OPEN},
        {"EMPTY.SEQ", "", CMultimediaSequenceCreator::ERROR_NO_ROOT},
        {"X.SEQ", "NAME Y\nY TYPE SEQUENCE\nNAME A\nA FILENAME A.ANN\nA TYPE SIMPLE\nA ADD Y\n",
         CMultimediaSequenceCreator::ERROR_NO_ROOT},
        {"X.SEQ", "NAME X\nNAME A\nA FILENAME A.ANN\nA TYPE SIMPLE\n", CMultimediaSequenceCreator::ERROR_NO_ROOT},
        // A shared sound is the resources manager's to delete.
        {"V.SEQ", "NAME V\nV FILENAME V.WAV\nV TYPE SIMPLE\n", CMultimediaSequenceCreator::ERROR_NO_ROOT},
        {"X.SEQ", std::string("\0\xff\x01NAME\x80", 9) + "\n\n::==\n", CMultimediaSequenceCreator::ERROR_NO_ROOT},
        {"X.SEQ", "NAME X\nX TYPE SEQUENCE\nX ADD X\n", CMultimediaSequenceCreator::ERROR_BAD_TREE},
        {"X.SEQ",
         "NAME X\nX TYPE SEQUENCE\nNAME A\nA TYPE SEQUENCE\nNAME B\nB TYPE SEQUENCE\nA ADD X\nB ADD A\nA ADD B\n",
         CMultimediaSequenceCreator::ERROR_BAD_TREE},
        {"X.SEQ", "NAME X\nX TYPE SEQUENCE\nNAME A\nA TYPE SEQUENCE\nX ADD A\n",
         CMultimediaSequenceCreator::ERROR_BAD_TREE},
        {"S0.SEQ", unfolding, CMultimediaSequenceCreator::ERROR_BAD_TREE},
    };
    for (const auto& c : cases) {
        const std::string name = c.error == CMultimediaSequenceCreator::ERROR_OPEN
                                     ? platform::toEnginePath(tmp.file(c.name))
                                     : sequenceFile(c.name, c.text);
        testsupport::DebugCapture debug;
        Named reports;
        CMultimediaSequenceCreator creator(window.get(), CXString(name.c_str()), resources.get(), &reports, false);
        EXPECT_EQ(creator.getPlayable(), nullptr) << c.text;
        EXPECT_EQ(creator.LastError(), c.error) << c.text;
        EXPECT_TRUE(std::any_of(debug.lines.begin(), debug.lines.end(), [&](const std::string& l) {
            return l.find(c.name) != std::string::npos && l.find("not loaded") != std::string::npos;
        })) << c.text;
    }
    // The sound the bad file made reports to nobody it gave it.
    CSound4* v = static_cast<CSound4*>(resources->get(CXString(platform::toEnginePath(tmp.file("V.WAV")).c_str())));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->getGenericNotifier(), nullptr);
    resources->remove(v);
}

// Definition records make the playable and its children by name; records
// that hold themselves make nothing.
TEST_F(CMultimediaSequenceCreatorTest, DefinitionRecordsAndParameterCharacters)
{
    const std::string door = animationFile("DOOR.ANN", {{"open", 2}});
    // A record lists its children as records of their own, which it does
    // not own.
    CMElements records(true), children(true);
    auto record = [&](const char* name, const char* type, std::vector<const char*> names) {
        CMElement* e = new CMElement(name);
        e->addProperty("TYPE", type);
        e->addProperty("FILENAME", door.c_str());
        for (const char* c : names) {
            children.add(new CMElement(c));
            e->addChild(children.getAt(children.getSize() - 1));
        }
        records.add(e);
    };
    record("S", "SEQUENCE", {"A", "NOTHING", "T"});
    record("A", "ANIMO", {"S"});
    record("T", "SEQUENCE", {"A", "A"});
    record("LOOP", "SEQUENCE", {"A", "INNER"});
    record("INNER", "SEQUENCE", {"LOOP"});

    CPlayable* s = CMultimediaSequenceCreator::create(window.get(), &records, "S");
    EXPECT_EQ(describe(s), "mode 1: A/2 T/7");
    EXPECT_EQ(describe(sequence(s)->getChild(1)), "mode 1: A/2 A/2");
    EXPECT_EQ(static_cast<CAnimo*>(sequence(s)->getChild(0))->GetNOE(), 1);
    delete s;
    EXPECT_EQ(CMultimediaSequenceCreator::create(window.get(), &records, "LOOP"), nullptr);
    EXPECT_EQ(CMultimediaSequenceCreator::create(window.get(), &records, "NOTHING"), nullptr);
    EXPECT_FALSE(CMultimediaSequenceCreator::save(nullptr, "x"));

    const std::pair<int, char> characters[] = {{0, '1'}, {8, '9'}, {9, 'A'}, {34, 'Z'}, {35, 'a'}, {40, 'f'}};
    for (const auto& c : characters)
        EXPECT_EQ(CMultimediaSequenceCreator::getParameter(c.first), c.second) << c.first;
}

} // namespace

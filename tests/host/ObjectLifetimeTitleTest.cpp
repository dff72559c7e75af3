// Objects that scripts delete while something else still knows them, each
// way a script can delete one: a behaviour bound to an event, a value given
// to a statement, a group member, a timer, a class instance's members and a
// loaded file's list, against REMOVE, REMOVECLONES, RESETCLONES (and a
// CLONE that replaces), RELEASE, DELETE, NEW over an instance and unload.
// Each row is a title played by the host to its end; what the script saw is
// counted in N, an application value kept in the settings file, with 1000
// added by the last frame's code, and written in order into the text LOG,
// which the last frame's code keeps as SAW.
#include "HostTitle.h"

#include <ostream>
#include <string>
#include <vector>

namespace {

std::string behaviour(const std::string& name, const std::string& code)
{
    return "OBJECT=" + name + "\n" + name + ":TYPE=BEHAVIOUR\n" + name + ":CODE={" + code + "}\n";
}

std::string integer(const std::string& name, const std::string& more = "")
{
    return "OBJECT=" + name + "\n" + name + ":TYPE=INTEGER\n" + name + ":VALUE=0\n" + more;
}

std::string timer(const std::string& name, const std::string& onTick, int ticks = 1, int elapse = 20)
{
    return "OBJECT=" + name + "\n" + name + ":TYPE=TIMER\n" + name + ":ELAPSE=" + std::to_string(elapse) + "\n" + name +
           ":TICKS=" + std::to_string(ticks) + "\n" + name + ":ONTICK=" + onTick + "\n";
}

const std::string group = "OBJECT=G\nG:TYPE=GROUP\n";

// K1, K2 and K3 log their numbers; the first takes `first` and the second
// `second` after that (a removal, say).
std::string threeBehaviours(const std::string& first, const std::string& second = "")
{
    return behaviour("K1", "LOG^ADD(\"1\");" + first) + behaviour("K2", "LOG^ADD(\"2\");" + second) +
           behaviour("K3", "LOG^ADD(\"3\");");
}

// Binds K1, K2 and K3 under the key of the object, in that order.
std::string bindThree(const std::string& object, const std::string& key)
{
    std::string code = object + "^OVERIDESIGNALS(FALSE);";
    for (const char* k : {"K1", "K2", "K3"})
        code += object + "^ADDBEHAVIOUR(\"" + key + "\",\"" + k + "\");";
    return code;
}

// Integers A, B and C in the group G, whose ONCHANGED log their letters
// and then run `a`, `b` and `c`.
std::string threeMembers(const std::string& a, const std::string& b = "", const std::string& c = "")
{
    return group + integer("A", "A:ONCHANGED={LOG^ADD(\"a\");" + a + "}\n") +
           integer("B", "B:ONCHANGED={LOG^ADD(\"b\");" + b + "}\n") +
           integer("C", "C:ONCHANGED={LOG^ADD(\"c\");" + c + "}\n");
}
const std::string groupOfThree = "G^ADD(\"A\",\"B\",\"C\");";

// The loop of LOOPER counts X up, and on its first pass puts a new A_1 of
// the value 1 in the place of the old one (of the value 3).
const std::string remakeA1 =
    "{X^INC();LOG^ADD(\"w\");@IF(X,\"_\",\"1\",{A^RESETCLONES();A^CLONE(1);A_1^SET(1);},\"\");}";
const std::string book = "OBJECT=BOOK\nBOOK:TYPE=CLASS\nBOOK:DEF=BOOK.def\n";
// An instance of BOOK that knows its name and says it in its DESTRUCTOR.
const std::string named = "OBJECT=NAME\nNAME:TYPE=STRING\n" + behaviour("CONSTRUCTOR", "NAME^SET($1);") +
                          behaviour("DESTRUCTOR", "LOG^ADD(\"D\");LOG^ADD(NAME);");

std::string expression(const std::string& name, const std::string& first, const std::string& op,
                       const std::string& second)
{
    return "OBJECT=" + name + "\n" + name + ":TYPE=EXPRESSION\n" + name + ":OPERAND1=" + first + "\n" + name +
           ":OPERATOR=" + op + "\n" + name + ":OPERAND2=" + second + "\n";
}

// A condition whose success and failure log "s" and "f", and whose ONDONE
// logs "d".
std::string condition(const std::string& name, const std::string& first, const std::string& second,
                      const std::string& op)
{
    return "OBJECT=" + name + "\n" + name + ":TYPE=CONDITION\n" + name + ":OPERAND1=" + first + "\n" + name +
           ":OPERATOR=" + op + "\n" + name + ":OPERAND2=" + second + "\n" + name +
           ":ONRUNTIMESUCCESS={LOG^ADD(\"s\");}\n" + name + ":ONRUNTIMEFAILED={LOG^ADD(\"f\");}\n" + name +
           ":ONDONE={LOG^ADD(\"d\");}\n";
}

// A of the value 5, whose ONDONE logs "d", and K, which removes A and
// answers 2.
const std::string operandA = "OBJECT=A\nA:TYPE=INTEGER\nA:VALUE=5\nA:ONDONE={LOG^ADD(\"d\");}\n";
const std::string removerOfA = behaviour("K", "S^REMOVE(\"A\");@RETURN(2);");

struct Row {
    const char* name;
    std::string scene;      // the objects of scene S besides its start and end
    std::string start;      // S's ONINIT code
    std::string end;        // code run a few frames later, before the title ends
    std::string loaded;     // "F.CNV", which CNVLOADER loads into the application
    std::string classFile;  // "BOOK.def"
    std::string nextScene;  // when set, S goes to S2, whose start is this
    int expected;           // N at the end
    std::string seen = "";  // LOG at the end
    bool keyPressed = false; // a key is pressed in the third and the sixth frame
};

std::ostream& operator<<(std::ostream& out, const Row& row) { return out << row.name; }

void pressKey(platform::HeadlessPlatform& platform, uint64_t pass, void*)
{
    if (pass == 3 || pass == 6) {
        platform.input().keyboard().key(0x1E, true);
        platform.input().keyboard().key(0x1E, false);
    }
}

const std::vector<Row> rows = {
    // A binding to a deleted behaviour goes with it: the event then does
    // what an unbound event does.
    {"BindingToARemovedBehaviour", behaviour("BK", "N^ADD(1);") + integer("B", "B:ONCHANGED=BK\n"),
     "S^REMOVE(\"BK\");", "B^SET(1);", "", "", "", 1000},
    {"BindingToABehaviourRemovedByTheSameScript", behaviour("BK", "N^ADD(1);") + integer("B", "B:ONCHANGED=BK\n"),
     "S^REMOVE(\"BK\");B^SET(1);", "B^SET(2);", "", "", "", 1000},
    {"BindingOfARemovedCloneToARemovedBehaviour", behaviour("BK", "N^ADD(1);") + integer("B", "B:ONCHANGED=BK\n"),
     "S^REMOVE(\"BK\");B^CLONE(1);S^REMOVECLONES(\"B\",1,1);", "B^SET(1);", "", "", "", 1000},
    {"BindingOfAReplacedCloneToARemovedBehaviour", behaviour("BK", "N^ADD(1);") + integer("B", "B:ONCHANGED=BK\n"),
     "B^CLONE(1);B_1^SET(1);B^RESETCLONES();B^CLONE(1);S^REMOVE(\"BK\");", "B_1^SET(2);B^SET(2);", "", "", "", 1001},
    {"BindingToAReleasedBehaviour", integer("B"),
     "CNVLOADER^LOAD(\"F.CNV\");B^ADDBEHAVIOUR(\"ONCHANGED\",\"BK\");B^SET(1);CNVLOADER^RELEASE(\"F.CNV\");",
     "B^SET(2);", behaviour("BK", "N^ADD(1);"), "", "", 1001},
    {"BindingToABehaviourOfADeletedInstance", book + integer("B"),
     "BOOK^NEW(\"NOVEL\");B^SET(1);BOOK^DELETE(\"NOVEL\");", "B^SET(2);", "",
     behaviour("BK", "N^ADD(1);") + behaviour("CONSTRUCTOR", "B^ADDBEHAVIOUR(\"ONCHANGED\",\"BK\");"), "", 1001},
    {"BindingToABehaviourOfAnInstanceMadeAnew", book + integer("B"),
     "BOOK^NEW(\"NOVEL\");BOOK^NEW(\"NOVEL\");B^SET(1);", "B^SET(2);", "",
     behaviour("BK", "N^ADD(1);") + behaviour("CONSTRUCTOR", "B^ADDBEHAVIOUR(\"ONCHANGED\",\"BK\");"), "", 1002},
    {"BindingOfTheApplicationToAnUnloadedScene", behaviour("BK", "N^ADD(1);"),
     "APPVALUE^ADDBEHAVIOUR(\"ONCHANGED\",\"BK\");APPVALUE^SET(1);E^GOTO(\"S2\");", "", "", "",
     "APPVALUE^SET(2);", 1001},
    // A clone of a clone is no clone of the loaded object: RELEASE leaves
    // it, and its binding to a behaviour of the file goes with that
    // behaviour. (RELEASE finishes the file's behaviours last: BYE runs for
    // the ONDONE of X_1 and of X.)
    {"CloneOfACloneOutlivesRelease", "",
     "CNVLOADER^LOAD(\"F.CNV\");X^CLONE(1);X_1^CLONE(1);CNVLOADER^RELEASE(\"F.CNV\");",
     "X_1_1^SET(5);N^ADD(X_1_1);", behaviour("BYE", "N^ADD(1);") + integer("X", "X:ONDONE=BYE\n"), "", "", 1007},
    // A value given to a statement and deleted by the statement's own code
    // is deleted once, by whoever held it.
    {"ArgumentRemoved", integer("A"), "A^CLONE(1);@IF(A_1,\"_\",\"0\",{S^REMOVE(\"A_1\");N^ADD(1);},\"\");", "",
     "", "", "", 1001},
    {"ArgumentRemovedAmongClones", integer("A"),
     "A^CLONE(1);@IF(A_1,\"_\",\"0\",{S^REMOVECLONES(\"A\",1,1);N^ADD(1);},\"\");N^ADD(S^GETELEMENTSNO());", "", "",
     "", "", 1008},
    {"ArgumentReplacedByAClone", integer("A"),
     "A^CLONE(1);@IF(A_1,\"_\",\"0\",{A^RESETCLONES();A^CLONE(1);N^ADD(1);},\"\");A_1^SET(5);N^ADD(A_1);", "", "", "",
     "", 1006},
    {"ArgumentReleased", "", "CNVLOADER^LOAD(\"F.CNV\");@IF(A,\"_\",\"0\",{CNVLOADER^RELEASE(\"F.CNV\");N^ADD(1);},\"\");",
     "", integer("A"), "", "", 1001},
    {"ArgumentOfAnInstanceDeletedByItsOwnCode", book, "BOOK^NEW(\"NOVEL\");NOVEL^READ();", "", "",
     integer("P") + behaviour("READ", "@IF(P,\"_\",\"0\",{BOOK^DELETE(\"NOVEL\");N^ADD(1);},\"\");N^ADD(P);"), "",
     1001},
    {"ArgumentOfAnInstanceMadeAnewByItsOwnCode", book, "BOOK^NEW(\"NOVEL\");NOVEL^READ();NOVEL^READ();", "", "",
     integer("P") + behaviour("READ", "@IF(P,\"_\",\"0\",{P^SET(1);BOOK^NEW(\"NOVEL\");N^ADD(1);},\"\");N^ADD(P);"),
     "", 1003},
    // An instance deleted (or made anew) by code its own timer runs.
    {"InstanceDeletedByItsTimersEvent", book, "BOOK^NEW(\"NOVEL\");", "", "",
     integer("P") + timer("T", "READ") +
         behaviour("READ", "@IF(P,\"_\",\"0\",{BOOK^DELETE(\"NOVEL\");N^ADD(1);},\"\");N^ADD(P);"),
     "", 1001},
    {"InstanceMadeAnewByItsTimersEvent", book, "BOOK^NEW(\"NOVEL\");", "", "",
     integer("P") + timer("T", "READ") + behaviour("READ", "@IF(N,\"_\",\"0\",{BOOK^NEW(\"NOVEL\");},\"\");N^ADD(1);"),
     "", 1002},
    {"InstanceDeletedByTheSceneCodeItsTimerRuns", book + behaviour("KILL", "BOOK^DELETE(\"NOVEL\");N^ADD(1);"),
     "BOOK^NEW(\"NOVEL\");", "", "", timer("T", "KILL"), "", 1001},
    // Group members that go leave their groups.
    {"GroupMemberRemoved", integer("A") + group,
     "A^CLONE(2);A_1^ADDTOGROUP(\"G\");A_2^ADDTOGROUP(\"G\");S^REMOVE(\"A_1\");", "N^ADD(G^GETSIZE());", "", "", "",
     1001},
    {"GroupMembersRemovedAsClones", integer("A") + group,
     "A^CLONE(2);G^ADDCLONES(\"A\",1,2);S^REMOVECLONES(\"A\",1,2);", "N^ADD(G^GETSIZE());", "", "", "", 1000},
    {"GroupMemberReplacedByAClone", integer("A") + group,
     "A^CLONE(1);A_1^ADDTOGROUP(\"G\");A^RESETCLONES();A^CLONE(1);", "N^ADD(G^GETSIZE());", "", "", "", 1000},
    {"GroupMemberReleased", group, "CNVLOADER^LOAD(\"F.CNV\");A^ADDTOGROUP(\"G\");CNVLOADER^RELEASE(\"F.CNV\");",
     "N^ADD(G^GETSIZE());", integer("A"), "", "", 1000},
    {"GroupMemberOfTheApplicationUnloaded", integer("A"), "A^ADDTOGROUP(\"APPGROUP\");E^GOTO(\"S2\");", "", "", "",
     "N^ADD(APPGROUP^GETSIZE());", 1000},
    // What the trash holds is deleted once, also when the script deletes
    // it another way first.
    {"LoadedMemberReplacedByAnotherFile", "",
     "CNVLOADER^LOAD(\"F.CNV\");CNVLOADER^LOAD(\"G.CNV\");CNVLOADER^RELEASE(\"F.CNV\");", "A^SET(4);N^ADD(A);",
     integer("A"), "", "", 1004},
    {"LocalVariableRemovedBeforeItsRunEnds", behaviour("LOC", "@INT(\"L\",5);L^ADDTOGROUP(\"G\");S^REMOVE(\"L\");N^ADD(L);") + group,
     "LOC^RUN();N^ADD(G^GETSIZE());", "N^ADD(G^GETSIZE());", "", "", "", 1000},
    {"FileReleasedByItsMembersEvent", "", "CNVLOADER^LOAD(\"F.CNV\");A^SET(1);", "N^ADD(A);",
     integer("A", "A:ONCHANGED=BK\n") + behaviour("BK", "CNVLOADER^RELEASE(\"F.CNV\");N^ADD(1);"), "", "", 1001},
    // A behaviour put in the trash as the title ends (an instance's
    // DESTRUCTOR removes it while the scene is left): the scene goes
    // before the trash is emptied, and the behaviour first lets go of it
    // and of the blocks its code made there.
    {"BehaviourTrashedAsItsSceneIsLeftAtTheEnd",
     book + behaviour("BK", "@IF(N,\">\",\"0\",{N^ADD(1);},{N^ADD(2);});"), "BOOK^NEW(\"NOVEL\");BK^RUN();", "",
     "", behaviour("DESTRUCTOR", "S^REMOVE(\"BK\");"), "", 1002},
    // A timer deleted by its own event, and timers cloned and removed: what
    // is removed raises no more events.
    {"TimerRemovedByItsOwnTick", timer("T", "TK", 0) + behaviour("TK", "S^REMOVE(\"T\");N^ADD(1);"), "", "", "",
     "", "", 1001},
    {"TimerClonesRemovedByTheirTick", timer("T", "TK", 0) + behaviour("TK", "S^REMOVECLONES(\"T\",-1,-1);S^REMOVE(\"T\");N^ADD(1);"),
     "T^CLONE(2);", "", "", "", "", 1001},
    // A class object deleted while its instances live: they look up where
    // it did, and make instances of their own files.
    {"ClassObjectRemovedWhileItsInstanceLives", book, "BOOK^NEW(\"NOVEL\");S^REMOVE(\"BOOK\");",
     "NOVEL^READ();NOVEL^NEW(\"TALE\");TALE^READ();", "", behaviour("READ", "N^ADD(1);"), "", 1002},
    // What a deletion does happens at the deletion: ONDONE in order (at the
    // REMOVE; when a CLONE or LOAD takes the name; per object of a RELEASE
    // while the file's later objects still exist), groups and bindings.
    {"OnDoneAtTheRemove", integer("A", "A:ONDONE={LOG^ADD(\"d\");}\n"), "LOG^ADD(\"a\");S^REMOVE(\"A\");LOG^ADD(\"b\");", "",
     "", "", "", 1000, "adb"},
    {"OnDoneWhenACloneTakesTheName", integer("A", "A:ONDONE={LOG^ADD(\"d\");}\n"),
     "A^CLONE(1);LOG^ADD(\"o\");A^RESETCLONES();A^CLONE(1);LOG^ADD(\"n\");A_1^SET(5);LOG^ADD(A_1);", "", "", "", "", 1000,
     "odn5"},
    {"OnDoneWhenALoadTakesTheName", "",
     "CNVLOADER^LOAD(\"F.CNV\");LOG^ADD(\"a\");CNVLOADER^LOAD(\"G.CNV\");LOG^ADD(\"b\");", "",
     integer("A", "A:ONDONE={LOG^ADD(\"d\");}\n"), "", "", 1000, "adb"},
    {"OnDoneWhenCreateTakesTheName", integer("A", "A:ONDONE={LOG^ADD(\"d\");}\n"),
     "LOG^ADD(\"a\");@CREATE(\"BUTTON\",\"A\");LOG^ADD(\"b\");LOG^ADD(A^GETSTD());", "", "", "", "", 1000,
     "adbUNKNOWN"},
    // Clone 0 is the object itself: a range from 0 removes it too, and the
    // clones after it still go.
    {"OnDoneOfClonesRemovedFromZero", integer("A", "A:ONDONE={LOG^ADD(\"d\");}\n") + group,
     "A^CLONE(2);A^ADDTOGROUP(\"G\");A_2^ADDTOGROUP(\"G\");S^REMOVECLONES(\"A\",0,1);LOG^ADD(G^GETSIZE());", "", "",
     "", "", 1000, "dd1"},
    // The scene lists itself, its episode and the application: a range from 0
    // over their names leaves them. A range may end at the largest integer.
    {"ClonesRemovedFromZeroOverTheScenesAndToTheLargestInteger", integer("A"),
     "S^REMOVECLONES(\"S\",0,0);S^REMOVECLONES(\"E\",0,0);S^REMOVECLONES(\"GAME\",0,0);"
     "S^REMOVECLONES(\"A\",2147483646,2147483647);N^ADD(1);",
     "N^ADD(1);", "", "", "", 1002},
    {"OnDoneRunsABehaviourRemovedNext", behaviour("BD", "LOG^ADD(\"d\");") + integer("A", "A:ONDONE=BD\n"),
     "S^REMOVE(\"A\");S^REMOVE(\"BD\");LOG^ADD(\"x\");", "", "", "", "", 1000, "dx"},
    {"OnDoneOfAReleasedObjectReadsALaterOne", "",
     "CNVLOADER^LOAD(\"F.CNV\");CNVLOADER^RELEASE(\"F.CNV\");LOG^ADD(\".\");", "",
     integer("X", "X:ONDONE={LOG^ADD(Y);}\n") + "OBJECT=Y\nY:TYPE=INTEGER\nY:VALUE=5\n", "", "", 1000, "5."},
    {"GroupSizeAtTheRemove", integer("A") + group,
     "A^CLONE(1);A_1^ADDTOGROUP(\"G\");S^REMOVE(\"A_1\");LOG^ADD(G^GETSIZE());", "", "", "", "", 1000, "0"},
    {"DeletedInstancesBehaviourBoundToASceneValue",
     book + integer("B") + behaviour("KILL", "LOG^ADD(\"D\");BOOK^DELETE(\"NOVEL\");B^SET(1);LOG^ADD(\"x\");"),
     "BOOK^NEW(\"NOVEL\");", "LOG^ADD(\".\");", "",
     timer("T", "KILL") + behaviour("K", "LOG^ADD(\"k\");") +
         behaviour("CONSTRUCTOR", "B^ADDBEHAVIOUR(\"ONCHANGED\",\"K\");"),
     "", 1000, "Dx."},
    {"ReplacedInstancesBehaviourBoundBesideAnother", book + integer("V", "V:ONINIT={V^OVERIDESIGNALS(FALSE);}\n"),
     "BOOK^NEW(\"NOVEL\");BOOK^NEW(\"NOVEL\");V^SET(1);", "", "",
     behaviour("K", "LOG^ADD(\"k\");") + behaviour("CONSTRUCTOR", "V^ADDBEHAVIOUR(\"ONCHANGED\",\"K\");"), "", 1000,
     "k"},
    // An instance deleted by its own behaviour, which a scene value's event
    // runs: the behaviour runs on to its end.
    {"InstanceDeletedByItsBehaviourThatASceneEventRuns", book + integer("B"), "BOOK^NEW(\"NOVEL\");B^SET(1);", "",
     "", integer("P") + behaviour("K", "BOOK^DELETE(\"NOVEL\");N^ADD(1);N^ADD(P);") +
             behaviour("CONSTRUCTOR", "B^ADDBEHAVIOUR(\"ONCHANGED\",\"K\");"),
     "", 1001},
    // A loop whose operand is deleted and made again by its own body reads
    // the new one.
    {"LoopOperandRemovedAndMadeAgain", integer("A"),
     "A^CLONE(1);@WHILE(A_1,\"<\",\"3\",{A_1^INC();LOG^ADD(\"w\");@IF(A_1,\"_\",\"2\",{S^REMOVE(\"A_1\");A^RESETCLONES();"
     "A^CLONE(1);A_1^SET(5);},\"\");});LOG^ADD(\".\");",
     "LOG^ADD(A_1);", "", "", "", 1000, "ww.5"},
    // A binding taken out while its event is raised, before the raise
    // reaches it or after, leaves every other binding to run, once, for
    // every kind of event.
    {"RaiseWhoseFirstBindingRemovesItsBehaviour", integer("V") + threeBehaviours("S^REMOVE(\"K1\");"),
     bindThree("V", "ONCHANGED") + "V^SET(1);LOG^ADD(\".\");", "", "", "", "", 1000, "123."},
    {"RaiseWhoseSecondBindingRemovesTheFirstBehaviour", integer("V") + threeBehaviours("", "S^REMOVE(\"K1\");"),
     bindThree("V", "ONCHANGED") + "V^SET(1);LOG^ADD(\".\");", "", "", "", "", 1000, "123."},
    {"TickWhoseFirstBindingRemovesItsBehaviour", timer("T", "") + threeBehaviours("S^REMOVE(\"K1\");"),
     bindThree("T", "ONTICK"), "LOG^ADD(\".\");", "", "", "", 1000, "123."},
    {"SignalWhoseFirstBindingRemovesItsBehaviour", integer("V") + threeBehaviours("S^REMOVE(\"K1\");"),
     bindThree("V", "ONSIGNAL^GO") + "V^SEND(\"GO\");LOG^ADD(\".\");", "", "", "", "", 1000, "123."},
    {"OnDoneWhoseFirstBindingRemovesItsBehaviour", integer("V") + threeBehaviours("S^REMOVE(\"K1\");"),
     bindThree("V", "ONDONE") + "S^REMOVE(\"V\");LOG^ADD(\".\");", "", "", "", "", 1000, "123."},
    // A group passes a call on to each member there throughout, once: a
    // member that leaves (itself, or one already called) skips no other;
    // one taken out before the call reaches it is not called, and one
    // added meanwhile gets the next call.
    {"BroadcastWhoseFirstMemberRemovesItself", threeMembers("S^REMOVE(\"A\");"),
     groupOfThree + "G^SET(1);LOG^ADD(\".\");", "", "", "", "", 1000, "abc."},
    {"BroadcastWhoseSecondMemberRemovesTheFirst", threeMembers("", "S^REMOVE(\"A\");"),
     groupOfThree + "G^SET(1);LOG^ADD(\".\");", "", "", "", "", 1000, "abc."},
    {"BroadcastWhoseSecondMemberRemovesTheThird", threeMembers("", "S^REMOVE(\"C\");"),
     groupOfThree + "G^SET(1);LOG^ADD(\".\");", "", "", "", "", 1000, "ab."},
    {"BroadcastWhoseFirstMemberAddsOne", threeMembers("G^ADD(\"D\");") + integer("D", "D:ONCHANGED={LOG^ADD(\"d\");}\n"),
     groupOfThree + "G^SET(1);LOG^ADD(\".\");G^SET(2);", "", "", "", "", 1000, "abc.abcd"},
    // A member's script that calls its group again has the call passed on
    // again, inside the first.
    {"BroadcastCalledAgainByAMember",
     group + integer("A", "A:ONCHANGED={LOG^ADD(\"a\");@IF(A,\"<\",\"2\",{G^SET(2);},\"\");}\n") +
         integer("B", "B:ONCHANGED={LOG^ADD(\"b\");}\n"),
     "G^ADD(\"A\",\"B\");G^SET(1);LOG^ADD(\".\");LOG^ADD(B);", "", "", "", "", 1000, "aabb.1"},
    // A loop's operand named by a parameter, and its right operand, are read
    // again after its body put a new object in the old one's place.
    {"LoopParameterOperandRemovedAndMadeAgain",
     integer("A") + integer("X") + behaviour("LOOPER", "@WHILE($1,\">\",X," + remakeA1 + ");"),
     "A^CLONE(1);A_1^SET(3);LOOPER^RUN(\"A_1\");LOG^ADD(\".\");", "", "", "", "", 1000, "w."},
    {"LoopRightOperandRemovedAndMadeAgain",
     integer("A") + integer("X") + behaviour("LOOPER", "@WHILE(X,\"<\",A_1," + remakeA1 + ");"),
     "A^CLONE(1);A_1^SET(3);LOOPER^RUN();LOG^ADD(\".\");", "", "", "", "", 1000, "w."},
    // What a deleted instance held is finished with it: its TIMER, deleted by
    // the first behaviour its tick runs, runs no further one; bindings of an
    // instance's KEYBOARD record go with the instance that NEW replaces (the
    // first key makes the instance twice; the bindings made while it is
    // raised answer the second key).
    {"TimerOfADeletedInstanceRunsNoFurtherBinding",
     book + behaviour("KILL", "LOG^ADD(\"D\");BOOK^DELETE(\"NOVEL\");") + behaviour("MORE", "LOG^ADD(\"m\");"),
     "BOOK^NEW(\"NOVEL\");", "", "",
     timer("T", "KILL") + behaviour("CONSTRUCTOR", "T^OVERIDESIGNALS(FALSE);T^ADDBEHAVIOUR(\"ONTICK\",\"MORE\");"), "",
     1000, "D"},
    {"KeyboardCodeOfAnInstanceThatNewReplaces",
     book + integer("MADE") +
         "OBJECT=KB\nKB:TYPE=KEYBOARD\nKB:ONKEYDOWN={@IF(MADE,\"_\",\"0\",{MADE^SET(1);BOOK^NEW(\"NOVEL\");"
         "BOOK^NEW(\"NOVEL\");},\"\");}\n",
     "", "", "",
     "OBJECT=KB\nKB:TYPE=KEYBOARD\nKB:ONKEYDOWN={LOG^ADD(\"k\");}\n", "", 1000, "k", true},
    // Cleanup code run as the scene is left (an instance's DESTRUCTOR)
    // removes an instance listed after it and makes another that takes its
    // place in the scene's list: the removed one runs its DESTRUCTOR at the
    // REMOVE and is not finished again, the new one is finished as any
    // other (its DESTRUCTOR runs).
    {"AnObjectReplacedInItsPlaceAsTheSceneIsLeft",
     book + behaviour("MAKE", "S^REMOVE(\"Q\");BOOK^NEW(\"C\");"),
     "BOOK^NEW(\"A\");BOOK^NEW(\"Q\");E^GOTO(\"S2\");", "", "",
     "OBJECT=NAME\nNAME:TYPE=STRING\n" + behaviour("CONSTRUCTOR", "NAME^SET($1);") +
         behaviour("DESTRUCTOR", "LOG^ADD(NAME);@IF(NAME,\"_\",\"A\",{MAKE^RUN();},\"\");"),
     "LOG^ADD(\".\");", 1000, "AC."},
    // An operand that an expression or a condition has read is used to the
    // end, whatever a later operand's call deletes: the value is the one
    // read before the deletion (5 + 2), and the next evaluation finds the
    // name no more.
    {"ExpressionOperandRemovedByALaterOperand", operandA + removerOfA + expression("E", "A", "ADD", "K^RUN()"),
     "LOG^ADD(E);LOG^ADD(\".\");LOG^ADD(E);", "", "", "", "", 1000, "d7.A2"},
    {"InlineExpressionOperandRemovedByALaterOperand", operandA + removerOfA,
     "LOG^ADD([A+K^RUN()]);LOG^ADD(\".\");LOG^ADD(A);", "", "", "", "", 1000, "d7.A"},
    {"ConditionOperandRemovedByALaterOperand", operandA + removerOfA + condition("C", "A", "K^RUN()", "GREATER"),
     "C^CHECK(TRUE);LOG^ADD(\".\");LOG^ADD(A);", "", "", "", "", 1000, "ds.A"},
    {"ComplexConditionsOperandRemovedByALaterOperand",
     operandA + removerOfA + condition("C1", "A", "K^RUN()", "GREATER") + condition("C2", "1", "1", "EQUAL") +
         "OBJECT=CC\nCC:TYPE=COMPLEXCONDITION\nCC:CONDITION1=C1\nCC:CONDITION2=C2\nCC:OPERATOR=AND\n"
         "CC:ONRUNTIMESUCCESS={LOG^ADD(\"S\");}\nCC:ONRUNTIMEFAILED={LOG^ADD(\"F\");}\n",
     "CC^CHECK(TRUE);LOG^ADD(\".\");LOG^ADD(A);", "", "", "", "", 1000, "dssS.A"},
    // A condition deleted by its own operand raises nothing afterwards,
    // neither its success nor its failure; nor does a complex condition
    // deleted by one of its conditions.
    {"ConditionRemovedByItsOwnOperand",
     behaviour("K", "S^REMOVE(\"CD\");@RETURN(1);") + condition("CD", "K^RUN()", "1", "EQUAL"),
     "CD^CHECK(TRUE);LOG^ADD(\".\");CD^CHECK(TRUE);LOG^ADD(CD);", "", "", "", "", 1000, "d.CD"},
    {"ConditionRemovedByItsOwnOperandFailing",
     behaviour("K", "S^REMOVE(\"CD\");@RETURN(1);") + condition("CD", "K^RUN()", "2", "EQUAL"),
     "CD^CHECK(TRUE);LOG^ADD(\".\");", "", "", "", "", 1000, "d."},
    {"ComplexConditionRemovedByItsCondition",
     behaviour("K", "S^REMOVE(\"CC\");@RETURN(1);") + condition("C1", "K^RUN()", "1", "EQUAL") +
         condition("C2", "1", "1", "EQUAL") +
         "OBJECT=CC\nCC:TYPE=COMPLEXCONDITION\nCC:CONDITION1=C1\nCC:CONDITION2=C2\nCC:OPERATOR=AND\n"
         "CC:ONDONE={LOG^ADD(\"D\");}\nCC:ONRUNTIMESUCCESS={LOG^ADD(\"S\");}\n",
     "CC^CHECK(TRUE);LOG^ADD(\".\");", "", "", "", "", 1000, "Dss."},
    // An instance's DESTRUCTOR runs where the instance is finished with its
    // done(): DELETE, REMOVECLONES (from 0 too), RELEASE and its container's
    // unload; never where it is only deleted: REMOVE, and NEW, CLONE or LOAD
    // giving its name to another object.
    {"DestructorNotRunByRemove", book, "BOOK^NEW(\"X\");S^REMOVE(\"X\");LOG^ADD(\".\");", "", "", named, "",
     1000, "."},
    {"DestructorNotRunByNewOver", book, "BOOK^NEW(\"X\");BOOK^NEW(\"X\");LOG^ADD(\".\");", "", "", named, "",
     1000, "."},
    {"DestructorNotRunByCloneOver", book + integer("X"),
     "BOOK^NEW(\"X_1\");X^CLONE(1);LOG^ADD(\".\");LOG^ADD(X_1);", "", "", named, "", 1000, ".0"},
    {"DestructorNotRunByLoadOver", "", "CNVLOADER^LOAD(\"F.CNV\");MK^RUN();CNVLOADER^LOAD(\"G.CNV\");LOG^ADD(\".\");",
     "", book + behaviour("MK", "BOOK^NEW(\"A\");"), named, "", 1000, "."},
    {"DestructorRunOnceByDelete", book,
     "BOOK^NEW(\"X\");BOOK^DELETE(\"X\");LOG^ADD(\".\");BOOK^DELETE(\"X\");", "", "", named, "", 1000, "DX."},
    {"DestructorRunByRemoveClones", book,
     "BOOK^NEW(\"X\");BOOK^NEW(\"X_1\");BOOK^NEW(\"X_2\");S^REMOVECLONES(\"X\",1,2);LOG^ADD(\".\");", "", "",
     named, "", 1000, "DX_1DX_2."},
    {"DestructorRunByRemoveClonesFromZero", book,
     "BOOK^NEW(\"X\");BOOK^NEW(\"X_1\");S^REMOVECLONES(\"X\",0,1);LOG^ADD(\".\");", "", "", named, "", 1000,
     "DXDX_1."},
    {"DestructorRunByRelease", "",
     "CNVLOADER^LOAD(\"F.CNV\");X^CLONE(1);MK^RUN();CNVLOADER^RELEASE(\"F.CNV\");LOG^ADD(\".\");", "",
     integer("X") + book + behaviour("MK", "BOOK^NEW(\"X_1\");"), named, "", 1000, "DX_1."},
    {"DestructorRunAsTheSceneIsLeft", book, "BOOK^NEW(\"X\");E^GOTO(\"S2\");", "", "", named,
     "LOG^ADD(\".\");", 1000, "DX."},
};

class ObjectLifetimeTitle : public testsupport::HostTitle, public ::testing::WithParamInterface<Row> {};
class ObjectLifetimeSnapshot : public testsupport::HostTitle {};

TEST_P(ObjectLifetimeTitle, PlaysToItsEnd)
{
    const Row& row = GetParam();
    std::string application = "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E\nOBJECT=E\nE:TYPE=EPISODE\n"
                              "E:SCENES=S,S2\nOBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\nOBJECT=S2\nS2:TYPE=SCENE\n"
                              "S2:PATH=\\S2\n";
    std::string exit = row.end + "SAW^SET(LOG);N^ADD(1000);GAME^EXIT();";
    std::string scene = row.scene + behaviour("STARTS", row.start) + "OBJECT=S\nS:ONINIT=STARTS\n";
    if (row.nextScene.empty())
        scene += behaviour("ENDS", exit) + timer("ENDT", "ENDS", 1, 100);
    title({{"Rara/application.def", application},
           {"Rara/GAME.cnv", kept("N") + integer("APPVALUE") + "OBJECT=APPGROUP\nAPPGROUP:TYPE=GROUP\n" +
                                 "OBJECT=LOG\nLOG:TYPE=STRING\nOBJECT=SAW\nSAW:TYPE=STRING\nSAW:TOINI=TRUE\n"},
           {"Rara/S/S.cnv", scene},
           {"Rara/S2/S2.cnv", behaviour("STARTS", row.nextScene + exit) + "OBJECT=S2\nS2:ONINIT=STARTS\n"},
           {"Rara/S/F.CNV", row.loaded},
           {"Rara/S/G.CNV", integer("A")},
           {"COMMON/CLASSES/BOOK.def", row.classFile}});
    testsupport::FeedInUse feed(row.keyPressed ? &pressKey : nullptr, nullptr);
    EXPECT_EQ(run("-nogfx -frames 200"), 0);
    EXPECT_EQ(setting("GAME", "N"), std::to_string(row.expected));
    EXPECT_EQ(setting("GAME", "SAW"), row.seen);
}

INSTANTIATE_TEST_SUITE_P(EachHolderEachWay, ObjectLifetimeTitle, ::testing::ValuesIn(rows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace

namespace {

// A binding read back from the scene's snapshot goes with its behaviour as
// one read from the definitions does.
TEST_F(ObjectLifetimeSnapshot, ABindingReadFromTheSnapshotGoesWithItsBehaviour)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", kept("N") + behaviour("BK", "N^ADD(1);") + integer("B", "B:ONCHANGED=BK\n") +
                                behaviour("ENDS", "B^SET(2);N^ADD(1000);GAME^EXIT();") + timer("ENDT", "ENDS", 1, 100) +
                                onInit("S^REMOVE(\"BK\");B^SET(1);")}});
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        tmp.write("Quarnel.ini", "");
        EXPECT_EQ(run("-nogfx -frames 200"), 0) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "N"), "1000") << "from the snapshot " << fromSnapshot;
    });
}

} // namespace

namespace {

class ObjectLifetimeEndless : public testsupport::HostTitle {};

// Members whose script calls their group again for ever: each call nests
// deeper, until the engine's bound on nesting breaks the script off back to
// the statement that started it; the next statement starts afresh, the
// title plays on to its end, and standard error says so once.
TEST_F(ObjectLifetimeEndless, ABroadcastCalledAgainForEverIsBrokenOffOnce)
{
    const std::string again = "{N^ADD(1);G^INC();}";
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", kept("N") + group + integer("A", "A:ONCHANGED=" + again + "\n") +
                                integer("B", "B:ONCHANGED=" + again + "\n") +
                                behaviour("ENDS", "N^ADD(1000);GAME^EXIT();") + timer("ENDT", "ENDS", 1, 100) +
                                onInit("G^ADD(\"A\",\"B\");G^INC();G^INC();")}});
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run("-nogfx -frames 200"), 0);
    const std::string said = ::testing::internal::GetCapturedStderr();
    const std::string line = "nested more than 400 levels deep";
    EXPECT_NE(said.find(line), std::string::npos) << said;
    EXPECT_EQ(said.find(line), said.rfind(line)) << said;
    // Each of the two calls of the start nests to the bound once.
    EXPECT_GT(std::stoi(setting("S", "N")), 1000 + 2 * 300);
}

} // namespace


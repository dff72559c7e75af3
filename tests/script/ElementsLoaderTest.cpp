#include "base/TextLineSource.h"
#include "script/Element.h"
#include "script/ElementsLoader.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

// Physical lines as the text coder delivers them (CR kept, LF gone).
class Lines : public CTextLineSource {
public:
    explicit Lines(std::vector<std::string> l) : lines(std::move(l)) {}
    bool _eof() override { return next >= lines.size(); }
    CXString getLine() override { return next < lines.size() ? CXString(lines[next++].c_str()) : CXString(); }

private:
    std::vector<std::string> lines;
    size_t next = 0;
};

// Reads CR LF text: every line gets its CR.
std::unique_ptr<CMElements> read(std::vector<std::string> lines, bool crlf = true)
{
    if (crlf)
        for (std::string& l : lines)
            l += "\r";
    Lines source(lines);
    return std::unique_ptr<CMElements>(CMElementsLoader::load(&source));
}

std::string value(CMElements* list, const char* record, const char* key)
{
    CMElement* e = list->get(record);
    return e ? e->getPropertyValue(key).c_str() : "<no record>";
}

TEST(CMElementsLoaderTest, StatementForms)
{
    auto list = read({
        "# a comment",
        "   # blanks before the hash",
        "OBJECT=HERO",
        "HERO:TYPE=ANIMO",
        "HERO:FILENAME=hero.ann",
        "HERO:PRIORITY=10",
        "OBJECT=A=OBJECT=B",
        "B:ADD=A",
        "A:APPLY=HERO",
        "IMPORT=S",
        "DEF:D(X = 1|Y=two words| |Z)",
        "NOBODY:X=1",
        "OBJECT = C",
        "A:FILE=c:\\dir\\file.img",
        "A:V=x=y",
        "A:EMPTY",
        "A:EMPTY=",
        "A:N=5",
        "A:N",
        "A:T=a\tb",
    });
    ASSERT_EQ(list->getSize(), 5);
    EXPECT_EQ(list->getAt(0)->getName(), "HERO");
    EXPECT_EQ(value(list.get(), "HERO", "FILENAME"), "hero.ann");
    EXPECT_EQ(list->get("HERO")->getPropertyIntValue("PRIORITY"), 10);

    CMElement* a = list->get("A");
    ASSERT_TRUE(a);
    ASSERT_EQ(a->getChildren()->getSize(), 2);
    EXPECT_EQ(a->getChildren()->getAt(0)->getName(), "B");
    EXPECT_EQ(a->getChildren()->getAt(1)->getName(), "HERO");

    EXPECT_EQ(value(list.get(), "S", "TYPE"), "SEQUENCE");
    CMElement* d = list->get("D");
    ASSERT_TRUE(d);
    ASSERT_EQ(d->getProperties()->getSize(), 2);
    EXPECT_EQ(value(list.get(), "D", "X"), "1");
    EXPECT_EQ(value(list.get(), "D", "Y"), "two words");

    EXPECT_FALSE(list->contains("C")); // 'OBJECT ' is not the keyword
    EXPECT_FALSE(list->contains("NOBODY"));
    EXPECT_EQ(value(list.get(), "A", "FILE"), "c \\dir\\file.img");
    EXPECT_EQ(value(list.get(), "A", "V"), "x y");
    EXPECT_TRUE(a->isPropertyAvailable("EMPTY"));
    EXPECT_EQ(value(list.get(), "A", "EMPTY"), "");
    EXPECT_EQ(a->getPropertyIntValue("N"), 5);
    EXPECT_EQ(value(list.get(), "A", "T"), "ab");
    int ns = 0, empties = 0;
    for (int i = 0; i < a->getProperties()->getSize(); ++i) {
        CXString n = a->getProperties()->getAt(i)->getName();
        ns += n == "N";
        empties += n == "EMPTY";
    }
    EXPECT_EQ(ns, 1); // 'A:N' after 'A:N=5' adds nothing
    EXPECT_EQ(empties, 1); // "A:EMPTY=" is the same statement as "A:EMPTY"
}

TEST(CMElementsLoaderTest, RepeatedNamesAndFirstPropertyWins)
{
    auto list = read({"OBJECT=A", "OBJECT=A", "A:X=1", "A:X=2", "IMPORT=A", "DEF:A(X=9)"});
    ASSERT_EQ(list->getSize(), 2); // DEF appends a second A that lookups never find
    CMElement* a = list->get("A");
    EXPECT_EQ(a, list->getAt(0));
    EXPECT_EQ(a->getProperties()->getSize(), 2);
    EXPECT_EQ(a->getPropertyIntValue("X"), 1);
    a->removeProperty("X");
    EXPECT_EQ(a->getPropertyIntValue("X"), 2);
    EXPECT_FALSE(a->isPropertyAvailable("TYPE"));
}

// The records in list order as 'NAME{P=v,...}[CHILD,...]', blank-separated.
std::string describe(CMElements* list)
{
    std::string out;
    for (int i = 0; i < list->getSize(); ++i) {
        CMElement* e = list->getAt(i);
        out += std::string(i ? " " : "") + e->getName().c_str() + "{";
        for (int p = 0; p < e->getProperties()->getSize(); ++p) {
            CMProperty* property = e->getProperties()->getAt(p);
            out += std::string(p ? "," : "") + property->getName().c_str() + "=" + property->getValue().c_str();
        }
        out += "}";
        CMElements* children = e->getChildren();
        if (children->getSize() > 0) {
            out += "[";
            for (int c = 0; c < children->getSize(); ++c) {
                // A child is named by its name and, when that name is
                // repeated, its place in the list.
                CMElement* child = children->getAt(c);
                int at = -1;
                for (int k = 0; k < list->getSize(); ++k)
                    if (list->getAt(k) == child)
                        at = k;
                out += std::string(c ? "," : "") + child->getName().c_str() + "#" + std::to_string(at);
            }
            out += "]";
        }
    }
    return out;
}

// Every statement that names a record acts on the first record of that
// name, and a name is told apart from another byte by byte.
TEST(CMElementsLoaderTest, RepeatedNamesReachTheFirstRecord)
{
    struct Case {
        std::vector<std::string> lines;
        const char* records;
    } cases[] = {
        // A repeated OBJECT ends its line; a repeated IMPORT does not.
        {{"OBJECT=A", "OBJECT=A=OBJECT=B"}, "A{}"},
        {{"OBJECT=A", "IMPORT=A=OBJECT=B", "B:X=1"}, "A{} B{X=1}"},
        {{"IMPORT=S", "IMPORT=S", "OBJECT=S", "S:X=1"}, "S{TYPE=SEQUENCE,X=1}"},
        // DEF always appends; OBJECT and IMPORT then find the first record.
        {{"DEF:A(X=1)", "OBJECT=A", "IMPORT=A", "A:Y=2"}, "A{X=1,Y=2}"},
        {{"OBJECT=A", "DEF:A(X=1)", "A:Y=2", "A:X"}, "A{Y=2,X=} A{X=1}"},
        {{"DEF:A(X=1)", "DEF:A(X=2)", "A:Y=3"}, "A{X=1,Y=3} A{X=2}"},
        {{"OBJECT=P", "DEF:P(X=1)", "OBJECT=C", "C:ADD=P", "P:APPLY=C", "DEF:C(Y=1)", "C:ADD=P"},
         "P{}[C#2,C#2,C#2] P{X=1} C{} C{Y=1}"},
        // Names are exact: case, and the blank a DEF name keeps, count.
        {{"OBJECT=a", "OBJECT=A", "A:X=1", "a:X=2"}, "a{X=2} A{X=1}"},
        {{"DEF:A (X=1)", "OBJECT=A", "A:Y=2", "A :Z=3"}, "A {X=1,Z=3} A{Y=2}"},
        // A name is known from the line that declares it on.
        {{"A:X=1", "OBJECT=A", "A:Y=2", "OBJECT=B=B:Z=3"}, "A{Y=2} B{Z=3}"},
    };
    for (const Case& c : cases) {
        auto list = read(c.lines);
        std::string text;
        for (const std::string& l : c.lines)
            text += l + " | ";
        EXPECT_EQ(describe(list.get()), c.records) << text;
    }
}

TEST(CMElementsLoaderTest, SlashJoinsLines)
{
    auto list = read({"OBJECT=A", "A:NAME=x /", "  y", "A:LAST=z/"});
    EXPECT_EQ(value(list.get(), "A", "NAME"), "x   y");
    EXPECT_EQ(value(list.get(), "A", "LAST"), "z");
}

TEST(CMElementsLoaderTest, EndOfDefinitionsAndEmptyFiles)
{
    EXPECT_EQ(read({})->getSize(), 0);
    EXPECT_EQ(read({"!", "OBJECT=A"})->getSize(), 0);
    auto list = read({"OBJECT=A", "!stop here", "OBJECT=B"});
    EXPECT_EQ(list->getSize(), 1);
}

TEST(CMElementsLoaderTest, LineEndings)
{
    // Bare LF files keep the last character of each line.
    auto lf = read({"OBJECT=ABC", "ABC:X=123"}, false);
    EXPECT_EQ(value(lf.get(), "ABC", "X"), "123");
    auto crlf = read({"OBJECT=ABC", "ABC:X=123"}, true);
    EXPECT_EQ(value(crlf.get(), "ABC", "X"), "123");
    // Short lines keep their CR; a comment line of one character still works.
    auto shortLines = read({"#", "OBJECT=Q"}, true);
    EXPECT_TRUE(shortLines->contains("Q"));
}

TEST(CMElementsLoaderTest, MalformedDefinitionsAreSkipped)
{
    auto list = read({"DEF:NOPAREN", "DEF:CLOSE)(X=1", "DEF(X=1)", "DEF:OK(X=1|NOEQ|=v)", "DEF:", "DEF"});
    ASSERT_EQ(list->getSize(), 1);
    CMElement* ok = list->getAt(0);
    EXPECT_EQ(ok->getName(), "OK");
    EXPECT_EQ(ok->getPropertyValue("X"), "1");
    EXPECT_EQ(ok->getPropertyValue(""), "v");
}

TEST(CMElementsLoaderTest, SaveReportsThatNothingWasWritten)
{
    CMElements list(true);
    EXPECT_FALSE(CMElementsLoader::save("x.cnv", &list));
}

TEST(CMElementTest, TypedGetters)
{
    CMElement e("E");
    struct Case {
        const char* text;
        int i;
        bool b;
        double d;
    } cases[] = {
        {"12px", 12, false, 12.0}, {"x1", 0, false, 0.0},  {"true", 0, true, 0.0}, {"True", 0, true, 0.0},
        {"1", 1, false, 1.0},      {"yes", 0, false, 0.0}, {"", 0, false, 0.0},    {" TRUE", 0, false, 0.0},
        {"-2.5e1", -2, false, -25.0},
    };
    for (const Case& c : cases) {
        e.removeAll();
        e.addProperty("V", c.text);
        EXPECT_EQ(e.getPropertyIntValue("V"), c.i) << c.text;
        EXPECT_EQ(e.getPropertyBoolValue("V"), c.b) << c.text;
        EXPECT_DOUBLE_EQ(e.getPropertyDoubleValue("V"), c.d) << c.text;
    }
    e.removeAll();
    e.addProperty("R", "0,0,800,600");
    e.addProperty("P", "10 20");
    e.addProperty("S", "3, 4");
    e.addProperty("DOT", "1.2");
    e.addProperty("SHORT", "7");
    e.addProperty("L", "1, 2,,3");
    e.addProperty("E", "");
    EXPECT_EQ(e.getPropertyRectValue("R"), CXRect(0, 0, 800, 600));
    EXPECT_EQ(e.getPropertyPointValue("P"), CXPoint(10, 20));
    CXSize s = e.getPropertySizeValue("S");
    EXPECT_EQ(s.cx, 3);
    EXPECT_EQ(s.cy, 4);
    EXPECT_EQ(e.getPropertyPointValue("DOT"), CXPoint(1, 0)); // '.' is no separator here
    EXPECT_EQ(e.getPropertyRectValue("SHORT"), CXRect(7, 0, 0, 0));
    EXPECT_EQ(e.getPropertyPointValue("MISSING"), CXPoint());
    CXArray* l = e.getPropertyListValue("L");
    ASSERT_TRUE(l);
    EXPECT_EQ(l->getSize(), 3);
    CXString::releaseToVector(l);
    CXArray* empty = e.getPropertyListValue("E");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->getSize(), 0);
    CXString::releaseToVector(empty);
    EXPECT_EQ(e.getPropertyListValue("MISSING"), nullptr);
}

TEST(CMElementTest, PropertyEditing)
{
    CMElement e("E");
    e.addProperty("TYPE", "IMAGE");
    EXPECT_TRUE(e.hasProperty("type"));
    EXPECT_FALSE(e.isPropertyAvailable("type"));
    e.setProperty("NEW", "x");
    EXPECT_FALSE(e.isPropertyAvailable("NEW"));
    e.setProperty("TYPE", "ANIMO");
    EXPECT_EQ(e.getPropertyValue("TYPE"), "ANIMO");
    e.addProperty("TYPE");
    EXPECT_EQ(e.getProperties()->getSize(), 1);
    e.removeProperty("NONE");
    e.removeProperty("TYPE");
    EXPECT_EQ(e.getProperties()->getSize(), 0);
}

TEST(CMElementCreatorTest, MakesOnlyWhatItsMakersKnow)
{
    CMElement image("I");
    image.addProperty("TYPE", "IMAGE");
    EXPECT_EQ(CMElementCreator::createObject(nullptr, &image), nullptr); // no FILENAME, no maker

    static CXObject made;
    CMElementCreator::setImageMaker([](CWindow*, CMElement*) -> CXObject* { return &made; });
    EXPECT_EQ(CMElementCreator::createObject(nullptr, &image), nullptr);
    image.addProperty("FILENAME", "a.img");
    EXPECT_EQ(CMElementCreator::createObject(nullptr, &image), &made);
    CMElementCreator::setImageMaker(nullptr);

    CMElement animo("A");
    animo.addProperty("TYPE", "ANIMO");
    EXPECT_EQ(CMElementCreator::createPlayable(nullptr, &animo), nullptr);
}

TEST(CPropertiesLoaderTest, SplitsAtEquals)
{
    Lines lines({"a=b=c", "", "VERSION=1.2\r", "name only"});
    std::unique_ptr<CMProperties> list(CPropertiesLoader::load(nullptr, &lines));
    ASSERT_EQ(list->getSize(), 4);
    EXPECT_EQ(list->getAt(0)->getName(), "a");
    EXPECT_EQ(list->getAt(0)->getValue(), "b");
    EXPECT_EQ(list->getAt(1)->getName(), "");
    EXPECT_EQ(list->getAt(2)->getValue(), "1.2\r");
    EXPECT_EQ(list->getAt(3)->getValue(), "");
}

} // namespace

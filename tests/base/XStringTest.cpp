#include "base/XArray.h"
#include "base/XString.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(CXStringTest, CapacityRules)
{
    EXPECT_EQ(CXString().GetCapacity(), 32);
    EXPECT_EQ(CXString(std::string(31, 'a').c_str()).GetCapacity(), 32);
    EXPECT_EQ(CXString(std::string(32, 'a').c_str()).GetCapacity(), 64);

    CXString copy(CXString(std::string(40, 'b').c_str()));
    EXPECT_EQ(copy.GetCapacity(), 72);

    // Assignment from text keeps the buffer while the text fits.
    CXString s;
    s = "short";
    EXPECT_EQ(s.GetCapacity(), 32);
    s = std::string(32, 'x').c_str();
    EXPECT_EQ(s.GetCapacity(), 64);

    // Assignment from a string reallocates only for a larger source capacity.
    CXString small("ab");
    CXString big(std::string(50, 'y').c_str()); // capacity 82
    small = big;
    EXPECT_EQ(small.GetCapacity(), 82);
    EXPECT_EQ(small, big);
    big = CXString("z");
    EXPECT_EQ(big.GetCapacity(), 82);

    // One-character appends double the capacity.
    CXString c(std::string(29, 'c').c_str()); // capacity 32, length 29
    c += 'd';
    EXPECT_EQ(c.GetCapacity(), 32);
    c += 'e'; // length 30 is not below 30
    EXPECT_EQ(c.GetCapacity(), 64);
    EXPECT_EQ(c.getLength(), 31);

    // Joining gives joined length + 32.
    EXPECT_EQ((CXString("ab") + "cd").GetCapacity(), 36);
}

TEST(CXStringTest, AssignmentForms)
{
    CXString s("keep");
    s = static_cast<const char*>(nullptr);
    EXPECT_EQ(s, "keep");
    s = 'q';
    EXPECT_EQ(s, "q");
    s = -42;
    EXPECT_EQ(s, "-42");
    s += 7;
    EXPECT_EQ(s, "-427");
    s += CXString("x");
    s += "yz";
    EXPECT_EQ(s, "-427xyz");
    s += s; // appending itself
    EXPECT_EQ(s, "-427xyz-427xyz");
}

TEST(CXStringTest, DoubleAssignmentHasNineSignificantDigits)
{
    struct Case {
        double value;
        const char* text;
    } cases[] = {{1.5, "1.5"},       {2.0, "2."},           {-314150.0, "-314150."},
                 {0.5, "0.5"},       {0.05, "5.e-002"},     {1e10, "1.e+010"},
                 {123456789.0, "123456789."}, {1.0 / 3, "0.333333333"}, {0.0, "0."}};
    for (const Case& c : cases) {
        CXString s;
        s = c.value;
        EXPECT_EQ(std::string(s.c_str()), c.text) << c.value;
    }
}

TEST(CXStringTest, CodePage1250Case)
{
    const char lowerText[] = "\xBF\xF3\xB3\x77";
    CXString s(lowerText);
    s.Upper();
    EXPECT_EQ(s, "\xAF\xD3\xA3\x57");
    EXPECT_TRUE(CXString(lowerText).equalsIgnoreCase(s));
    s.Lower();
    EXPECT_EQ(s, lowerText);

    // Bytes outside the table stay as they are.
    CXString other("\xE4\xDF\xA9");
    other.Upper();
    EXPECT_EQ(other, "\xE4\xDF\xA9");

    EXPECT_TRUE(CXString("").IsLower());
    EXPECT_TRUE(CXString("\xB9\xE6z").IsLower());
    EXPECT_FALSE(CXString("ab1").IsLower());
    EXPECT_FALSE(CXString("a b").IsLower());
    EXPECT_TRUE(CXString("\xA5\x8C").IsUpper());
    EXPECT_TRUE(CXString("aB").IsUpper(1));
    EXPECT_FALSE(CXString("aB").IsUpper(0));
}

TEST(CXStringTest, Cutting)
{
    CXString s("abcdef");
    EXPECT_EQ(s.Right(2), "cdef");
    EXPECT_EQ(s.Mid(1, 3), "bc");
    EXPECT_EQ(s.Left(0), "");
    EXPECT_EQ(s.Left(3), "abc");
    // Out-of-range indices are clamped rather than read past the text.
    EXPECT_EQ(s.Left(99), "abcdef");
    EXPECT_EQ(s.Mid(4, 99), "ef");
    EXPECT_EQ(s.Mid(-3, 2), "ab");
    EXPECT_EQ(s.Right(10), "");
    EXPECT_EQ(s.GetAt(-1), 'f');
    EXPECT_EQ(s.GetAt(6), 0);
    EXPECT_EQ(s.GetAt(-7), 0);
    EXPECT_EQ(CXString().GetAt(-1), 0);

    CXString t(s);
    t.mid(1, 4);
    EXPECT_EQ(t, "bcd");
    t.right(1);
    EXPECT_EQ(t, "cd");
    t.left(1);
    EXPECT_EQ(t, "c");

    CXString out("x");
    s.mid(2, 5, &out);
    EXPECT_EQ(out, "cde");
    s.left(2, &s); // into itself
    EXPECT_EQ(s, "ab");
}

TEST(CXStringTest, Searching)
{
    CXString b("banana");
    EXPECT_EQ(b.FindLast('a', -1), 5);
    EXPECT_EQ(b.FindLast('a', 5), 3);
    EXPECT_EQ(b.Find('a', 2), 3);
    EXPECT_EQ(b.Find('a', 6), -1);
    EXPECT_EQ(b.Find('z', 0), -1);
    EXPECT_EQ(b.FindSubString("na", 3), 4);
    EXPECT_EQ(b.indexOf("an", -5), 1);
    EXPECT_EQ(b.indexOf("nab", 0), -1);
    EXPECT_EQ(b.findOneOf("xn", 0), 2);
    EXPECT_EQ(b.getCount('a'), 3);
    EXPECT_TRUE(b.startsWith("ban"));
    EXPECT_TRUE(b.startsWith(""));
    EXPECT_FALSE(b.startsWith("bananas"));
    EXPECT_TRUE(b.endsWith("ana"));
    EXPECT_FALSE(CXString("a").endsWith("ba"));
}

TEST(CXStringTest, Editing)
{
    EXPECT_EQ(CXString("aaa").replace("aa", "b"), "ba");
    EXPECT_EQ(CXString("abc").replace("", "x"), "abc");
    CXString once("a-b-c");
    once.replaceOnce("-", "+", 2);
    EXPECT_EQ(once, "a-b+c");
    CXString trim("xxabxx");
    trim.AllTrim('x');
    EXPECT_EQ(trim, "ab");
    CXString r("a.b.c");
    r.Replace('.', '\\');
    EXPECT_EQ(r, "a\\b\\c");
    CXString fill;
    fill.FillWith('*', 40);
    EXPECT_EQ(fill, std::string(40, '*').c_str());

    CXString tagged("<b>bold</b> and <i>it</i> 2<3");
    tagged.removeTag("b");
    EXPECT_EQ(tagged, "bold</b> and <i>it</i> 2<3");
    tagged.removeTag("/");
    EXPECT_EQ(tagged, "bold and <i>it 2<3");
    CXString open("x<b unclosed");
    open.removeTag("b");
    EXPECT_EQ(open, "x<b unclosed");

    CXString words("  one two   three ");
    EXPECT_EQ(words.getWord(0), "one");
    EXPECT_EQ(words.getWord(2), "three");
    EXPECT_EQ(words.getWord(3), "");
}

TEST(CXStringTest, FormatHasNoLengthLimit)
{
    CXString s;
    s.Format("%d-%d", 3, 4);
    EXPECT_EQ(s, "3-4");
    std::string longName(600, 'n');
    s.Format("%s\\%d.img", CXString(longName.c_str()), 7);
    EXPECT_EQ(std::string(s.c_str()), longName + "\\7.img");
    s.Format("%s:%d:%s", CXString("a"), 1, CXString("b"));
    EXPECT_EQ(s, "a:1:b");
}

TEST(CXStringTest, Conversions)
{
    EXPECT_EQ(CXString("12abc").toNumber(), 12);
    EXPECT_EQ(CXString("  -7").toNumber(), -7);
    EXPECT_EQ(CXString("99999999999").toNumber(), 2147483647);
    EXPECT_EQ(CXString("-99999999999").toNumber(), -2147483647 - 1);
    EXPECT_FALSE(CXString("0").isNumber());
    EXPECT_FALSE(CXString("abc").isNumber());
    EXPECT_TRUE(CXString("12abc").isNumber());

    for (const char* yes : {"true", "TRUE", "True"})
        EXPECT_TRUE(CXString(yes).toBool()) << yes;
    for (const char* no : {"yes", "1", "", "TRUE "})
        EXPECT_FALSE(CXString(no).toBool()) << no;

    for (const char* text : {"10,20", "10.20", "10|20", "10 20", " 10,,20"}) {
        CXPoint p = CXString(text).toPoint();
        EXPECT_EQ(p, CXPoint(10, 20)) << text;
    }
    EXPECT_EQ(CXString("5").toPoint(), CXPoint(5, 0));
    EXPECT_EQ(CXString("1,2,3,4").toRect(), CXRect(1, 2, 3, 4));
    EXPECT_EQ(CXString("1 2").toRect(), CXRect(1, 2, 0, 0));

    CXArray* list = CXString("a, b\r\nc,,").toVector();
    ASSERT_EQ(list->getSize(), 3);
    EXPECT_EQ(*list->stringAt(0), "a");
    EXPECT_EQ(*list->stringAt(2), "c");
    CXString::releaseToVector(list);
    CXString::releaseToVector(nullptr);
}

TEST(CXStringTest, NumberTexts)
{
    struct Case {
        double value;
        const char* text;
    } cases[] = {{0.0, "0"},           {0.05, "0.05000"},  {1.5, "1.50000"},       {-0.5, "-0.50000"},
                 {-2.25, "-2.25000"},  {0.000001, "0"},    {123.456789, "123.45679"}, {1e6, "1000000.00000"}};
    for (const Case& c : cases)
        EXPECT_EQ(std::string(CXString::toString(c.value).c_str()), c.text) << c.value;
    EXPECT_EQ(CXString::toString(true), "TRUE");
    EXPECT_EQ(CXString::toString(false), "FALSE");
    EXPECT_EQ(CXString::toString(-2147483647 - 1), "-2147483648");
}

TEST(CXStringTest, NumbersIgnoreTheProcessLocale)
{
    if (!testsupport::useCommaDecimalLocale())
        GTEST_SKIP() << "no comma-decimal locale could be made";
    EXPECT_DOUBLE_EQ(CXString("1.5").toDouble(), 1.5);
    EXPECT_DOUBLE_EQ(CXString::atof("-2.25e1"), -22.5);
    EXPECT_EQ(std::string(CXString::toString(1.5).c_str()), "1.50000");
    CXString s;
    s = 2.5;
    EXPECT_EQ(s, "2.5");
    testsupport::useCLocale();
}

TEST(CXStringTest, WildcardPatterns)
{
    struct Case {
        const char* pattern;
        const char* name;
        bool fits;
    } cases[] = {
        {"*.txt", "ab.txt", true}, {"*.txt", "t", false},     {"abcdef", "abc", false}, {"a?c", "abc", true},
        {"a?c", "ac", false},      {"*", "anything", true},   {"*.*", "noext", true},   {"ab*", "ab", true},
        {"*b*d", "abcd", true},    {"*b*d", "abce", false},   {"abc", "*", true},       {"x", "*.*", true},
        {"a*", "ba", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CXString(c.pattern).FilterFits(c.name), c.fits) << c.pattern << " / " << c.name;
}

TEST(CXStringTest, Comparisons)
{
    EXPECT_TRUE(CXString("Ab") == "Ab");
    EXPECT_TRUE("Ab" == CXString("Ab"));
    EXPECT_TRUE(CXString("Ab") != "ab");
    EXPECT_TRUE(CXString("Ab") != CXString("A"));
    EXPECT_TRUE(CXString("Ab").equals("Ab"));
    EXPECT_TRUE(CXString("Ab").equalsIgnoreCase("aB"));
    EXPECT_FALSE(CXString("Ab").equalsIgnoreCase("aBc"));
}

} // namespace

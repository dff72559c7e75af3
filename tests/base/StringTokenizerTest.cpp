#include "base/StringTokenizer.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> tokens(const char* text, const char* separators)
{
    std::vector<std::string> out;
    CStringTokenizer t(text, separators);
    while (t.hasMoreTokens())
        out.push_back(t.nextToken().c_str());
    EXPECT_EQ(t.nextToken(), "");
    return out;
}

TEST(CStringTokenizerTest, Splitting)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(tokens(",,a,,b,", ","), (V{"a", "b"}));
    EXPECT_EQ(tokens("", ","), V{});
    EXPECT_EQ(tokens("a b", ".|, "), (V{"a", "b"}));
    EXPECT_EQ(tokens("a, b", ""), (V{"a, b"}));
    EXPECT_EQ(tokens(",,,", ","), V{});
    EXPECT_EQ(tokens(" x ", ","), (V{" x "}));
}

TEST(CStringTokenizerTest, CopiesCarryThePosition)
{
    CStringTokenizer t("a;b;c", ";");
    EXPECT_EQ(t.nextToken(), "a");
    CStringTokenizer copy(t);
    EXPECT_EQ(t.nextToken(), "b");
    EXPECT_EQ(copy.nextToken(), "b");
    CStringTokenizer other("z", ";");
    other = copy;
    EXPECT_EQ(other.nextToken(), "c");
    EXPECT_FALSE(other.hasMoreTokens());
    EXPECT_TRUE(t.isSeparator(';'));
    EXPECT_FALSE(t.isSeparator('a'));
}

TEST(CStringArrayTest, UniqueIgnoresCaseRemovalDoesNot)
{
    CStringArray unique(true);
    unique.add("abc");
    unique.add("Abc");
    EXPECT_EQ(unique.getSize(), 1);
    unique.remove("ABC");
    EXPECT_EQ(unique.getSize(), 1);
    EXPECT_TRUE(unique.contains("aBC"));
    unique.remove("abc");
    EXPECT_EQ(unique.getSize(), 0);

    CStringArray plain(false);
    plain.add("x");
    plain.add("x");
    plain.add("y");
    EXPECT_EQ(plain.getSize(), 3);
    plain.remove("x");
    ASSERT_EQ(plain.getSize(), 1);
    EXPECT_EQ(*plain.at(0), "y");
    plain.removeAll();
    EXPECT_EQ(plain.getSize(), 0);
}

} // namespace

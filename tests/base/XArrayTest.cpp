#include "base/XArray.h"
#include "base/XPair.h"
#include "base/XString.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// An object ordered by a key, remembering its place of creation.
class Keyed : public CXObject {
public:
    Keyed(int k, int t) : key(k), tag(t) {}
    int compare(CXObject* other) override { return key - static_cast<Keyed*>(other)->key; }
    CXString toString() override { return text; }
    int key, tag;
    CXString text;
};

TEST(CXArrayTest, GrowsOnThe76thAdd)
{
    CXArray a(101, 0.75f);
    int dummy[80];
    for (int i = 0; i < 75; ++i)
        a.add(&dummy[i]);
    EXPECT_EQ(a.GetCapacity(), 101);
    a.add(&dummy[75]);
    EXPECT_EQ(a.GetCapacity(), 202);
    EXPECT_EQ(a.getSize(), 76);
    for (int i = 0; i < 76; ++i)
        EXPECT_EQ(a[i], &dummy[i]);

    CXVector v(101, 0.75f);
    CXObject objects[80];
    for (int i = 0; i < 76; ++i)
        v.add(&objects[i]);
    EXPECT_EQ(v.GetCapacity(), 202);
}

TEST(CXArrayTest, SetAtGrowsWithoutCounting)
{
    CXArray a(101, 0.75f);
    int x;
    EXPECT_EQ(a.setAt(150, &x), nullptr);
    EXPECT_EQ(a.GetCapacity(), 202);
    EXPECT_EQ(a.getSize(), 0);
    EXPECT_EQ(a.setAt(150, nullptr), &x);
    EXPECT_EQ(a.setAt(-1, &x), nullptr);

    CXVector v;
    CXObject o;
    EXPECT_EQ(v.setAt(0, &o), nullptr); // only below the count
    v.add(&o);
    CXObject p;
    EXPECT_EQ(v.setAt(0, &p), &o);
    EXPECT_EQ(v[0], &p);
}

TEST(CXArrayTest, RemovalAndSearchAreByIdentity)
{
    CXArray a;
    int x, y;
    a.add(&x);
    a.add(&y);
    a.add(&x);
    EXPECT_EQ(a.find(&y), 1);
    a.remove(&x);
    ASSERT_EQ(a.getSize(), 2);
    EXPECT_EQ(a[0], &y);
    EXPECT_EQ(a[1], &x);
    int z;
    EXPECT_EQ(a.find(&z), -1);
    a.remove(&z);
    a.remove(nullptr);
    EXPECT_EQ(a.getSize(), 2);
    a.removeAt(5);
    a.removeAt(-1);
    EXPECT_EQ(a.getSize(), 2);
    EXPECT_TRUE(a.replace(&x, &z));
    EXPECT_FALSE(a.replace(&x, &z));
    EXPECT_EQ(a.stringAt(7), nullptr);
    a.removeAll();
    a.add(&z);
    EXPECT_EQ(a[0], &z);
    EXPECT_EQ(a.getSize(), 1);
}

TEST(CXArrayTest, InsertingNeverOverruns)
{
    // Front inserts past the capacity, tiny and zero capacities, factor 1.0.
    for (float factor : {0.75f, 1.0f, 2.0f}) {
        for (int capacity : {0, 1, 3}) {
            CXArray a(capacity, factor);
            CXVector v(capacity, factor);
            std::vector<CXObject> objects(50);
            for (int i = 0; i < 50; ++i) {
                a.insertAt(0, &objects[i]);
                v.insertAt(0, &objects[i]);
            }
            for (int i = 0; i < 50; ++i) {
                EXPECT_EQ(a[i], &objects[49 - i]);
                EXPECT_EQ(v[i], &objects[49 - i]);
            }
            CXVector w(capacity, factor);
            for (int i = 0; i < 50; ++i)
                w.add(&objects[i]);
            EXPECT_EQ(w.getSize(), 50);
        }
    }
}

TEST(CXArrayTest, BulkAddCloneAndCopy)
{
    CXArray a;
    int v[3];
    for (int& x : v)
        a.add(&x);
    std::unique_ptr<CXArray> copy(static_cast<CXArray*>(a.clone()));
    a.removeAll();
    ASSERT_EQ(copy->getSize(), 3);
    EXPECT_EQ((*copy)[2], &v[2]);

    CXArray b(2, 0.75f);
    b.add(copy.get());
    b.add(copy.get());
    EXPECT_EQ(b.getSize(), 6);
    b.add(&b); // appending itself takes the elements it had, once
    ASSERT_EQ(b.getSize(), 12);
    EXPECT_EQ(b[11], &v[2]);

    CXVector src;
    CXObject o[4];
    for (CXObject& x : o)
        src.add(&x);
    CXVector small(1, 0.75f);
    src.copyInto(&small);
    ASSERT_EQ(small.getSize(), 4);
    EXPECT_EQ(small[3], &o[3]);
}

TEST(CXArrayTest, ContainsStringReadsValuesInAnyCase)
{
    Keyed a(1, 0), b(2, 0);
    a.text = "Hello";
    b.text = "\xB3\xF3\x64\xBF";
    CXArray list;
    list.add(&a);
    list.add(static_cast<void*>(nullptr));
    list.add(&b);
    EXPECT_TRUE(list.containsString("HELLO"));
    EXPECT_TRUE(list.containsString("\xA3\xD3\x44\xAF"));
    EXPECT_FALSE(list.containsString("Hell"));
}

TEST(CSortedVectorTest, AscendingAndStableAmongEquals)
{
    std::vector<std::unique_ptr<Keyed>> items;
    int keys[] = {5, 1, 3, 1, 5, 0, 3};
    CSortedVector sorted;
    for (int i = 0; i < 7; ++i) {
        items.emplace_back(new Keyed(keys[i], i));
        sorted.add(items.back().get());
    }
    std::vector<std::pair<int, int>> seen;
    for (int i = 0; i < sorted.getSize(); ++i) {
        Keyed* k = static_cast<Keyed*>(sorted[i]);
        seen.push_back({k->key, k->tag});
    }
    std::vector<std::pair<int, int>> expected = {{0, 5}, {1, 1}, {1, 3}, {3, 2}, {3, 6}, {5, 0}, {5, 4}};
    EXPECT_EQ(seen, expected);

    std::unique_ptr<CSortedVector> reversed(sorted.reverse());
    ASSERT_EQ(reversed->getSize(), 7);
    EXPECT_EQ(static_cast<Keyed*>((*reversed)[0])->tag, 4);
    EXPECT_EQ(static_cast<Keyed*>((*reversed)[6])->tag, 5);
}

TEST(CXQueneTest, FifoAndLifo)
{
    int a, b, c;
    CFifoQuene fifo;
    CLifoQuene lifo;
    for (int* p : {&a, &b, &c}) {
        fifo.push(p);
        lifo.push(p);
    }
    EXPECT_EQ(fifo.pop(), &a);
    EXPECT_EQ(lifo.pop(), &c);
    EXPECT_EQ(fifo.getSize(), 2);

    CXFifoQuene xfifo;
    CXLifoQuene xlifo;
    EXPECT_EQ(xfifo.pop(), nullptr);
    EXPECT_EQ(xlifo.pop(), nullptr);
    CXObject o1, o2;
    xfifo.push(&o1);
    xfifo.push(&o2);
    xlifo.push(&o1);
    xlifo.push(&o2);
    EXPECT_EQ(xfifo.pop(), &o1);
    EXPECT_EQ(xlifo.pop(), &o2);
    CFifoQuene empty;
    EXPECT_EQ(empty.pop(), nullptr);
}

TEST(CXPairTest, ClonesAndNames)
{
    int x, y;
    CXPair named("key", &x);
    EXPECT_EQ(named.getName(), "key");
    EXPECT_EQ(named.getFirst(), &x);
    EXPECT_EQ(named.getSecond(), &x);
    CXPair plain(&x, &y);
    std::unique_ptr<CXPair> copy(static_cast<CXPair*>(plain.clone()));
    EXPECT_EQ(copy->getName(), "cloned");
    EXPECT_EQ(copy->getSecond(), &y);
    CXTriple t(&x, &y, nullptr);
    std::unique_ptr<CXTriple> tc(static_cast<CXTriple*>(t.clone()));
    EXPECT_EQ(tc->getFirst(), &x);
    EXPECT_EQ(tc->getThird(), nullptr);
}

} // namespace

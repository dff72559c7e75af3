#include "base/Hashtable.h"
#include "base/XArray.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

int hashOf(const char* text) { return CStringHashCode(CXString(text)).getHashcode(); }

std::vector<std::string> keyTexts(CHashtable& table)
{
    std::vector<std::string> texts;
    std::unique_ptr<CXVector> keys(table.getKeys());
    if (!keys)
        return texts;
    for (int i = 0; i < keys->getSize(); ++i)
        texts.push_back(static_cast<CStringHashCode*>((*keys)[i])->getString().c_str());
    return texts;
}

TEST(CStringHashCodeTest, HashesBySignedBytesAndPosition)
{
    EXPECT_EQ(hashOf(""), 0);
    EXPECT_EQ(hashOf("A"), 66);
    EXPECT_EQ(hashOf("AB"), 200);
    EXPECT_EQ(hashOf("ab"), 296);
    EXPECT_EQ(hashOf("ca"), 296);
    EXPECT_EQ(hashOf("\x80"), 1 - 128);
    // The power of two restarts every 16 characters.
    EXPECT_EQ(hashOf("\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01"),
              65535 + 1 + (17 * 18) / 2);

    CStringHashCode key(CXString("abc"));
    key.set("A");
    EXPECT_EQ(key.getHashcode(), 66);
    CStringHashCode same(CXString("A")), other(CXString("a"));
    EXPECT_TRUE(key.equals(&same));
    EXPECT_FALSE(key.equals(&other));
    EXPECT_FALSE(key.equals(nullptr));
}

TEST(CHashtableTest, CollidingKeysShareASlotInPutOrder)
{
    CHashtable table(101, 0.75, false);
    CStringHashCode ab(CXString("ab")), ca(CXString("ca")), a(CXString("A"));
    CXObject v1, v2, v3;
    table.put(&ca, &v1);
    table.put(&ab, &v2);
    table.put(&a, &v3); // slot 66, before the pair's slot 94
    EXPECT_EQ(table.get(&ab), &v2);
    EXPECT_EQ(table.get(&ca), &v1);
    CStringHashCode probe(CXString("ca"));
    EXPECT_EQ(table.get(&probe), &v1);
    CStringHashCode missing(CXString("xx"));
    EXPECT_EQ(table.get(&missing), nullptr);
    EXPECT_EQ(keyTexts(table), (std::vector<std::string>{"A", "ca", "ab"}));

    // Emptying the bucket returns the slot to a single entry.
    table.remove(&v1);
    table.remove(&v2);
    EXPECT_EQ(table.get(&ab), nullptr);
    table.put(&ab, &v2);
    EXPECT_EQ(table.get(&ab), &v2);
    EXPECT_EQ(table.getSize(), 2);
}

TEST(CHashtableTest, NegativeHashesTakeTheNonNegativeRemainder)
{
    CHashtable table(101, 0.75, false);
    CStringHashCode high(CXString("\x80")); // -127, slot 75
    CStringHashCode j(CXString("J"));       // 75, slot 75
    CXObject v1, v2;
    table.put(&high, &v1);
    table.put(&j, &v2);
    EXPECT_EQ(table.get(&high), &v1);
    EXPECT_EQ(table.get(&j), &v2);
    EXPECT_EQ(keyTexts(table), (std::vector<std::string>{"\x80", "J"}));
    table.remove(&v1);
    EXPECT_EQ(table.get(&high), nullptr);
    EXPECT_EQ(table.get(&j), &v2);
}

TEST(CHashtableTest, GrowsOnThe76thPutAndKeepsEveryKeyInSlotOrder)
{
    CHashtable table(101, 0.75, true);
    std::vector<CXObject> values(80);
    for (int i = 0; i < 76; ++i) {
        EXPECT_EQ(table.getCapacity(), 101);
        table.put(new CStringHashCode(CXString::toString(i * 7)), &values[i]);
    }
    EXPECT_EQ(table.getCapacity(), 202);
    EXPECT_EQ(table.getSize(), 76);
    for (int i = 0; i < 76; ++i) {
        CStringHashCode probe(CXString::toString(i * 7));
        EXPECT_EQ(table.get(&probe), &values[i]) << i;
        EXPECT_TRUE(table.contains(&values[i]));
    }
    std::unique_ptr<CXVector> keys(table.getKeys());
    ASSERT_EQ(keys->getSize(), 76);
    int previousSlot = -1;
    for (int i = 0; i < keys->getSize(); ++i) {
        int slot = (*keys)[i]->getHashcode() % 202;
        EXPECT_LE(previousSlot, slot);
        previousSlot = slot;
    }
}

// Whoever keeps entries without a table gets the table's walk from
// WalkOrder, through growth (long keys hash past the first slot count, so
// their slots move) and removals.
TEST(CHashtableTest, WalkOrderFollowsTheTableThroughGrowthAndRemovals)
{
    CHashtable table(11, 0.75, true);
    CHashtable::WalkOrder walk(11, 0.75);
    struct Kept {
        std::string text;
        int hash;
        unsigned long long put;
    };
    std::vector<Kept> kept;
    std::vector<std::unique_ptr<CXObject>> values;
    unsigned long long puts = 0;
    for (int i = 0; i < 400; ++i) {
        std::string text = (i % 2 ? "a key longer than sixteen " : "k") + std::to_string(i);
        values.emplace_back(new CXObject);
        walk.put();
        table.put(new CStringHashCode(CXString(text.c_str())), values.back().get());
        kept.push_back({text, hashOf(text.c_str()), puts++});
        if (i % 7 == 3) {
            table.remove(values[size_t(i / 2)].get());
            walk.removed();
            std::string gone = (i / 2 % 2 ? "a key longer than sixteen " : "k") + std::to_string(i / 2);
            for (size_t k = 0; k < kept.size(); ++k)
                if (kept[k].text == gone)
                    kept.erase(kept.begin() + long(k));
        }
    }
    ASSERT_GT(table.getCapacity(), 11);
    EXPECT_EQ(walk.getCapacity(), table.getCapacity());
    std::sort(kept.begin(), kept.end(),
              [&](const Kept& a, const Kept& b) { return walk.before(a.hash, a.put, b.hash, b.put); });
    std::vector<std::string> expected;
    for (const Kept& k : kept)
        expected.push_back(k.text);
    EXPECT_EQ(keyTexts(table), expected);
}

// The slots double on the put that would make the entries more than slots
// x load factor, not a put earlier or later: 8 entries fit 11 slots at
// 0.75, the ninth doubles them unless one was taken out; 10,001 fit the
// 10,001 slots at 1.0 of a named-object container's table, the next
// doubles them. At each count the table walks its keys by slot (hash mod
// the slots of the case) and then by put, and WalkOrder orders them so.
TEST(CHashtableTest, SlotsDoubleOnThePutThatOverfillsThemAndWalkOrderWithThem)
{
    const struct {
        int capacity;
        double load;
        int puts, removed; // removed: of the first keys, before the last put
        int slots;
    } cases[] = {
        {11, 0.75, 8, 0, 11},         {11, 0.75, 9, 0, 22},          {11, 0.75, 9, 1, 11},
        {10001, 1.0, 10001, 0, 10001}, {10001, 1.0, 10002, 0, 20002}, {10001, 1.0, 10002, 1, 10001},
    };
    struct Key {
        std::string text;
        int hash;
        unsigned long long put;
    };
    // The keys in slot order for that many slots, then in the order of the puts.
    auto walked = [](std::vector<Key> keys, int slots) {
        std::stable_sort(keys.begin(), keys.end(),
                         [slots](const Key& a, const Key& b) { return a.hash % slots < b.hash % slots; });
        std::vector<std::string> texts;
        for (const Key& k : keys)
            texts.push_back(k.text);
        return texts;
    };
    for (const auto& c : cases) {
        CHashtable table(c.capacity, c.load, true);
        CHashtable::WalkOrder walk(c.capacity, c.load);
        std::vector<std::unique_ptr<CXObject>> values;
        std::vector<Key> keys;
        // Letters at random, so that the hashes spread over many times the
        // slots and a key's slot changes with the slot count.
        std::mt19937 random(unsigned(c.puts));
        for (int i = 0; i < c.puts; ++i) {
            if (i == c.puts - 1)
                for (int r = 0; r < c.removed; ++r) {
                    table.remove(values[size_t(r)].get());
                    walk.removed();
                    keys.erase(keys.begin());
                }
            std::string text(size_t(1 + random() % 40), ' ');
            for (char& ch : text)
                ch = char('A' + random() % 58);
            text += "#" + std::to_string(i);
            values.emplace_back(new CXObject);
            walk.put();
            table.put(new CStringHashCode(CXString(text.c_str())), values.back().get());
            keys.push_back({text, hashOf(text.c_str()), (unsigned long long)i});
            ASSERT_GE(keys.back().hash, 0);
        }
        const std::string which = std::to_string(c.puts) + " puts into " + std::to_string(c.capacity);
        EXPECT_EQ(table.getCapacity(), c.slots) << which;
        EXPECT_EQ(walk.getCapacity(), c.slots) << which;
        const std::vector<std::string> expected = walked(keys, c.slots);
        // The keys would be walked otherwise in the slots before or after.
        ASSERT_NE(expected, walked(keys, c.slots == c.capacity ? 2 * c.slots : c.capacity)) << which;
        EXPECT_EQ(keyTexts(table), expected) << which;
        std::sort(keys.begin(), keys.end(),
                  [&](const Key& a, const Key& b) { return walk.before(a.hash, a.put, b.hash, b.put); });
        std::vector<std::string> byWalk;
        for (const Key& k : keys)
            byWalk.push_back(k.text);
        EXPECT_EQ(byWalk, expected) << which;
    }
}

TEST(CHashtableTest, PutNeverReplacesAndRemoveTakesTheFirstValueInSlotOrder)
{
    CHashtable table(101, 0.75, false);
    CStringHashCode first(CXString("k")), second(CXString("k"));
    CXObject v1, v2;
    table.put(&first, &v1);
    table.put(&second, &v2);
    EXPECT_EQ(table.getSize(), 2);
    EXPECT_EQ(table.get(&second), &v1);

    CHashtable shared(101, 0.75, false);
    CStringHashCode late(CXString("B")), early(CXString("A")); // slots 67, 66
    CXObject v;
    shared.put(&late, &v);
    shared.put(&early, &v);
    shared.remove(&v);
    EXPECT_EQ(shared.get(&early), nullptr);
    EXPECT_EQ(shared.get(&late), &v);
    EXPECT_TRUE(shared.contains(&v));
    shared.remove(&v);
    EXPECT_FALSE(shared.contains(&v));
    EXPECT_EQ(shared.getSize(), 0);
    EXPECT_EQ(shared.getKeys(), nullptr);
    CXObject absent;
    shared.remove(&absent);
    EXPECT_EQ(shared.getSize(), 0);
}

TEST(CHashtableTest, ContainsIsByIdentity)
{
    CHashtable table(11, 0.75, false);
    CInteger key(7), value(5), equalValue(5);
    table.put(&key, &value);
    EXPECT_TRUE(table.contains(&value));
    EXPECT_FALSE(table.contains(&equalValue));
    CInteger probe(7);
    EXPECT_EQ(table.get(&probe), &value);
    table.put(nullptr, &value);
    EXPECT_EQ(table.getSize(), 1);
}

// An owning table deletes its keys on remove and clear (a leak otherwise);
// a clone shares the keys and must not delete them.
TEST(CHashtableTest, OnlyAnOwningTableDeletesKeys)
{
    CHashtable* table = new CHashtable(101, 0.75, true);
    CXObject v1, v2, v3;
    CStringHashCode* ab = new CStringHashCode(CXString("ab"));
    table->put(ab, &v1);
    table->put(new CStringHashCode(CXString("ca")), &v2);
    table->put(new CStringHashCode(CXString("A")), &v3);

    CHashtable* copy = static_cast<CHashtable*>(table->clone());
    EXPECT_EQ(copy->getSize(), 3);
    EXPECT_EQ(copy->get(ab), &v1);
    copy->remove(&v2); // leaves the original's bucket alone
    EXPECT_TRUE(copy->contains(&v1));
    EXPECT_FALSE(copy->contains(&v2));
    copy->clear();
    delete copy;

    EXPECT_EQ(table->getSize(), 3);
    EXPECT_TRUE(table->contains(&v2));
    CStringHashCode probe(CXString("ca"));
    EXPECT_EQ(table->get(&probe), &v2);
    EXPECT_EQ(table->get(ab), &v1);
    table->remove(&v1); // deletes ab
    EXPECT_EQ(table->getSize(), 2);
    delete table;
}

TEST(CIntegerTest, ParsesLikeAtoiAndHashesToItsValue)
{
    CInteger fortyTwo(CXString("42"));
    EXPECT_EQ(fortyTwo.getHashcode(), 42);
    EXPECT_EQ(CInteger(CXString("x42")).toInt(), 0);
    EXPECT_EQ(CInteger(CXString("-8abc")).toInt(), -8);
    CInteger n;
    n.increment();
    n.increment();
    n.decrement();
    EXPECT_EQ(n.toInt(), 1);
    CInteger copy(fortyTwo);
    EXPECT_TRUE(copy.equals(&fortyTwo));
    EXPECT_EQ(CInteger::toString(-3), CXString("-3"));
}

} // namespace

TEST(CHashtableTest, RemoveWithKeyHintTakesTheSameEntry)
{
    // "ab" and "ca" share a slot; a hint finds the value in its bucket, and a
    // wrong hint still falls back to the scan.
    CHashtable table(101, 0.75, true);
    CXObject a, c, other;
    table.put(new CStringHashCode(CXString("ab")), &a);
    table.put(new CStringHashCode(CXString("ca")), &c);
    table.put(new CStringHashCode(CXString("zz")), &other);
    CStringHashCode hint(CXString("ca"));
    table.remove(&c, &hint);
    EXPECT_FALSE(table.contains(&c));
    EXPECT_EQ(table.getSize(), 2);
    CStringHashCode keyA(CXString("ab"));
    EXPECT_EQ(table.get(&keyA), &a);
    CStringHashCode wrong(CXString("nothing"));
    table.remove(&other, &wrong);
    EXPECT_FALSE(table.contains(&other));
    EXPECT_EQ(table.getSize(), 1);
}

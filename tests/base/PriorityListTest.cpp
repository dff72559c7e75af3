#include "base/PriorityList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

namespace {

struct Item {
    int key;
    int priority;
    int serial;
};

// The keys 1 to n.
std::vector<int> upTo(int n)
{
    std::vector<int> keys;
    for (int key = 1; key <= n; ++key)
        keys.push_back(key);
    return keys;
}

// Random additions (keys repeat), removals of a key's first item and reads
// by key, against a plain list kept in order by hand: an item goes after
// those of lower or equal priority. The whole list is compared now and
// then, in order and out of it, so that changes meet both a list just read
// and one changed many times since.
TEST(CPriorityListTest, KeepsTheOrderOfAPlainListThroughRandomChanges)
{
    CPriorityList<int, Item> list;
    std::vector<Item> model;
    std::mt19937 random(11);
    int serial = 0;
    auto firstOf = [&model](int key) {
        return std::find_if(model.begin(), model.end(), [key](const Item& i) { return i.key == key; });
    };
    for (int step = 0; step < 20000; ++step) {
        const int key = int(random() % 40), priority = int(random() % 6) - 2;
        switch (random() % 5) {
        case 0:
        case 1: {
            EXPECT_EQ(list.add(key, priority, Item{key, priority, serial}).serial, serial);
            auto at = std::find_if(model.begin(), model.end(), [priority](const Item& i) { return i.priority > priority; });
            model.insert(at, Item{key, priority, serial++});
            break;
        }
        case 2:
        case 3: {
            auto at = firstOf(key);
            ASSERT_EQ(list.remove(key), at != model.end()) << "step " << step;
            if (at != model.end())
                model.erase(at);
            break;
        }
        default: {
            auto at = firstOf(key);
            const Item* found = list.find(key);
            ASSERT_EQ(found ? found->serial : -1, at == model.end() ? -1 : at->serial) << "step " << step;
            ASSERT_EQ(list.contains(key), at != model.end());
            ASSERT_EQ(list.indexOf(key), at == model.end() ? -1 : int(at - model.begin())) << "step " << step;
        }
        }
        if (step % (1 + step / 1000) == 0) {
            ASSERT_EQ(list.getSize(), int(model.size())) << "step " << step;
            for (int i = 0; i < list.getSize(); ++i)
                ASSERT_EQ(list.at(i).serial, model[size_t(i)].serial) << "step " << step << " at " << i;
            // Out of order, every item once.
            std::vector<int> unordered, expected;
            list.forEachUnordered([&unordered](const Item& i) { unordered.push_back(i.serial); });
            for (const Item& i : model)
                expected.push_back(i.serial);
            std::sort(unordered.begin(), unordered.end());
            std::sort(expected.begin(), expected.end());
            ASSERT_EQ(unordered, expected) << "step " << step;
        }
    }
    list.removeAll();
    EXPECT_EQ(list.getSize(), 0);
    EXPECT_EQ(list.find(3), nullptr);
}

// A list emptied from its front, its back or both in turn, read by
// position after each removal as a canvas being freed reads it, while items
// come meanwhile and a walk goes through it: it keeps the order of a plain
// list, and the walk visits only items still there.
TEST(CPriorityListTest, EmptiedFromEitherEndItKeepsItsOrder)
{
    enum End { FRONT, BACK, BOTH };
    for (End end : {FRONT, BACK, BOTH}) {
        SCOPED_TRACE(end);
        CPriorityList<int, Item> list;
        std::vector<Item> model;
        std::mt19937 random(5);
        int serial = 0;
        auto add = [&] {
            const int priority = int(random() % 5);
            list.add(serial, priority, Item{serial, priority, serial});
            model.insert(std::upper_bound(model.begin(), model.end(), priority,
                                          [](int p, const Item& i) { return p < i.priority; }),
                         Item{serial, priority, serial});
            ++serial;
        };
        for (int i = 0; i < 3000; ++i)
            add();
        CPriorityList<int, Item>::Walk walk(list);
        for (int step = 0; !model.empty(); ++step) {
            const bool front = end == FRONT || (end == BOTH && step % 2 == 0);
            const int key = front ? model.front().key : model.back().key;
            ASSERT_TRUE(list.remove(key));
            model.erase(front ? model.begin() : model.end() - 1);
            if (step % 7 == 0 && serial < 3500)
                add();
            ASSERT_EQ(list.getSize(), int(model.size()));
            if (model.empty())
                break;
            ASSERT_EQ(list.at(0).serial, model.front().serial) << "step " << step;
            ASSERT_EQ(list.at(list.getSize() - 1).serial, model.back().serial) << "step " << step;
            for (int i = 0; step % 500 == 0 && i < list.getSize(); ++i)
                ASSERT_EQ(list.at(i).serial, model[size_t(i)].serial) << "step " << step << " at " << i;
            Item* visited = step % 3 == 0 ? walk.next() : nullptr;
            if (visited) {
                ASSERT_TRUE(list.contains(visited->key)) << "step " << step;
            }
        }
        EXPECT_EQ(list.getSize(), 0);
    }
}

// A walk of keys 1 to 5 (priority ten times the key) whose visit of one
// key changes the list: an item taken out before the walk reaches it is
// not visited, and one added during the walk is not either, wherever it
// goes (a visit that takes itself out and lists its like again, as an
// event rebinding its own behaviour, does not run again). The item visited
// is written to after the change, as a frame marks a drawable drawn: it
// stays there until the walk ends, wherever it sat.
TEST(CPriorityListTest, AWalkGoesOnThroughTheChangesItsVisitsMake)
{
    using List = CPriorityList<int, Item>;
    const struct {
        const char* what;
        int at;
        std::function<void(List&)> change;
        std::vector<int> visited, after;
    } cases[] = {
        {"the last takes itself out", 5, [](List& l) { l.remove(5); }, {1, 2, 3, 4, 5}, {1, 2, 3, 4}},
        {"one takes itself out", 3, [](List& l) { l.remove(3); }, {1, 2, 3, 4, 5}, {1, 2, 4, 5}},
        {"one takes the next out", 2, [](List& l) { l.remove(3); }, {1, 2, 4, 5}, {1, 2, 4, 5}},
        {"one takes the last out", 4, [](List& l) { l.remove(5); }, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"one takes the first out", 3, [](List& l) { l.remove(1); }, {1, 2, 3, 4, 5}, {2, 3, 4, 5}},
        {"taken out, then read by position", 3,
         [](List& l) {
             l.remove(3);
             l.remove(1);
             EXPECT_EQ(l.at(0).key, 2);
         },
         {1, 2, 3, 4, 5}, {2, 4, 5}},
        {"one takes those before it and itself out, reading by position after each", 3,
         [](List& l) {
             for (int key = 1; key <= 3; ++key) {
                 l.remove(key);
                 EXPECT_EQ(l.at(0).key, key + 1);
             }
         },
         {1, 2, 3, 4, 5}, {4, 5}},
        {"one adds an item after it", 2, [](List& l) { l.add(6, 35, Item{6, 35, 0}); }, {1, 2, 3, 4, 5},
         {1, 2, 3, 6, 4, 5}},
        {"one adds an item of its priority", 3, [](List& l) { l.add(7, 30, Item{7, 30, 0}); }, {1, 2, 3, 4, 5},
         {1, 2, 3, 7, 4, 5}},
        {"one takes itself out and adds its like", 3,
         [](List& l) {
             l.remove(3);
             l.add(3, 30, Item{3, 30, 0});
         },
         {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}},
        // The list's storage moves under the walk: it must notice.
        {"the first adds many after the last", 1,
         [](List& l) {
             for (int key = 6; key <= 100; ++key)
                 l.add(key, 10 * key, Item{key, 10 * key, 0});
         },
         {1, 2, 3, 4, 5}, upTo(100)},
        {"one adds an item before it", 3, [](List& l) { l.add(8, 15, Item{8, 15, 0}); }, {1, 2, 3, 4, 5},
         {1, 8, 2, 3, 4, 5}},
        {"one empties the list", 2, [](List& l) { l.removeAll(); }, {1, 2}, {}},
        {"a walk within takes the last out", 4,
         [](List& l) {
             List::Walk inner(l);
             while (Item* i = inner.next())
                 if (i->key == 5)
                     l.remove(5);
         },
         {1, 2, 3, 4}, {1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        List list;
        for (int key = 1; key <= 5; ++key)
            list.add(key, 10 * key, Item{key, 10 * key, 0});
        std::vector<int> visited;
        {
            List::Walk walk(list);
            while (Item* item = walk.next()) {
                visited.push_back(item->key);
                if (item->key == c.at) {
                    c.change(list);
                    item->serial = -1;
                }
            }
        }
        EXPECT_EQ(visited, c.visited) << c.what;
        std::vector<int> after;
        for (int i = 0; i < list.getSize(); ++i)
            after.push_back(list.at(i).key);
        EXPECT_EQ(after, c.after) << c.what;
    }
}

} // namespace

namespace {

// A walk holds its list: a list freed under it is a fault of the engine,
// stopped at once rather than walked on in freed memory.
TEST(CPriorityListDeathTest, ListFreedWhileWalkedStopsTheProgram)
{
    using List = CPriorityList<int, int>;
    EXPECT_DEATH(
        {
            List* list = new List;
            list->add(1, 10, 1);
            List::Walk walk(*list);
            walk.next();
            delete list;
        },
        "a priority list is destroyed while it is walked");
}

} // namespace

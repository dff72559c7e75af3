#include "base/PriorityList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

struct Item {
    int key;
    int priority;
    int serial;
};

// Random additions (keys repeat), removals of a key's first item and reads
// by key, against a plain list kept in order by hand: an item goes after
// those of lower or equal priority. The whole list is compared now and
// then, so that changes meet both a list just read and one changed many
// times since.
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
        }
    }
    list.removeAll();
    EXPECT_EQ(list.getSize(), 0);
    EXPECT_EQ(list.find(3), nullptr);
}

} // namespace

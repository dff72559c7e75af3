#include "script/ObjectsIndex.h"

#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <vector>

namespace {

std::multiset<CIndexSlots::Entry> entriesOf(const CIndexSlots& slots, std::uint32_t hash)
{
    std::multiset<CIndexSlots::Entry> found;
    slots.each(hash, [&](CIndexSlots::Entry e) {
        found.insert(e);
        return true;
    });
    return found;
}

// Runs of pairs that wrap from the last slot to the first, taken out from
// their start, middle and end: every pair stays findable, as a plain
// multimap says, also across growth.
TEST(CIndexSlotsTest, ErasingInARunThatWrapsAroundKeepsEveryOtherPairFindable)
{
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        CIndexSlots slots;
        std::multimap<std::uint32_t, CIndexSlots::Entry> model;
        CIndexSlots::Entry next = 1;
        for (int step = 0; step < 200; ++step) {
            // Home slots at the end of the array, whatever its size now.
            std::uint32_t size = std::uint32_t(slots.capacity());
            std::uint32_t hash = size - 1 - std::uint32_t(random() % 3) + size * std::uint32_t(random() % 4);
            if (model.empty() || random() % 3) {
                slots.insert(hash, next);
                model.emplace(hash, next++);
            } else {
                auto victim = model.begin();
                std::advance(victim, long(random() % model.size()));
                slots.erase(victim->first, victim->second);
                model.erase(victim);
            }
            ASSERT_EQ(slots.size(), model.size());
            for (const auto& pair : model) {
                auto range = model.equal_range(pair.first);
                std::multiset<CIndexSlots::Entry> expected;
                for (auto it = range.first; it != range.second; ++it)
                    expected.insert(it->second);
                ASSERT_EQ(entriesOf(slots, pair.first), expected) << "round " << round << " step " << step;
            }
        }
    }
}

} // namespace

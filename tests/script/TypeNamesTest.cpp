#include "script/Object.h"

#include <gtest/gtest.h>

namespace {

TEST(CMC_ObjectTypeNamesTest, GetTypeId)
{
    struct Case {
        const char* name;
        int id;
    } cases[] = {
        {"INTEGER", 1},        {"VARIABLE", 5},          {"COMPLEXCONDITION", 11}, {"BEHAVIOUR", 13},
        {"CANVASOBSERVER", 103}, {"SCENE", 1002},        {"EDITBOX", 2009},        {"SCROLL", 2022},
        {"STRUCTURE", 3002},   {"VIRTUAL_GRAPHICSOBJECT", 3005}, {"MULTIARRAY", 3006}, {"SWF", 10060},
        // Creation words that are not type names, case, and the empty text.
        {"STRUCT", -1},        {"VIRTUALGRAPHICSOBJECT", -1}, {"CANVAS_OBSERVER", -1}, {"COMPLEX CONDITION", -1},
        {"JOYSTICK", -1},      {"integer", -1},          {"", -1},                 {"INTEGER ", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CMC_Object::getTypeId(c.name), c.id) << c.name;
}

TEST(CMC_ObjectTypeNamesTest, TypeToString)
{
    struct Case {
        int id;
        const char* name;
    } cases[] = {
        {1, "INTEGER"},  {11, "COMPLEX CONDITION"}, {103, "CANVAS OBSERVER"}, {2010, "NETPEER"},
        {3001, "ARRAY"}, {5, "5"},                  {3000, "3000"},           {2009, "2009"},
        {2011, "2011"},  {0, "0"},                  {-7, "-7"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CMC_Object::typeToString(c.id), c.name) << c.id;

    // 27 ids have names; of those, all but two read back through getTypeId.
    int named = 0, roundTrips = 0;
    for (int id = -1; id <= 13000; ++id) {
        CXString n = CMC_Object::typeToString(id);
        if (n == CXString::toString(id))
            continue;
        ++named;
        roundTrips += CMC_Object::getTypeId(n) == id;
    }
    EXPECT_EQ(named, 27);
    EXPECT_EQ(roundTrips, 25);
}

} // namespace

#include "script/Object.h"

#include <cstring>

namespace {
struct TypeName {
    int id;
    const char* name;
};

// The names definitions and scripts use for type ids (getTypeId).
const TypeName typeIds[] = {
    {1, "INTEGER"},        {2, "STRING"},        {3, "BOOL"},
    {4, "DOUBLE"},         {5, "VARIABLE"},      {10, "CONDITION"},
    {11, "COMPLEXCONDITION"}, {12, "EXPRESSION"}, {13, "BEHAVIOUR"},
    {100, "MOUSE"},        {101, "KEYBOARD"},    {102, "RANDOM"},
    {103, "CANVASOBSERVER"}, {1000, "APPLICATION"}, {1001, "EPISODE"},
    {1002, "SCENE"},       {2000, "ANIMO"},      {2001, "BUTTON"},
    {2002, "FONT"},        {2004, "SEQUENCE"},   {2005, "SOUND"},
    {2006, "TEXT"},        {2007, "TIMER"},      {2008, "IMAGE"},
    {2009, "EDITBOX"},     {2010, "NETPEER"},    {2011, "NETSERVER"},
    {2012, "NETCLIENT"},   {2013, "DIALOG"},     {2014, "FILTER"},
    {2015, "STATICFILTER"}, {2016, "VECTOR"},    {2017, "PATH"},
    {2018, "FIFO"},        {2019, "LIFO"},       {2020, "CANVAS"},
    {2021, "PATTERN"},     {2022, "SCROLL"},     {3000, "GROUP"},
    {3001, "ARRAY"},       {3002, "STRUCTURE"},  {3003, "DATABASE"},
    {3004, "CLASS"},       {3005, "VIRTUAL_GRAPHICSOBJECT"}, {3006, "MULTIARRAY"},
    {10002, "KOLOROWANKA"}, {10003, "MATRIX"},   {10060, "SWF"},
};

// The names typeToString gives; scripts compare with these ("INSTANCEOF"),
// so the ids missing here answer with their number and two names differ
// from the table above.
const TypeName typeStrings[] = {
    {1, "INTEGER"},    {2, "STRING"},   {3, "BOOL"},       {4, "DOUBLE"},
    {10, "CONDITION"}, {11, "COMPLEX CONDITION"}, {12, "EXPRESSION"}, {13, "BEHAVIOUR"},
    {100, "MOUSE"},    {101, "KEYBOARD"}, {102, "RANDOM"}, {103, "CANVAS OBSERVER"},
    {1000, "APPLICATION"}, {1001, "EPISODE"}, {1002, "SCENE"}, {2000, "ANIMO"},
    {2001, "BUTTON"},  {2002, "FONT"},  {2004, "SEQUENCE"}, {2005, "SOUND"},
    {2006, "TEXT"},    {2007, "TIMER"}, {2008, "IMAGE"},    {2010, "NETPEER"},
    {2013, "DIALOG"},  {2014, "FILTER"}, {3001, "ARRAY"},
};
} // namespace

int CMC_Object::getTypeId(const CXString& name)
{
    for (const TypeName& t : typeIds)
        if (std::strcmp(t.name, name.c_str()) == 0 && int(std::strlen(t.name)) == name.getLength())
            return t.id;
    return -1;
}

CXString CMC_Object::typeToString(int id)
{
    for (const TypeName& t : typeStrings)
        if (t.id == id)
            return CXString(t.name);
    return CXString::toString(id);
}

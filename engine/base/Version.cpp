#include "base/Version.h"

#include "base/StringTokenizer.h"

CVersion::CVersion(const CXString& text) : major(0), minor(0), build(0)
{
    CStringTokenizer pieces(text, CXString("."));
    int* parts[] = {&major, &minor, &build};
    for (int* part : parts) {
        if (!pieces.hasMoreTokens())
            break;
        *part = pieces.nextToken().toNumber();
    }
}

CXString CVersion::toString()
{
    CXString text;
    text += major;
    text += ".";
    text += minor;
    text += ".b";
    text += build;
    return text;
}

int CVersion::compare(CVersion* other)
{
    if (!other)
        return 1;
    const int mine[] = {major, minor, build};
    const int theirs[] = {other->major, other->minor, other->build};
    for (int i = 0; i < 3; ++i) {
        if (mine[i] != theirs[i])
            return mine[i] > theirs[i] ? 1 : -1;
    }
    return 0;
}

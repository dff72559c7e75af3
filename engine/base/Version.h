#pragma once
#include "base/XObject.h"
#include "base/XString.h"

// A three-part version number "major.minor.build".
class CVersion : public CXObject {
public:
    // Missing pieces are 0; pieces after the third are ignored.
    explicit CVersion(const CXString& text = CXString());

    int getMajor() const { return major; }
    int getMinor() const { return minor; }
    int getBuild() const { return build; }

    // "major.minor.bbuild", a form that does not parse back.
    CXString toString() override;
    // 1, -1 or 0, comparing major, then minor, then build.
    int compare(CVersion* other);
    using CXObject::compare;

private:
    int major;
    int minor;
    int build;
};

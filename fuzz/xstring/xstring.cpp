// CXString's conversions and cutting on arbitrary text.
#include "base/XArray.h"
#include "base/XString.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    CXString s(text.c_str()); // stops at the first NUL, like every engine string
    s.toPoint();
    s.toRect();
    s.toDouble();
    s.toNumber();
    CXString::releaseToVector(s.toVector());
    int n = s.getLength();
    int a = n ? int(data[0]) % (n + 3) - 1 : 0;
    int b = n > 1 ? int(data[1]) % (n + 3) - 1 : 0;
    s.Mid(a, b);
    s.Right(a);
    s.Left(b);
    s.getWord(a);
    s.FilterFits(s.Right(b));
    s.replace(s.Left(1), CXString("xy"));
    s.removeTag(s.Left(1));
    CXString t = s;
    t.Upper().Lower();
    return 0;
}

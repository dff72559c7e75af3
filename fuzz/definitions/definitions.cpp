// The definition text reader on arbitrary bytes, then every getter of every
// record it made.
#include "base/TextLineSource.h"
#include "script/ElementsLoader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {
class Lines : public CTextLineSource {
public:
    Lines(const uint8_t* data, size_t size)
    {
        std::string current;
        for (size_t i = 0; i < size; ++i) {
            if (data[i] == '\n') {
                lines.push_back(current);
                current.clear();
            } else if (data[i]) {
                current += char(data[i]);
            }
        }
        if (!current.empty())
            lines.push_back(current);
    }
    bool _eof() override { return next >= lines.size(); }
    CXString getLine() override { return next < lines.size() ? CXString(lines[next++].c_str()) : CXString(); }

private:
    std::vector<std::string> lines;
    size_t next = 0;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Lines lines(data, size);
    CMElements* list = CMElementsLoader::load(&lines);
    for (int i = 0; i < list->getSize(); ++i) {
        CMElement* e = list->getAt(i);
        CMProperties* props = e->getProperties();
        for (int j = 0; j < props->getSize(); ++j) {
            CXString key = props->getAt(j)->getName();
            e->getPropertyIntValue(key);
            e->getPropertyDoubleValue(key);
            e->getPropertyRectValue(key);
            e->getPropertySizeValue(key);
            CXString::releaseToVector(e->getPropertyListValue(key));
        }
        e->getChildren()->getSize();
    }
    delete list;
    return 0;
}

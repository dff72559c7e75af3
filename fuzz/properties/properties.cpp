// The properties-file reader ("index.net" and the like) on arbitrary bytes,
// then every getter of every property it made, and a lookup of each name.
#include "base/TextFileReader.h"
#include "script/ElementsLoader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<char> text(data, data + size);
    CTextFileReader reader(nullptr, text.empty() ? nullptr : text.data(), int(text.size()));
    CMProperties* list = CPropertiesLoader::load(nullptr, &reader);
    for (int i = 0; list && i < list->getSize(); ++i) {
        CMProperty* p = list->getAt(i);
        p->getIntValue();
        p->getBoolValue();
        p->getDoubleValue();
        p->getPointValue();
        p->getSizeValue();
        p->getRectValue();
        CXString::releaseToVector(p->getListValue());
        if (list->get(p->getName()) == nullptr)
            __builtin_trap();
    }
    delete list;
    return 0;
}

// A definition file read end to end from arbitrary bytes: found through the
// file search, told scrambled or plain, unscrambled and parsed into records.
#include "fuzz/InputFile.h"
#include "script/ElementsLoader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzzinput::write("scene.cnv", data, size))
        return 0;
    CMElements* list = CMElementsLoader::load(nullptr, CXString("F:\\scene.cnv"));
    for (int i = 0; list && i < list->getSize(); ++i) {
        CMElement* e = list->getAt(i);
        for (int j = 0; j < e->getProperties()->getSize(); ++j)
            e->getPropertyValue(e->getProperties()->getAt(j)->getName());
    }
    delete list;
    return 0;
}

// The scene snapshot reader on arbitrary bytes: the header, the records of
// the value types, bindings to rebind, and whatever damage comes. What one
// input may make the engine allocate is what a snapshot may ask for (one
// object's bound in one block, the file's bound with room for the objects
// themselves in all); explore with the same limits:
//   -malloc_limit_mb=32 -rss_limit_mb=1024
#include "fuzz/ReplayLimits.h"
#include "base/Archive.h"
#include "base/FileStream.h"
#include "base/LoadBounds.h"
#include "base/WindowPaths.h"
#include "script/Scene.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzlimits::limit(size_t(CLoadBounds::OBJECT_BYTES), size_t(CLoadBounds::FILE_BYTES + (int64_t(32) << 20)));
    // Plug-ins named by the input are looked for where there are none.
    CWindowPaths::setExePath("C:\\nonexistent-quarnel-fuzz");
    std::vector<char> bytes(data, data + size);
    bytes.push_back(0);
    CFile_Stream stream(bytes.data(), int(size));
    CXArchive archive(&stream, false);
    {
        CMC_Scene scene(nullptr, MC_SCENE);
        scene.readSnapshot(&archive);
        for (int i = 0; CMC_Object* o = scene.getObject(i); ++i)
            o->getName();
    }
    CMC_Scene::doneDefUnit();
    return 0;
}

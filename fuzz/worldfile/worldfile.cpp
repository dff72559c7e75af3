// The World plug-in's world file on arbitrary bytes: a file it takes is
// built into a Box2D world, which then runs a few steps.
#include "base/FileStream.h"
#include "world/BoxWorld.h"
#include "world/WorldFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<char> bytes(data, data + size);
    CFile_Stream stream(bytes.data(), int(bytes.size()));
    WorldFile file;
    if (!file.read(&stream))
        return 0;
    CBoxWorld world;
    world.add(file);
    float dt = 0;
    for (int i = 0; i < 4; ++i)
        world.MoveObjects(&dt);
    return 0;
}

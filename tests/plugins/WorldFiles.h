#pragma once
// World files for the tests, written by the plug-in's own writer.
#include "base/File.h"
#include "platform/Drives.h"
#include "world/WorldFile.h"

#include <string>

namespace worldtest {

inline bool writeWorld(const std::string& path, const WorldFile& content)
{
    CFile file;
    if (file.Open(nullptr, CXString(platform::toEnginePath(path).c_str()), CFile::MODE_BINARY) != 0)
        return false;
    return content.write(&file) && file.Close() == 0;
}

inline WorldFileObject box(uint32_t id, uint32_t type, float x, float y, float half)
{
    WorldFileObject o;
    o.id = id;
    o.type = type;
    o.shape = 1;
    o.x = x;
    o.y = y;
    o.sx = half;
    o.sy = half;
    return o;
}

} // namespace worldtest

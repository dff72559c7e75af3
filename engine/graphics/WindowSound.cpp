#include "graphics/WindowSound.h"

CWindowSoundLayer& CWindowSoundLayer::get()
{
    static CWindowSoundLayer entries = {};
    return entries;
}

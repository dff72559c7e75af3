#include "platform/Module.h"

#include <dlfcn.h>

namespace platform {

// Symbols resolve at load time so that a library with a missing dependency
// fails here rather than on its first call; each plug-in keeps its own
// symbols to itself.
ModuleHandle LoadModule(const char* path) { return path ? dlopen(path, RTLD_NOW | RTLD_LOCAL) : nullptr; }

void* GetModuleSymbol(ModuleHandle module, const char* name)
{
    return module && name ? dlsym(module, name) : nullptr;
}

void FreeModule(ModuleHandle module)
{
    if (module)
        dlclose(module);
}

} // namespace platform

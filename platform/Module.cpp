#include "platform/Module.h"

#include <dlfcn.h>

namespace platform {

namespace {
thread_local std::string lastError;

void noteError(const char* fallback)
{
    const char* why = dlerror();
    lastError = why ? why : fallback;
}
} // namespace

// Symbols resolve at load time so that a library with a missing dependency
// fails here rather than on its first call; each plug-in keeps its own
// symbols to itself.
ModuleHandle LoadModule(const char* path)
{
    if (!path) {
        lastError = "no path";
        return nullptr;
    }
    ModuleHandle module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!module)
        noteError("the library cannot be loaded");
    return module;
}

void* GetModuleSymbol(ModuleHandle module, const char* name)
{
    if (!module || !name)
        return nullptr;
    dlerror();
    void* symbol = dlsym(module, name);
    if (!symbol)
        noteError("no such symbol");
    return symbol;
}

void FreeModule(ModuleHandle module)
{
    if (module)
        dlclose(module);
}

std::string ModuleError() { return lastError; }

} // namespace platform

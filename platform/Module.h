#pragma once
#include <string>

namespace platform {

// A shared library loaded at run time (the plug-ins). Null handles stand for
// "not loaded"; every call accepts them.
using ModuleHandle = void*;

// Loads the library at this path; null when it cannot be loaded.
ModuleHandle LoadModule(const char* path);
// The address of an exported symbol; null when the library has none.
void* GetModuleSymbol(ModuleHandle module, const char* name);
void FreeModule(ModuleHandle module);
// Why the last LoadModule or GetModuleSymbol of this thread failed, in the
// loader's words.
std::string ModuleError();

} // namespace platform

// A key store file of arbitrary bytes: read, written back in the store's own
// form, and read again, which must give the same keys and values.
#include "install/KeyStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    install::KeyStore store;
    if (!store.parse(std::string(reinterpret_cast<const char*>(data), size)))
        return 0;
    const std::string text = store.text();
    install::KeyStore again;
    if (!again.parse(text) || again.text() != text)
        std::abort();
    install::KeyStore::open(store.root, "Software\\DovirAvura");
    return 0;
}

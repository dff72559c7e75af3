// The PSD reader on arbitrary bytes, as a damaged ".psd" file of a title
// would present them: read by name, each layer selected, named, moved and
// used.
#include "../InputFile.h"
#include "../PictureCheck.h"
#include "graphics/PSD.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzzinput::write("fuzz.psd", data, size))
        return 0;
    CPSD document(nullptr, CXString("F:\\fuzz.psd"));
    for (int i = 0; i < document.GetLayerNo(); ++i) {
        document.SelectLayer(i);
        volatile unsigned sink =
            unsigned(document.GetLayerName(-1).getLength()) + unsigned(document.GetLayerRect(0).Width());
        (void)sink;
        document.SetPosition(i, -i);
        if (CGraphicsObject* layer = document.GetCurrentLayer())
            picturecheck::use(*layer);
    }
    document.SelectLayer(CXString("Layer 1"));
    return 0;
}

// The Targa reader on arbitrary bytes, as a damaged ".tga" file of a title
// would present them: read by name and used.
#include "../InputFile.h"
#include "../PictureCheck.h"
#include "graphics/Targa.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzzinput::write("fuzz.tga", data, size))
        return 0;
    CTarga picture(nullptr, CXString("F:\\fuzz.tga"));
    picturecheck::use(picture);
    return 0;
}

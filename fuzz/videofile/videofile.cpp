// A damaged video file opened by its name, as a title's movie is: read from
// the disk (a file whose end and seeks are the file system's, not a buffer's)
// under a name FFmpeg's probing weighs by its extension, which the first
// byte picks; then played as the video target plays one.
#include "fuzz/InputFile.h"
#include "fuzz/VideoPlay.h"
#include "platform/ffmpeg/DecodedVideo.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const extensions[] = {"avi", "mkv", "mp4", "webm", "nut", "mjpeg", "mpg", "mov", "bin"};
    if (size < 1)
        return 0;
    const std::string extension = extensions[data[0] % (sizeof extensions / sizeof extensions[0])];
    if (!fuzzinput::write(("movie." + extension).c_str(), data + 1, size - 1))
        return 0;
    platform::ManualClock clock(1000);
    platform::AudioDevice device;
    // The file layer finds the name in any letter case.
    std::unique_ptr<platform::VideoStream> stream =
        platform::openDecodedVideo("F:\\Movie." + extension, clock, &device);
    if (stream)
        videoplay::play(*stream, clock, device, int(size % 3));
    return 0;
}

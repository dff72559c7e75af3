// A damaged video file as FFmpeg's demuxers and decoders hand it over: the
// decoded stream opens it from memory, plays its frames into a surface as a
// manual clock moves, mixes its sound track, and seeks back, far ahead and
// before the start, as the movie player's worker and main thread would.
#include "fuzz/VideoPlay.h"
#include "platform/ffmpeg/DecodedVideo.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    platform::ManualClock clock(1000);
    platform::AudioDevice device;
    std::unique_ptr<platform::VideoStream> stream = platform::openDecodedVideo(data, size, clock, &device);
    if (stream)
        videoplay::play(*stream, clock, device, int(size % 3));
    return 0;
}

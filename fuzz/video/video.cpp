// A damaged video file as FFmpeg's demuxers and decoders hand it over: the
// decoded stream opens it from memory, plays its frames into a surface as a
// manual clock moves, mixes its sound track, and seeks back, far ahead and
// before the start, as the movie player's worker and main thread would.
#include "platform/Audio.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/ffmpeg/DecodedVideo.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    platform::ManualClock clock(1000);
    platform::AudioDevice device;
    std::unique_ptr<platform::VideoStream> stream = platform::openDecodedVideo(data, size, clock, &device);
    if (!stream)
        return 0;
    const int depths[] = {15, 16, 32};
    std::unique_ptr<platform::Surface> target =
        platform::Surface::create(stream->width(), stream->height(), depths[size % 3]);
    if (!target)
        return 0;
    stream->seek(0);
    stream->setRunning(true);
    int16_t mixed[2 * 882];
    for (int pass = 0; pass < 24; ++pass) {
        int result = stream->update(target.get());
        device.getMixer().mix(mixed, 882);
        clock.advance(40);
        if (result == platform::VIDEO_END || pass == 10)
            stream->seek(stream->time() / 3);
        else if (pass == 16)
            stream->seek(std::numeric_limits<int64_t>::max());
        else if (pass == 17)
            stream->seek(-1);
        else if (pass == 20)
            stream->setRunning(false);
    }
    return 0;
}

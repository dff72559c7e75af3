#pragma once
// For the video targets: a stream played as the movie player's worker and
// main thread would play it, into a surface of one of the three depths as a
// manual clock moves, with its sound track mixed, and seeks back, far ahead
// and before the start.
#include "platform/Audio.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/Video.h"

#include <cstdint>
#include <limits>
#include <memory>

namespace videoplay {

inline void play(platform::VideoStream& stream, platform::ManualClock& clock, platform::AudioDevice& device,
                 int depthChoice)
{
    const int depths[] = {15, 16, 32};
    std::unique_ptr<platform::Surface> target =
        platform::Surface::create(stream.width(), stream.height(), depths[depthChoice % 3]);
    if (!target)
        return;
    stream.seek(0);
    stream.setRunning(true);
    int16_t mixed[2 * 882];
    for (int pass = 0; pass < 24; ++pass) {
        int result = stream.update(target.get());
        device.getMixer().mix(mixed, 882);
        clock.advance(40);
        if (result == platform::VIDEO_END || pass == 10)
            stream.seek(stream.time() / 3);
        else if (pass == 16)
            stream.seek(std::numeric_limits<int64_t>::max());
        else if (pass == 17)
            stream.seek(-1);
        else if (pass == 20)
            stream.setRunning(false);
    }
}

} // namespace videoplay

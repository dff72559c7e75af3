#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A short video for the tests, written with FFmpeg's own encoders: one
// frame of one solid colour each, and a sine tone over the whole length.
struct TestVideo {
    int width = 64;
    int height = 48;
    int fps = 25;
    std::vector<uint32_t> colours; // 0x00RRGGBB, a frame each
    int toneHz = 0;                // 0: no sound track
    int amplitude = 8000;
    int sampleRate = 22050;
    int channels = 1;
    std::string container = "avi";
    std::string videoCodec = "mpeg4";
    std::string audioCodec = "pcm_s16le";
};

// False when the build has no FFmpeg or the file could not be written.
bool writeTestVideo(const std::string& hostPath, const TestVideo& video);

// The tone's samples (one channel) as writeTestVideo writes them.
int16_t toneSample(const TestVideo& video, int64_t index);

// Whether two 0x00RRGGBB colours differ by at most 12 in each channel: a
// decoded frame went through YUV, and 15 or 16 bits keep 5 or 6 of each
// channel, dithered.
bool nearColour(uint32_t rgb, uint32_t expected);

} // namespace testsupport

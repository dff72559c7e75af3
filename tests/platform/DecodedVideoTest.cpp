// Videos written by FFmpeg's encoders in several containers and codecs,
// decoded through the headless backend: the frames come as its manual clock
// moves, in each surface depth, seeks land on their frame (also in a
// container that cannot seek), the sound track reaches the mixer, and a
// container is never let open another file.
#include "platform/Drives.h"
#include "platform/Platform.h"
#include "platform/ffmpeg/DecodedVideo.h"
#include "platform/headless/Headless.h"
#include "support/TestSupport.h"
#include "support/VideoWriter.h"

#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

using testsupport::nearColour;

using namespace platform;

const std::vector<uint32_t> COLOURS = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000};
const int64_t FRAME = 400000; // 25 frames a second, in stream time

class DecodedVideoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!videoDecoding())
            GTEST_SKIP() << "built without FFmpeg";
        video.colours = COLOURS;
    }
    // The engine name of the video written, or empty when this FFmpeg has
    // no such encoder.
    std::string write(const std::string& name)
    {
        if (!testsupport::writeTestVideo(tmp.file(name), video))
            return std::string();
        return toEnginePath(tmp.file(name));
    }
    uint32_t colour(const Surface& s) { return Surface::toRgb(s.pixelAt(33, 20), s.bitsPerPixel()); }
    // Plays the stream from the start (20 ms into each frame) and checks
    // that each frame comes once, in its colour, then the end.
    void playsEveryFrame(VideoStream& stream, Surface& target, const std::string& what)
    {
        ASSERT_TRUE(stream.seek(0));
        stream.setRunning(true);
        clock.advance(20);
        for (size_t i = 0; i < COLOURS.size(); ++i) {
            ASSERT_EQ(stream.update(&target), VIDEO_FRAME) << what << " " << i;
            EXPECT_TRUE(nearColour(colour(target), COLOURS[i]))
                << what << " " << i << ": " << std::hex << colour(target);
            EXPECT_EQ(stream.update(&target), VIDEO_NO_NEW_FRAME) << what;
            clock.advance(40);
        }
        EXPECT_EQ(stream.update(&target), VIDEO_END) << what;
        stream.setRunning(false);
    }

    testsupport::TempDir tmp;
    ManualClock clock{1000};
    HeadlessPlatform platform{clock};
    testsupport::TestVideo video;
};

TEST_F(DecodedVideoTest, ContainersAndCodecs)
{
    struct Format {
        const char* container;
        const char* video;
        const char* audio;
        int channels;
        int rate;
    };
    // MPJPEG has neither time stamps nor seeking: the stream starts over.
    const Format formats[] = {{"avi", "mpeg4", "pcm_s16le", 1, 22050},  {"matroska", "mpeg4", "aac", 2, 44100},
                              {"mp4", "libx264", "aac", 2, 48000},      {"nut", "ffv1", "mp2", 1, 32000},
                              {"webm", "libvpx", "libvorbis", 2, 44100}, {"mpjpeg", "mjpeg", "", 0, 0}};
    std::unique_ptr<AudioDevice> device = platform.createAudioDevice();
    ASSERT_EQ(device->setPrimaryFormat(WaveFormat::pcm(2, 44100, 16)), AUDIO_OK);
    std::unique_ptr<Surface> target = Surface::create(64, 48, 16);
    int played = 0;
    for (const Format& f : formats) {
        std::string what = std::string(f.container) + "/" + f.video;
        video.container = f.container;
        video.videoCodec = f.video;
        video.audioCodec = f.audio;
        video.channels = f.channels;
        video.sampleRate = f.rate;
        video.toneHz = f.channels ? 500 : 0;
        std::string name = write(what == "avi/mpeg4" ? "a.avi" : "b." + std::string(f.container));
        if (name.empty())
            continue; // this FFmpeg has no such encoder
        ++played;
        std::unique_ptr<VideoStream> stream = platform.openVideo(name, device.get());
        ASSERT_NE(stream, nullptr) << what;
        EXPECT_EQ(stream->width(), 64);
        EXPECT_EQ(stream->height(), 48);
        if (stream->duration() >= 0) {
            EXPECT_NEAR(stream->duration(), 5 * FRAME, FRAME) << what;
        }

        platform.takeCapturedAudio();
        platform.captureAudio(true);
        playsEveryFrame(*stream, *target, what);
        std::vector<int16_t> heard = platform.takeCapturedAudio();
        platform.captureAudio(false);
        // The tone: its loudness (RMS of a sine: amplitude / sqrt 2) and its
        // pitch (two sign changes a period), over the 200 ms of the movie.
        size_t n = std::min(heard.size() / 2, size_t(44100 / 5));
        double sum = 0;
        int crossings = 0;
        for (size_t i = 0; i < n; ++i) {
            sum += double(heard[2 * i]) * heard[2 * i];
            crossings += i > 0 && (heard[2 * i] < 0) != (heard[2 * i - 2] < 0);
        }
        double rms = n ? std::sqrt(sum / double(n)) : 0;
        if (f.channels) {
            EXPECT_NEAR(rms, video.amplitude / std::sqrt(2.0), video.amplitude * 0.15) << what;
            EXPECT_NEAR(crossings, 200, 20) << what;
        } else {
            EXPECT_EQ(rms, 0) << what;
        }

        ASSERT_TRUE(stream->seek(3 * FRAME + FRAME / 2)) << what;
        EXPECT_EQ(stream->time(), 3 * FRAME + FRAME / 2);
        ASSERT_EQ(stream->update(target.get()), VIDEO_FRAME) << what;
        EXPECT_TRUE(nearColour(colour(*target), COLOURS[3])) << what;
        ASSERT_TRUE(stream->seek(FRAME)) << what;
        ASSERT_EQ(stream->update(target.get()), VIDEO_FRAME) << what;
        EXPECT_TRUE(nearColour(colour(*target), COLOURS[1])) << what;
    }
    EXPECT_GE(played, 3);
}

TEST_F(DecodedVideoTest, EachSurfaceDepthAndBytesInMemory)
{
    std::string name = write("a.avi");
    for (int depth : {15, 16, 32}) {
        std::unique_ptr<VideoStream> stream = platform.openVideo(name, nullptr);
        ASSERT_NE(stream, nullptr);
        std::unique_ptr<Surface> target = Surface::create(64, 48, depth);
        playsEveryFrame(*stream, *target, std::to_string(depth));
        // The primaries are exact in 15 and 16 bits, within YUV's rounding
        // in 32, whose pixels keep their top byte 0.
        ASSERT_TRUE(stream->seek(2 * FRAME));
        ASSERT_EQ(stream->update(target.get()), VIDEO_FRAME);
        for (Point p : {Point{0, 0}, Point{63, 47}}) {
            uint32_t pixel = target->pixelAt(p.x, p.y);
            if (depth == 32)
                EXPECT_TRUE(pixel <= 0xFF && pixel >= 0xF8) << std::hex << pixel;
            else
                EXPECT_EQ(pixel, Surface::fromRgb(0x0000FF, depth)) << depth;
        }
        // A surface of another size, or none, is an error.
        std::unique_ptr<Surface> other = Surface::create(32, 48, depth);
        EXPECT_EQ(stream->update(other.get()), VIDEO_ERROR);
        EXPECT_EQ(stream->update(nullptr), VIDEO_ERROR);
    }
    std::string bytes = testsupport::readFile(tmp.file("a.avi"));
    std::unique_ptr<VideoStream> stream =
        openDecodedVideo(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), clock, nullptr);
    ASSERT_NE(stream, nullptr);
    std::unique_ptr<Surface> target = Surface::create(64, 48, 16);
    playsEveryFrame(*stream, *target, "memory");
}

// Widths that are no multiple of the scaler's block, one of them odd: the
// frame fills its surface exactly, every pixel of every row in its colour,
// whatever the scaler does past a row's end.
TEST_F(DecodedVideoTest, OddSizesFillTheirSurfaceExactly)
{
    video.container = "nut";
    video.videoCodec = "ffv1";
    video.colours = {0xFF0000, 0x0000FF};
    for (int width : {23, 42, 801}) {
        video.width = width;
        video.height = 13;
        std::string name = write("odd" + std::to_string(width) + ".nut");
        ASSERT_FALSE(name.empty());
        for (int depth : {15, 16, 32}) {
            std::unique_ptr<VideoStream> stream = platform.openVideo(name, nullptr);
            ASSERT_NE(stream, nullptr) << width;
            ASSERT_EQ(stream->width(), width);
            std::unique_ptr<Surface> target = Surface::create(width, 13, depth);
            ASSERT_TRUE(stream->seek(FRAME));
            ASSERT_EQ(stream->update(target.get()), VIDEO_FRAME) << width << " " << depth;
            for (int y = 0; y < 13; ++y)
                for (int x = 0; x < width; ++x) {
                    const uint32_t pixel = target->pixelAt(x, y);
                    ASSERT_TRUE(nearColour(Surface::toRgb(pixel, depth), 0x0000FF) && (depth != 32 || pixel <= 0xFF))
                        << width << " " << depth << " at " << x << "," << y << ": " << std::hex << pixel;
                }
        }
    }
}

// A playlist names a video beside it that would play: FFmpeg is not let
// open it, so the playlist is no video.
TEST_F(DecodedVideoTest, AContainerMayNotOpenOtherFiles)
{
    std::string name = write("a.avi");
    ASSERT_NE(platform.openVideo(name, nullptr), nullptr);
    tmp.write("list.m3u8", "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:1\n#EXT-X-MEDIA-SEQUENCE:0\n"
                           "#EXTINF:0.2,\na.avi\n#EXTINF:0.2,\nfile:" +
                               tmp.file("a.avi") + "\n#EXT-X-ENDLIST\n");
    EXPECT_EQ(platform.openVideo(toEnginePath(tmp.file("list.m3u8")), nullptr), nullptr);
    tmp.write("list.ffconcat", "ffconcat version 1.0\nfile a.avi\n");
    EXPECT_EQ(platform.openVideo(toEnginePath(tmp.file("list.ffconcat")), nullptr), nullptr);
}

} // namespace

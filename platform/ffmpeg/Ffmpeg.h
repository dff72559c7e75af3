#pragma once
// FFmpeg's headers and what the decoded video shares between its files.
// Only platform/ffmpeg includes this header.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "platform/Audio.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {
namespace ffmpeg {

// The stream time of VideoStream: 100 ns.
constexpr AVRational STREAM_TIME_BASE = {1, 10000000};

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct ResamplerFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFree>;

// a + b and a - b, saturated at the ends of int64_t.
int64_t saturatingAdd(int64_t a, int64_t b);
int64_t saturatingSub(int64_t a, int64_t b);

// A time stamp of a stream (time base tb) as stream time, counted from the
// video's first time stamp `origin`; values of a broken file saturate
// instead of overflowing.
int64_t toStreamTime(int64_t timestamp, int64_t origin, AVRational tb);

// A decoder for a stream, opened; null when FFmpeg has none for it.
CodecPtr openDecoder(const AVStream* stream);

// The sound track of a video. Its packets are decoded and converted (by
// libswresample) to 16-bit PCM of the buffer's format, one or two channels
// at the track's rate, and wait in a queue; feed() writes them into a
// looping sound buffer of one second ahead of its play cursor and silences
// what the cursor has passed, so that a track that ends, or a decoder that
// falls behind, plays silence rather than old sound. The buffer plays while
// the video runs; the mixer moves its cursor with the clock, which is what
// keeps the sound in step with the pictures.
//
// Threads: the video's decoding lock guards everything but setRunning,
// which the main thread calls while the worker may decode.
class AudioTrack {
public:
    // Null when the track cannot be decoded or the device makes no buffer.
    static std::unique_ptr<AudioTrack> open(const AVStream* stream, int64_t origin, AudioDevice& device);
    ~AudioTrack();
    AudioTrack(const AudioTrack&) = delete;
    AudioTrack& operator=(const AudioTrack&) = delete;

    int index() const { return streamIndex; }
    // A packet of the track; null at the end of the file drains the decoder.
    void decode(const AVPacket* packet);
    // Sample frames the buffer could still take beyond those waiting.
    int64_t wanted() const;
    void feed();
    // After a seek: the buffer stops and is silenced, what waits is
    // dropped, and the next samples decoded start at stream time `time`.
    void restart(int64_t time);
    // Plays or stops the buffer; apply() plays it again after a restart
    // when the video runs.
    void setRunning(bool on);
    void apply();

private:
    AudioTrack() {}
    // Converts a decoded frame (null: what the resampler still holds).
    void convert(const AVFrame* frame);
    bool resamplerFor(const AVFrame* frame);
    // Queues converted frames, aligned on the restart time first.
    void append(const uint8_t* bytes, int64_t frames, int64_t time);
    void drop(int64_t frames);
    int64_t waiting() const { return int64_t(pending.size() - head) / align; }
    // Writes `frames` sample frames from bytes (null: silence) at ring
    // position `at`.
    void writeRing(uint64_t at, const uint8_t* bytes, uint64_t frames);

    int streamIndex = -1;
    int64_t origin = 0;
    AVRational timeBase{1, 1};
    CodecPtr decoder;
    FramePtr frame;
    ResamplerPtr resampler;
    AVChannelLayout resamplerLayout{};
    int resamplerFormat = -1, resamplerRate = 0;
    bool drained = false;

    std::unique_ptr<SoundBuffer> buffer;
    int channels = 1;
    uint32_t rate = 22050;
    int align = 2;
    uint64_t ringFrames = 0;
    // Totals since the restart, in sample frames.
    uint64_t written = 0, played = 0, silencedTo = 0;
    uint32_t lastCursor = 0;
    bool aligning = true;
    int64_t alignTime = 0;
    std::vector<uint8_t> pending;
    size_t head = 0;
    std::vector<uint8_t> scratch;

    std::mutex runLock;
    bool running = false;
};

} // namespace ffmpeg
} // namespace platform

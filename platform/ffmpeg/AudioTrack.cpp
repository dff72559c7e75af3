#include "platform/ffmpeg/Ffmpeg.h"

#include <algorithm>
#include <cstring>

namespace platform {
namespace ffmpeg {

namespace {
// The buffer holds one second; at most four wait decoded, and a gap in the
// track's time stamps is filled with at most two of silence.
constexpr uint32_t RING_SECONDS = 1;
constexpr int64_t MAX_WAITING_SECONDS = 4;
constexpr int64_t MAX_GAP_SECONDS = 2;

bool sameLayout(const AVChannelLayout& a, const AVChannelLayout& b) { return av_channel_layout_compare(&a, &b) == 0; }
} // namespace

std::unique_ptr<AudioTrack> AudioTrack::open(const AVStream* stream, int64_t origin, AudioDevice& device)
{
    const AVCodecParameters* par = stream->codecpar;
    if (par->sample_rate <= 0 || par->ch_layout.nb_channels <= 0)
        return nullptr;
    std::unique_ptr<AudioTrack> t(new AudioTrack);
    t->decoder = openDecoder(stream);
    t->frame.reset(av_frame_alloc());
    if (!t->decoder || !t->frame)
        return nullptr;
    t->streamIndex = stream->index;
    t->origin = origin;
    t->timeBase = stream->time_base;
    // Sound buffers take one or two channels at 100 to 200000 Hz; the
    // resampler mixes more channels down and brings other rates in.
    t->channels = par->ch_layout.nb_channels == 1 ? 1 : 2;
    t->rate = par->sample_rate >= 100 && par->sample_rate <= 200000 ? uint32_t(par->sample_rate) : 44100;
    WaveFormat format = WaveFormat::pcm(t->channels, t->rate, 16);
    t->align = format.blockAlign;
    t->ringFrames = uint64_t(t->rate) * RING_SECONDS;
    int error = 0;
    t->buffer = device.createBuffer(int(t->ringFrames) * t->align, format, &error);
    if (!t->buffer)
        return nullptr;
    t->silencedTo = t->ringFrames;
    return t;
}

AudioTrack::~AudioTrack() { av_channel_layout_uninit(&resamplerLayout); }

void AudioTrack::decode(const AVPacket* packet)
{
    if (drained)
        return;
    // A damaged packet is dropped; the track goes on with the next one.
    if (avcodec_send_packet(decoder.get(), packet) < 0 && packet)
        return;
    while (avcodec_receive_frame(decoder.get(), frame.get()) == 0)
        convert(frame.get());
    if (!packet) {
        convert(nullptr);
        drained = true;
    }
}

bool AudioTrack::resamplerFor(const AVFrame* f)
{
    AVChannelLayout in{};
    if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || !av_channel_layout_check(&f->ch_layout))
        av_channel_layout_default(&in, f->ch_layout.nb_channels);
    else if (av_channel_layout_copy(&in, &f->ch_layout) < 0)
        return false;
    if (in.nb_channels <= 0 || f->sample_rate <= 0 || f->format < 0) {
        av_channel_layout_uninit(&in);
        return false;
    }
    if (resampler && sameLayout(in, resamplerLayout) && f->format == resamplerFormat &&
        f->sample_rate == resamplerRate) {
        av_channel_layout_uninit(&in);
        return true;
    }
    AVChannelLayout out{};
    av_channel_layout_default(&out, channels);
    SwrContext* made = nullptr;
    int code = swr_alloc_set_opts2(&made, &out, AV_SAMPLE_FMT_S16, int(rate), &in, AVSampleFormat(f->format),
                                   f->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&out);
    if (code < 0 || swr_init(made) < 0) {
        swr_free(&made);
        av_channel_layout_uninit(&in);
        resampler.reset();
        return false;
    }
    resampler.reset(made);
    av_channel_layout_uninit(&resamplerLayout);
    resamplerLayout = in; // the layout's memory moves with it
    resamplerFormat = f->format;
    resamplerRate = f->sample_rate;
    return true;
}

void AudioTrack::convert(const AVFrame* f)
{
    if (f && !resamplerFor(f))
        return;
    if (!resampler)
        return;
    int inSamples = f ? f->nb_samples : 0;
    int outMax = swr_get_out_samples(resampler.get(), inSamples);
    if (outMax <= 0 || int64_t(outMax) > int64_t(rate) * MAX_WAITING_SECONDS)
        return;
    scratch.resize(size_t(outMax) * size_t(align));
    uint8_t* out = scratch.data();
    int got = swr_convert(resampler.get(), &out, outMax, f ? const_cast<const uint8_t**>(f->extended_data) : nullptr,
                          inSamples);
    if (got <= 0)
        return;
    int64_t time = AV_NOPTS_VALUE;
    if (f && f->best_effort_timestamp != AV_NOPTS_VALUE)
        time = toStreamTime(f->best_effort_timestamp, origin, timeBase);
    append(out, got, time);
}

// The first samples after a restart are placed by their time stamp: those
// before the restart time are cut, a gap before the first is silence.
void AudioTrack::append(const uint8_t* bytes, int64_t frames, int64_t time)
{
    if (aligning) {
        if (time != AV_NOPTS_VALUE) {
            // Within a minute either way: a broken time stamp moves nothing
            // further.
            const int64_t minute = int64_t(60) * 10000000;
            int64_t gap = std::min(std::max(saturatingSub(time, alignTime), -minute), minute);
            int64_t offset = av_rescale(gap, rate, 10000000);
            if (offset < 0) {
                int64_t cut = std::min(-offset, frames);
                bytes += cut * align;
                frames -= cut;
                if (frames == 0)
                    return;
            } else if (offset > 0) {
                pending.insert(pending.end(), size_t(std::min(offset, int64_t(rate) * MAX_GAP_SECONDS)) * align, 0);
            }
        }
        aligning = false;
    }
    frames = std::min(frames, std::max<int64_t>(int64_t(rate) * MAX_WAITING_SECONDS - waiting(), 0));
    if (frames <= 0)
        return;
    if (head > 0 && head >= pending.size() / 2) {
        pending.erase(pending.begin(), pending.begin() + long(head));
        head = 0;
    }
    pending.insert(pending.end(), bytes, bytes + frames * align);
}

void AudioTrack::drop(int64_t frames) { head += size_t(std::min(frames, waiting())) * size_t(align); }

int64_t AudioTrack::wanted() const
{
    return int64_t(ringFrames) - (int64_t(written) - int64_t(played)) - waiting();
}

void AudioTrack::feed()
{
    if (buffer->status() & SOUND_LOST)
        buffer->restore();
    uint32_t cursor = 0, writeCursor = 0;
    if (buffer->getCurrentPosition(&cursor, &writeCursor) == AUDIO_OK) {
        uint32_t size = buffer->size();
        played += ((cursor + size - lastCursor) % size) / uint32_t(align);
        lastCursor = cursor;
    }
    // The cursor overtook what was written: that time's samples are late
    // and dropped, so that the sound stays with the pictures.
    if (played > written) {
        drop(int64_t(played - written));
        written = played;
    }
    uint64_t n = std::min<uint64_t>(played + ringFrames - written, uint64_t(waiting()));
    if (n) {
        writeRing(written, pending.data() + head, n);
        head += size_t(n) * size_t(align);
        written += n;
    }
    uint64_t from = std::max(written, silencedTo), to = played + ringFrames;
    if (to > from) {
        writeRing(from, nullptr, to - from);
        silencedTo = to;
    }
}

void AudioTrack::writeRing(uint64_t at, const uint8_t* bytes, uint64_t frames)
{
    void *part1 = nullptr, *part2 = nullptr;
    uint32_t bytes1 = 0, bytes2 = 0;
    uint32_t offset = uint32_t(at % ringFrames) * uint32_t(align);
    if (buffer->lock(offset, uint32_t(frames) * uint32_t(align), &part1, &bytes1, &part2, &bytes2) != AUDIO_OK)
        return;
    if (bytes) {
        std::memcpy(part1, bytes, bytes1);
        if (part2)
            std::memcpy(part2, bytes + bytes1, bytes2);
    } else {
        std::memset(part1, 0, bytes1);
        if (part2)
            std::memset(part2, 0, bytes2);
    }
    buffer->unlock(part1, bytes1, part2, bytes2);
}

void AudioTrack::restart(int64_t time)
{
    std::lock_guard<std::mutex> l(runLock);
    buffer->stop();
    avcodec_flush_buffers(decoder.get());
    drained = false;
    if (resampler)
        swr_init(resampler.get());
    pending.clear();
    head = 0;
    written = played = 0;
    silencedTo = ringFrames;
    lastCursor = 0;
    buffer->setCurrentPosition(0);
    writeRing(0, nullptr, ringFrames);
    aligning = true;
    alignTime = time;
}

void AudioTrack::setRunning(bool on)
{
    std::lock_guard<std::mutex> l(runLock);
    running = on;
    if (on)
        buffer->play(true);
    else
        buffer->stop();
}

void AudioTrack::apply()
{
    std::lock_guard<std::mutex> l(runLock);
    if (running)
        buffer->play(true);
}

} // namespace ffmpeg
} // namespace platform

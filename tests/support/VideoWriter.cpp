#include "support/VideoWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#ifdef QUARNEL_HAVE_FFMPEG
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}
#include <memory>
#endif

namespace testsupport {

int16_t toneSample(const TestVideo& video, int64_t index)
{
    const double pi = 3.14159265358979323846;
    return int16_t(std::lround(video.amplitude * std::sin(2 * pi * video.toneHz * double(index) / video.sampleRate)));
}

bool nearColour(uint32_t rgb, uint32_t expected)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((rgb >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > 12)
            return false;
    return true;
}

#ifdef QUARNEL_HAVE_FFMPEG

namespace {

struct Encoded {
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    ~Encoded() { avcodec_free_context(&codec); }
};

// Sends a frame (null: the end) and writes the packets that come out.
bool encode(AVFormatContext* out, Encoded& e, AVFrame* frame)
{
    if (avcodec_send_frame(e.codec, frame) < 0)
        return false;
    AVPacket* packet = av_packet_alloc();
    int code;
    while ((code = avcodec_receive_packet(e.codec, packet)) == 0) {
        // A picture lasts one frame (the time base's unit), which MP4 needs
        // to keep the last one.
        if (packet->duration == 0 && e.codec->codec_type == AVMEDIA_TYPE_VIDEO)
            packet->duration = 1;
        av_packet_rescale_ts(packet, e.codec->time_base, e.stream->time_base);
        packet->stream_index = e.stream->index;
        if (av_interleaved_write_frame(out, packet) < 0)
            code = AVERROR_UNKNOWN;
    }
    av_packet_free(&packet);
    return code == AVERROR(EAGAIN) || code == AVERROR_EOF;
}

bool addStream(AVFormatContext* out, Encoded& e, const char* name, void (*setUp)(AVCodecContext*, const TestVideo&),
               const TestVideo& video)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec)
        return false;
    e.codec = avcodec_alloc_context3(codec);
    setUp(e.codec, video);
    if (out->oformat->flags & AVFMT_GLOBALHEADER)
        e.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(e.codec, codec, nullptr) < 0)
        return false;
    e.stream = avformat_new_stream(out, nullptr);
    if (!e.stream || avcodec_parameters_from_context(e.stream->codecpar, e.codec) < 0)
        return false;
    e.stream->time_base = e.codec->time_base;
    return true;
}

void videoSetUp(AVCodecContext* c, const TestVideo& v)
{
    c->width = v.width;
    c->height = v.height;
    c->time_base = AVRational{1, v.fps};
    c->framerate = AVRational{v.fps, 1};
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    const enum AVPixelFormat* formats = c->codec->pix_fmts;
    bool takes420 = !formats;
    for (; formats && *formats != AV_PIX_FMT_NONE; ++formats)
        takes420 = takes420 || *formats == AV_PIX_FMT_YUV420P;
    if (!takes420)
        c->pix_fmt = c->codec->pix_fmts[0];
    c->gop_size = 3;
    // MJPEG takes YUV 4:2:0 of the video range only so.
    c->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
    c->max_b_frames = 0;
    // Near lossless, so that each frame keeps its colour.
    c->flags |= AV_CODEC_FLAG_QSCALE;
    c->global_quality = FF_QP2LAMBDA * 1;
}

void audioSetUp(AVCodecContext* c, const TestVideo& v)
{
    c->sample_rate = v.sampleRate;
    av_channel_layout_default(&c->ch_layout, v.channels);
    c->time_base = AVRational{1, v.sampleRate};
    const enum AVSampleFormat* formats = c->codec->sample_fmts;
    c->sample_fmt = formats ? formats[0] : AV_SAMPLE_FMT_S16;
    c->bit_rate = 128000;
}

bool writeVideoFrame(AVFormatContext* out, Encoded& e, uint32_t rgb, int index)
{
    AVFrame* source = av_frame_alloc();
    AVFrame* frame = av_frame_alloc();
    source->format = AV_PIX_FMT_RGB24;
    source->width = frame->width = e.codec->width;
    source->height = frame->height = e.codec->height;
    frame->format = e.codec->pix_fmt;
    bool ok = av_frame_get_buffer(source, 0) >= 0 && av_frame_get_buffer(frame, 0) >= 0;
    if (ok) {
        // The rows' padding too: the converter reads past an odd width.
        for (int y = 0; y < source->height; ++y)
            for (int x = 0; x < source->linesize[0] / 3; ++x) {
                uint8_t* p = source->data[0] + y * source->linesize[0] + x * 3;
                p[0] = uint8_t(rgb >> 16);
                p[1] = uint8_t(rgb >> 8);
                p[2] = uint8_t(rgb);
            }
        SwsContext* s = sws_getContext(source->width, source->height, AV_PIX_FMT_RGB24, frame->width, frame->height,
                                       AVPixelFormat(frame->format), SWS_BILINEAR, nullptr, nullptr, nullptr);
        ok = s && sws_scale(s, source->data, source->linesize, 0, source->height, frame->data, frame->linesize) > 0;
        sws_freeContext(s);
        frame->pts = index;
        ok = ok && encode(out, e, frame);
    }
    av_frame_free(&source);
    av_frame_free(&frame);
    return ok;
}

// The tone's samples from `next` up to `end`, in frames of the encoder's
// size when it has one (a part frame only as the last).
bool writeTone(AVFormatContext* out, Encoded& e, const TestVideo& v, int64_t& next, int64_t end, bool last)
{
    int size = e.codec->frame_size > 0 ? e.codec->frame_size : 1024;
    SwrContext* swr = nullptr;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, v.channels);
    bool ok = swr_alloc_set_opts2(&swr, &e.codec->ch_layout, e.codec->sample_fmt, v.sampleRate, &layout,
                                  AV_SAMPLE_FMT_S16, v.sampleRate, 0, nullptr) >= 0 &&
              swr_init(swr) >= 0;
    std::vector<int16_t> samples;
    while (ok && next < end) {
        int n = int(std::min<int64_t>(size, end - next));
        if (e.codec->frame_size > 0 && n < size && !last)
            break;
        samples.resize(size_t(n) * size_t(v.channels));
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < v.channels; ++c)
                samples[size_t(i) * size_t(v.channels) + size_t(c)] = toneSample(v, next + i);
        AVFrame* frame = av_frame_alloc();
        frame->nb_samples = n;
        frame->format = e.codec->sample_fmt;
        frame->sample_rate = v.sampleRate;
        av_channel_layout_copy(&frame->ch_layout, &e.codec->ch_layout);
        ok = av_frame_get_buffer(frame, 0) >= 0;
        const uint8_t* in = reinterpret_cast<const uint8_t*>(samples.data());
        ok = ok && swr_convert(swr, frame->data, n, &in, n) == n;
        frame->pts = next;
        ok = ok && encode(out, e, frame);
        av_frame_free(&frame);
        next += n;
    }
    swr_free(&swr);
    return ok;
}

} // namespace

bool writeTestVideo(const std::string& hostPath, const TestVideo& v)
{
    // The encoders' reports stay out of the tests' output.
    av_log_set_level(AV_LOG_ERROR);
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, v.container.c_str(), hostPath.c_str()) < 0)
        return false;
    bool ok;
    {
        Encoded picture, sound;
        ok = addStream(out, picture, v.videoCodec.c_str(), videoSetUp, v);
        if (ok && v.toneHz > 0)
            ok = addStream(out, sound, v.audioCodec.c_str(), audioSetUp, v);
        ok = ok && avio_open(&out->pb, hostPath.c_str(), AVIO_FLAG_WRITE) >= 0;
        ok = ok && avformat_write_header(out, nullptr) >= 0;
        int64_t toneNext = 0;
        for (size_t i = 0; ok && i < v.colours.size(); ++i) {
            ok = writeVideoFrame(out, picture, v.colours[i], int(i));
            if (ok && sound.codec)
                ok = writeTone(out, sound, v, toneNext, int64_t(i + 1) * v.sampleRate / v.fps,
                               i + 1 == v.colours.size());
        }
        ok = ok && encode(out, picture, nullptr);
        if (ok && sound.codec)
            ok = encode(out, sound, nullptr);
        ok = ok && av_write_trailer(out) >= 0;
    }
    if (out->pb)
        avio_closep(&out->pb);
    avformat_free_context(out);
    return ok;
}

#else

bool writeTestVideo(const std::string&, const TestVideo&) { return false; }

#endif

} // namespace testsupport

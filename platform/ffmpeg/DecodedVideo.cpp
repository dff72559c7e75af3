#include "platform/ffmpeg/DecodedVideo.h"

#include "platform/Debug.h"
#include "platform/FileIO.h"
#include "platform/ffmpeg/Ffmpeg.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>

namespace platform {
namespace ffmpeg {

int64_t saturatingSub(int64_t a, int64_t b)
{
    int64_t r;
    if (!__builtin_sub_overflow(a, b, &r))
        return r;
    return b < 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

int64_t saturatingAdd(int64_t a, int64_t b)
{
    int64_t r;
    if (!__builtin_add_overflow(a, b, &r))
        return r;
    return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

int64_t toStreamTime(int64_t timestamp, int64_t origin, AVRational tb)
{
    if (tb.num <= 0 || tb.den <= 0)
        return 0;
    return saturatingSub(av_rescale_q(timestamp, tb, STREAM_TIME_BASE), origin);
}

CodecPtr openDecoder(const AVStream* stream)
{
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return nullptr;
    CodecPtr c(avcodec_alloc_context3(codec));
    if (!c || avcodec_parameters_to_context(c.get(), stream->codecpar) < 0)
        return nullptr;
    c->pkt_timebase = stream->time_base;
    // One thread: the player's worker is the decoding thread.
    c->thread_count = 1;
    if (avcodec_open2(c.get(), codec, nullptr) < 0)
        return nullptr;
    return c;
}

namespace {

// Reads per update (or seek) at most; a damaged file full of packets that
// decode to nothing is read on over the next updates instead of at once.
constexpr int MAX_READS = 4096;
// Video packets read ahead while looking for sound, at most.
constexpr size_t MAX_QUEUED_PACKETS = 128;
constexpr size_t MAX_QUEUED_BYTES = size_t(32) << 20;
// 25 frames a second when the file does not tell.
constexpr int64_t DEFAULT_FRAME_TIME = 400000;

// FFmpeg's messages on damaged files go to the debugger output, errors only.
void logLine(void* avcl, int level, const char* format, va_list args)
{
    if (level > AV_LOG_ERROR)
        return;
    char line[512];
    int prefix = 1;
    av_log_format_line2(avcl, level, format, args, line, int(sizeof line), &prefix);
    OutputDebugString(line);
}

void setUpLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(logLine); });
}

// The bytes of a video, for FFmpeg's reader.
class Input {
public:
    virtual ~Input() {}
    // Bytes read, or AVERROR_EOF at the end.
    virtual int read(uint8_t* to, int count) = 0;
    // As fseek, answering the new position (AVSEEK_SIZE: the length).
    virtual int64_t seek(int64_t offset, int whence) = 0;
};

class FileInput : public Input {
public:
    explicit FileInput(FILE* f) : file(f)
    {
        if (fseeko(file, 0, SEEK_END) == 0)
            length = ftello(file);
        fseeko(file, 0, SEEK_SET);
    }
    ~FileInput() override { std::fclose(file); }
    int read(uint8_t* to, int count) override
    {
        size_t got = std::fread(to, 1, size_t(std::max(count, 0)), file);
        return got ? int(got) : AVERROR_EOF;
    }
    int64_t seek(int64_t offset, int whence) override
    {
        if (whence & AVSEEK_SIZE)
            return length;
        whence &= ~AVSEEK_FORCE;
        if (fseeko(file, off_t(offset), whence) != 0)
            return -1;
        return ftello(file);
    }

private:
    FILE* file;
    int64_t length = -1;
};

class MemoryInput : public Input {
public:
    MemoryInput(const uint8_t* b, size_t n) : bytes(b), size(int64_t(n)) {}
    int read(uint8_t* to, int count) override
    {
        int64_t n = std::min<int64_t>(std::max(count, 0), size - at);
        if (n <= 0)
            return AVERROR_EOF;
        std::memcpy(to, bytes + at, size_t(n));
        at += n;
        return int(n);
    }
    int64_t seek(int64_t offset, int whence) override
    {
        if (whence & AVSEEK_SIZE)
            return size;
        whence &= ~AVSEEK_FORCE;
        int64_t from = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? at : whence == SEEK_END ? size : -1;
        if (from < 0 || offset < -from || offset > size - from)
            return -1;
        at = from + offset;
        return at;
    }

private:
    const uint8_t* bytes;
    int64_t size;
    int64_t at = 0;
};

int readInput(void* opaque, uint8_t* to, int count) { return static_cast<Input*>(opaque)->read(to, count); }

int64_t seekInput(void* opaque, int64_t offset, int whence)
{
    return static_cast<Input*>(opaque)->seek(offset, whence);
}

// Containers that point at other files (playlists, references) get none.
int refuseNested(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

// One opening of the input by FFmpeg's demuxer.
struct Demuxer {
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;

    ~Demuxer()
    {
        if (format)
            avformat_close_input(&format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }

    bool open(Input& input, const std::string& name)
    {
        const int size = 32768;
        if (input.seek(0, SEEK_SET) < 0)
            return false;
        uint8_t* buffer = static_cast<uint8_t*>(av_malloc(size));
        if (!buffer)
            return false;
        io = avio_alloc_context(buffer, size, 0, &input, readInput, nullptr, seekInput);
        if (!io) {
            av_free(buffer);
            return false;
        }
        format = avformat_alloc_context();
        if (!format)
            return false;
        format->pb = io;
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
        format->io_open = refuseNested;
        // A failed open frees the context.
        if (avformat_open_input(&format, name.c_str(), nullptr, nullptr) < 0)
            return false;
        return avformat_find_stream_info(format, nullptr) >= 0;
    }

    // The video stream: the best one that is not a cover picture; -1.
    int videoStream() const
    {
        int i = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (i < 0 || (format->streams[i]->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return -1;
        return i;
    }
};

class DecodedVideoStream : public VideoStream {
public:
    static std::unique_ptr<VideoStream> open(std::unique_ptr<Input> input, const std::string& name, Clock& clock,
                                             AudioDevice* device);
    ~DecodedVideoStream() override { sws_freeContext(scaler); }

    int width() override { return w; }
    int height() override { return h; }
    int64_t duration() override { return length; }
    void setRunning(bool on) override
    {
        timeline.setRunning(on);
        if (audio)
            audio->setRunning(on);
    }
    bool isRunning() override { return timeline.isRunning(); }
    bool seek(int64_t t) override;
    int64_t time() override { return timeline.time(); }
    int update(Surface* target) override;

private:
    enum Read { READ_VIDEO, READ_OTHER, READ_END, READ_BUDGET };

    // The time runs on to the last frame's end, whatever the headers say.
    DecodedVideoStream(Clock& clock, int64_t duration) : length(duration), timeline(clock, -1) {}
    bool reopen();
    void resetDecoding();
    Read readPacket();
    // 1: a frame; 0: the read budget ran out; -1: no more frames.
    int receiveFrame(AVFrame* into);
    void timesOf(const AVFrame* f, int64_t* start, int64_t* end);
    // Decodes until the current frame is the last one whose time has come.
    void advanceTo(int64_t t);
    // Reads on while the sound track wants more than was decoded.
    void readAhead();
    // Starts the sound again at the stream time and writes what is there.
    void primeAudio(int64_t time);
    bool convert(const AVFrame* f, Surface* target);
    bool scalerFor(const AVFrame* f, const Surface* target, AVPixelFormat to);

    std::unique_ptr<Input> input;
    std::string name;
    std::unique_ptr<Demuxer> demuxer;
    int videoIndex = -1;
    AVRational videoTimeBase{1, 1};
    int64_t origin = 0;
    int64_t frameTime = DEFAULT_FRAME_TIME;
    CodecPtr video;
    std::unique_ptr<AudioTrack> audio;
    const int64_t length;
    VideoTimeline timeline;
    int w = 0, h = 0;

    // Decoding: update (the worker) and seek (either thread).
    std::mutex decodeLock;
    PacketPtr packet;
    std::deque<PacketPtr> queue;
    size_t queuedBytes = 0;
    FramePtr current, next;
    bool hasCurrent = false, hasNext = false, shown = false;
    int64_t currentEnd = 0, nextStart = 0, nextEnd = 0, lastStart = -1;
    bool demuxEnded = false, flushed = false, drained = false, broken = false;
    int budget = 0;
    SwsContext* scaler = nullptr;
    int scalerKey[6] = {};
    // What the scaler writes into, padded and aligned as libswscale asks:
    // its vector code writes whole blocks of pixels, past the end of a
    // row that is not, so never into the surface itself.
    FramePtr scaled;
};

std::unique_ptr<VideoStream> DecodedVideoStream::open(std::unique_ptr<Input> input, const std::string& name,
                                                      Clock& clock, AudioDevice* device)
{
    setUpLibraries();
    std::unique_ptr<Demuxer> demuxer(new Demuxer);
    if (!demuxer->open(*input, name))
        return nullptr;
    int index = demuxer->videoStream();
    if (index < 0)
        return nullptr;
    const AVStream* stream = demuxer->format->streams[index];
    const AVCodecParameters* par = stream->codecpar;
    if (par->width <= 0 || par->height <= 0 || par->width > MAX_VIDEO_SIDE || par->height > MAX_VIDEO_SIDE)
        return nullptr;
    int64_t origin = stream->start_time != AV_NOPTS_VALUE ? toStreamTime(stream->start_time, 0, stream->time_base) : 0;
    // The length the headers tell, the longer of the stream's and the
    // file's: either may leave out the last frame's duration.
    int64_t length = -1;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        length = toStreamTime(stream->duration, 0, stream->time_base);
    const AVFormatContext* f = demuxer->format;
    if (f->duration != AV_NOPTS_VALUE && f->duration > 0) {
        int64_t start = f->start_time != AV_NOPTS_VALUE ? f->start_time : 0;
        int64_t end = saturatingAdd(av_rescale_q(start, AV_TIME_BASE_Q, STREAM_TIME_BASE),
                                    av_rescale_q(f->duration, AV_TIME_BASE_Q, STREAM_TIME_BASE));
        length = std::max(length, saturatingSub(end, origin));
    }
    std::unique_ptr<DecodedVideoStream> s(new DecodedVideoStream(clock, length > 0 ? length : -1));
    s->video = openDecoder(stream);
    s->packet.reset(av_packet_alloc());
    s->current.reset(av_frame_alloc());
    s->next.reset(av_frame_alloc());
    if (!s->video || !s->packet || !s->current || !s->next)
        return nullptr;
    s->videoIndex = index;
    s->videoTimeBase = stream->time_base;
    s->origin = origin;
    AVRational rate = stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0 ? stream->avg_frame_rate
                                                                                       : stream->r_frame_rate;
    if (rate.num > 0 && rate.den > 0)
        s->frameTime = std::min<int64_t>(
            std::max<int64_t>(av_rescale_q(1, av_inv_q(rate), STREAM_TIME_BASE), 10000), 10000000);
    s->w = par->width;
    s->h = par->height;
    int audioIndex = av_find_best_stream(demuxer->format, AVMEDIA_TYPE_AUDIO, -1, index, nullptr, 0);
    if (device && audioIndex >= 0)
        s->audio = AudioTrack::open(demuxer->format->streams[audioIndex], origin, *device);
    for (unsigned i = 0; i < demuxer->format->nb_streams; ++i)
        demuxer->format->streams[i]->discard =
            int(i) == index || (s->audio && int(i) == s->audio->index()) ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    s->input = std::move(input);
    s->name = name;
    s->demuxer = std::move(demuxer);
    std::lock_guard<std::mutex> g(s->decodeLock);
    s->primeAudio(0);
    return std::unique_ptr<VideoStream>(s.release());
}

// A demuxer that cannot seek starts over from the first byte; it must find
// the same streams.
bool DecodedVideoStream::reopen()
{
    std::unique_ptr<Demuxer> fresh(new Demuxer);
    if (!fresh->open(*input, name) || fresh->format->nb_streams != demuxer->format->nb_streams ||
        fresh->videoStream() != videoIndex)
        return false;
    for (unsigned i = 0; i < fresh->format->nb_streams; ++i)
        fresh->format->streams[i]->discard = demuxer->format->streams[i]->discard;
    demuxer = std::move(fresh);
    return true;
}

void DecodedVideoStream::resetDecoding()
{
    avcodec_flush_buffers(video.get());
    queue.clear();
    queuedBytes = 0;
    hasCurrent = hasNext = shown = false;
    demuxEnded = flushed = drained = false;
    lastStart = -1;
}

DecodedVideoStream::Read DecodedVideoStream::readPacket()
{
    if (demuxEnded)
        return READ_END;
    if (budget <= 0)
        return READ_BUDGET;
    --budget;
    if (av_read_frame(demuxer->format, packet.get()) < 0) {
        demuxEnded = true;
        if (audio)
            audio->decode(nullptr);
        return READ_END;
    }
    Read got = READ_OTHER;
    if (packet->stream_index == videoIndex) {
        PacketPtr kept(av_packet_alloc());
        if (kept) {
            av_packet_move_ref(kept.get(), packet.get());
            queuedBytes += size_t(kept->size);
            queue.push_back(std::move(kept));
        }
        got = READ_VIDEO;
    } else if (audio && packet->stream_index == audio->index()) {
        audio->decode(packet.get());
    }
    av_packet_unref(packet.get());
    return got;
}

int DecodedVideoStream::receiveFrame(AVFrame* into)
{
    for (;;) {
        if (drained)
            return -1;
        int code = avcodec_receive_frame(video.get(), into);
        if (code == 0)
            return 1;
        // The end, or a decoder that failed: the movie ends here.
        if (code != AVERROR(EAGAIN) || flushed) {
            drained = true;
            return -1;
        }
        while (queue.empty() && !demuxEnded)
            if (readPacket() == READ_BUDGET)
                return 0;
        if (queue.empty()) {
            avcodec_send_packet(video.get(), nullptr);
            flushed = true;
            continue;
        }
        PacketPtr p = std::move(queue.front());
        queue.pop_front();
        queuedBytes -= size_t(p->size);
        // A damaged packet is refused and dropped; decoding goes on.
        avcodec_send_packet(video.get(), p.get());
    }
}

void DecodedVideoStream::timesOf(const AVFrame* f, int64_t* start, int64_t* end)
{
#if LIBAVUTIL_VERSION_MAJOR >= 58
    int64_t length = f->duration;
#else
    int64_t length = f->pkt_duration;
#endif
    int64_t ts = f->best_effort_timestamp;
    int64_t s = ts != AV_NOPTS_VALUE ? toStreamTime(ts, origin, videoTimeBase)
                                     : (lastStart >= 0 ? saturatingAdd(lastStart, frameTime) : 0);
    int64_t d = length > 0 ? toStreamTime(length, 0, videoTimeBase) : 0;
    *start = s;
    *end = saturatingAdd(s, d > 0 ? d : frameTime);
    lastStart = s;
}

// The first frame after an opening or a seek is taken whatever its time,
// so that there is a picture from the start.
void DecodedVideoStream::advanceTo(int64_t t)
{
    for (;;) {
        if (!hasNext) {
            if (receiveFrame(next.get()) <= 0)
                return;
            timesOf(next.get(), &nextStart, &nextEnd);
            hasNext = true;
        }
        if (hasCurrent && nextStart > t)
            return;
        std::swap(current, next);
        currentEnd = nextEnd;
        hasCurrent = true;
        hasNext = false;
        shown = false;
    }
}

void DecodedVideoStream::readAhead()
{
    while (audio && !demuxEnded && audio->wanted() > 0 && queue.size() < MAX_QUEUED_PACKETS &&
           queuedBytes < MAX_QUEUED_BYTES)
        if (readPacket() == READ_BUDGET)
            return;
}

void DecodedVideoStream::primeAudio(int64_t time)
{
    if (!audio)
        return;
    audio->restart(time);
    budget = MAX_READS;
    readAhead();
    audio->feed();
    audio->apply();
}

int DecodedVideoStream::update(Surface* target)
{
    std::lock_guard<std::mutex> g(decodeLock);
    if (broken || !target || target->isLost() || target->width() != w || target->height() != h)
        return VIDEO_ERROR;
    budget = MAX_READS;
    int64_t t = timeline.time();
    advanceTo(t);
    readAhead();
    if (audio)
        audio->feed();
    if (drained && !hasNext && (!hasCurrent || t >= currentEnd))
        return VIDEO_END;
    if (!hasCurrent || shown)
        return VIDEO_NO_NEW_FRAME;
    if (!convert(current.get(), target))
        return VIDEO_ERROR;
    shown = true;
    return VIDEO_FRAME;
}

bool DecodedVideoStream::seek(int64_t t)
{
    std::lock_guard<std::mutex> g(decodeLock);
    if (broken)
        return false;
    int64_t to = std::max<int64_t>(t, 0);
    int64_t ts = av_rescale_q(saturatingAdd(to, origin), STREAM_TIME_BASE, videoTimeBase);
    bool moved = av_seek_frame(demuxer->format, videoIndex, ts, AVSEEK_FLAG_BACKWARD) >= 0;
    resetDecoding();
    if (!moved && !reopen()) {
        broken = true;
        return false;
    }
    primeAudio(to);
    timeline.setTime(to);
    return true;
}

bool DecodedVideoStream::scalerFor(const AVFrame* f, const Surface* target, AVPixelFormat to)
{
    int key[6] = {f->width, f->height, f->format, target->width(), target->height(), int(to)};
    if (scaler && std::equal(key, key + 6, scalerKey))
        return true;
    sws_freeContext(scaler);
    scaler = nullptr;
    if (!sws_isSupportedInput(AVPixelFormat(f->format)))
        return false;
    scaled.reset(av_frame_alloc());
    if (!scaled)
        return false;
    scaled->width = target->width();
    scaled->height = target->height();
    scaled->format = to;
    if (av_frame_get_buffer(scaled.get(), 0) < 0)
        return false;
    SwsContext* s = sws_alloc_context();
    if (!s)
        return false;
    av_opt_set_int(s, "srcw", f->width, 0);
    av_opt_set_int(s, "srch", f->height, 0);
    av_opt_set_int(s, "src_format", f->format, 0);
    av_opt_set_int(s, "dstw", target->width(), 0);
    av_opt_set_int(s, "dsth", target->height(), 0);
    av_opt_set_int(s, "dst_format", to, 0);
    // 15- and 16-bit output is dithered (2 x 2), which libswscale always
    // does for those depths.
    av_opt_set_int(s, "sws_flags", SWS_BILINEAR, 0);
    if (sws_init_context(s, nullptr, nullptr) < 0) {
        sws_freeContext(s);
        return false;
    }
    scaler = s;
    std::copy(key, key + 6, scalerKey);
    return true;
}

bool DecodedVideoStream::convert(const AVFrame* f, Surface* target)
{
    if (f->width <= 0 || f->height <= 0 || f->width > MAX_VIDEO_SIDE || f->height > MAX_VIDEO_SIDE || f->format < 0)
        return false;
    int depth = target->bitsPerPixel();
    AVPixelFormat to = depth == 15 ? AV_PIX_FMT_RGB555LE : depth == 32 ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_RGB565LE;
    if (!scalerFor(f, target, to))
        return false;
    if (sws_scale(scaler, f->data, f->linesize, 0, f->height, scaled->data, scaled->linesize) <= 0)
        return false;
    uint8_t* pixels = nullptr;
    int pitch = 0;
    if (target->lock(&pixels, &pitch) != DISPLAY_OK)
        return false;
    const size_t row = size_t(target->width()) * size_t(target->bytesPerPixel());
    for (int y = 0; y < target->height(); ++y) {
        uint8_t* to = pixels + size_t(y) * size_t(pitch);
        std::memcpy(to, scaled->data[0] + size_t(y) * size_t(scaled->linesize[0]), row);
        // 32-bit pixels are 0x00RRGGBB: the unused byte is cleared.
        if (depth == 32)
            for (size_t x = 3; x < row; x += 4)
                to[x] = 0;
    }
    target->unlock();
    return true;
}

} // namespace

} // namespace ffmpeg

bool videoDecoding() { return true; }

std::unique_ptr<VideoStream> openDecodedVideo(const std::string& enginePath, Clock& clock, AudioDevice* audio)
{
    FILE* file = openFile(enginePath, "rb");
    if (!file)
        return nullptr;
    std::unique_ptr<ffmpeg::Input> input(new ffmpeg::FileInput(file));
    return ffmpeg::DecodedVideoStream::open(std::move(input), enginePath, clock, audio);
}

std::unique_ptr<VideoStream> openDecodedVideo(const uint8_t* bytes, size_t size, Clock& clock, AudioDevice* audio)
{
    if (!bytes && size)
        return nullptr;
    std::unique_ptr<ffmpeg::Input> input(new ffmpeg::MemoryInput(bytes, size));
    return ffmpeg::DecodedVideoStream::open(std::move(input), "memory", clock, audio);
}

} // namespace platform

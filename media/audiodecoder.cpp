#include "media/audiodecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace ringvale {

namespace {

constexpr int kIoBufferSize = 32 * 1024;
// Beyond these a header is damaged (a WAV claiming 1.4 GHz would make the converter allocate
// gigabytes): such a stream or frame is not played.
constexpr int kLowestRate = 1000;
constexpr int kHighestRate = 768000;
constexpr int kMostChannels = 32;

bool isPlayableShape(int sampleRate, int channels) {
    return sampleRate >= kLowestRate && sampleRate <= kHighestRate && channels > 0 &&
           channels <= kMostChannels;
}

bool isCancelled(const std::atomic<bool>* cancelled) {
    return cancelled && cancelled->load();
}

// Opens a regular file for reading without ever blocking in open() (a FIFO would wait for a
// writer). -1 for anything else, with the reason.
int openRegularFile(const std::filesystem::path& file, std::string& reason) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = errno == ENOENT || errno == ENOTDIR
                     ? "not found"
                     : std::string("cannot be opened: ") + std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        reason = "cannot be opened: not a regular file";
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string ffmpegText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

std::string ffmpegReason(int code) {
    return "cannot be decoded: " + ffmpegText(code);
}

} // namespace

struct AudioDecoder::Impl {
    int fd = -1;
    const std::atomic<bool>* cancelled = nullptr;
    AVIOContext* io = nullptr;
    AVFormatContext* formatContext = nullptr;
    AVCodecContext* codecContext = nullptr;
    SwrContext* resampler = nullptr;
    AVChannelLayout resamplerLayout{}; // what the resampler was set up for
    int resamplerRate = 0;
    int resamplerFormat = -1;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    int channels = 2;
    int outRate = 44100;
    bool inputDone = false;   // no more packets to read
    bool decoderDone = false; // the decoder has returned its last frame
    bool flushed = false;     // the resampler has given back its delayed samples

    ~Impl() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        swr_free(&resampler);
        av_channel_layout_uninit(&resamplerLayout);
        avcodec_free_context(&codecContext);
        avformat_close_input(&formatContext);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
        if (fd >= 0)
            ::close(fd);
    }

    static int readPacket(void* opaque, std::uint8_t* buffer, int size) {
        auto* d = static_cast<Impl*>(opaque);
        for (;;) {
            if (isCancelled(d->cancelled))
                return AVERROR_EXIT;
            const ssize_t n = ::read(d->fd, buffer, static_cast<std::size_t>(size));
            if (n > 0)
                return static_cast<int>(n);
            if (n == 0)
                return AVERROR_EOF;
            if (errno != EINTR)
                return AVERROR(errno);
        }
    }

    static std::int64_t seek(void* opaque, std::int64_t offset, int whence) {
        auto* d = static_cast<Impl*>(opaque);
        if (whence == AVSEEK_SIZE) {
            struct stat st {};
            return ::fstat(d->fd, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
        }
        const off_t at = ::lseek(d->fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
        return at < 0 ? AVERROR(errno) : static_cast<std::int64_t>(at);
    }

    static int interrupted(void* opaque) {
        return isCancelled(static_cast<Impl*>(opaque)->cancelled) ? 1 : 0;
    }

    // Sets the resampler up for frames like `in`, unless it already is. False when the frame's
    // format cannot be converted.
    bool configureFor(const AVFrame& in) {
        if (resampler && in.sample_rate == resamplerRate && in.format == resamplerFormat &&
            av_channel_layout_compare(&in.ch_layout, &resamplerLayout) == 0)
            return true;
        if (!isPlayableShape(in.sample_rate, in.ch_layout.nb_channels) || in.format < 0 ||
            av_get_bytes_per_sample(static_cast<AVSampleFormat>(in.format)) <= 0)
            return false;
        swr_free(&resampler);
        av_channel_layout_uninit(&resamplerLayout);
        if (in.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&resamplerLayout, in.ch_layout.nb_channels);
        else if (av_channel_layout_copy(&resamplerLayout, &in.ch_layout) < 0)
            return false;
        AVChannelLayout outLayout;
        av_channel_layout_default(&outLayout, channels);
        const int rc =
            swr_alloc_set_opts2(&resampler, &outLayout, AV_SAMPLE_FMT_S16, outRate, &resamplerLayout,
                                static_cast<AVSampleFormat>(in.format), in.sample_rate, 0, nullptr);
        av_channel_layout_uninit(&outLayout);
        if (rc < 0 || swr_init(resampler) < 0) {
            swr_free(&resampler);
            return false;
        }
        resamplerRate = in.sample_rate;
        resamplerFormat = in.format;
        return true;
    }

    // Converts `in` (null to flush) and appends the result to `out`; returns frames appended.
    std::size_t convert(const AVFrame* in, std::vector<std::int16_t>& out) {
        if (in) {
            if (in->nb_samples <= 0 || !in->extended_data)
                return 0;
            // A change of layout or rate midway: what the old converter still holds comes first.
            const bool changes =
                resampler && (in->sample_rate != resamplerRate || in->format != resamplerFormat ||
                              av_channel_layout_compare(&in->ch_layout, &resamplerLayout) != 0);
            std::size_t frames = changes ? convert(nullptr, out) : 0;
            if (!configureFor(*in))
                return frames;
            return frames + run(in, out);
        }
        return resampler ? run(nullptr, out) : 0;
    }

    std::size_t run(const AVFrame* in, std::vector<std::int16_t>& out) {
        const int inSamples = in ? in->nb_samples : 0;
        const int capacity = swr_get_out_samples(resampler, inSamples);
        if (capacity <= 0)
            return 0;
        const std::size_t old = out.size();
        out.resize(old + static_cast<std::size_t>(capacity) * static_cast<std::size_t>(channels));
        auto* dst = reinterpret_cast<std::uint8_t*>(out.data() + old);
        const int got =
            swr_convert(resampler, &dst, capacity,
                        in ? const_cast<const std::uint8_t**>(in->extended_data) : nullptr, inSamples);
        const std::size_t frames = got > 0 ? static_cast<std::size_t>(got) : 0;
        out.resize(old + frames * static_cast<std::size_t>(channels));
        return frames;
    }
};

AudioDecoder::AudioDecoder() {
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
}

AudioDecoder::~AudioDecoder() = default;

bool AudioDecoder::open(const std::filesystem::path& file, const AudioFormat& format,
                        const std::atomic<bool>* cancelled) {
    m_impl = std::make_unique<Impl>();
    m_error.clear();
    Impl& d = *m_impl;
    d.channels = format.channels;
    d.outRate = format.sampleRate;
    d.cancelled = cancelled;
    d.fd = openRegularFile(file, m_error);
    if (d.fd < 0)
        return false;
    const auto fail = [this](std::string reason) {
        m_error = std::move(reason);
        return false;
    };
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer)
        return fail("cannot be decoded: out of memory");
    d.io = avio_alloc_context(buffer, kIoBufferSize, 0, &d, &Impl::readPacket, nullptr, &Impl::seek);
    if (!d.io) {
        av_free(buffer);
        return fail("cannot be decoded: out of memory");
    }
    d.formatContext = avformat_alloc_context();
    if (!d.formatContext)
        return fail("cannot be decoded: out of memory");
    d.formatContext->pb = d.io;
    d.formatContext->flags |= AVFMT_FLAG_CUSTOM_IO;
    d.formatContext->interrupt_callback = {&Impl::interrupted, &d};
    // The name only helps the format guess; it is never opened as a URL.
    if (const int code = avformat_open_input(&d.formatContext, file.c_str(), nullptr, nullptr); code < 0)
        return fail("cannot be decoded: not in a sound format it knows (" + ffmpegText(code) +
                    ")"); // frees the format context
    if (const int code = avformat_find_stream_info(d.formatContext, nullptr); code < 0)
        return fail(ffmpegReason(code));
    const AVCodec* codec = nullptr;
    d.stream = av_find_best_stream(d.formatContext, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (d.stream < 0 || !codec)
        return fail("cannot be decoded: no audio stream it can play");
    d.codecContext = avcodec_alloc_context3(codec);
    if (!d.codecContext)
        return fail("cannot be decoded: out of memory");
    if (const int code =
            avcodec_parameters_to_context(d.codecContext, d.formatContext->streams[d.stream]->codecpar);
        code < 0)
        return fail(ffmpegReason(code));
    if (const int code = avcodec_open2(d.codecContext, codec, nullptr); code < 0)
        return fail(ffmpegReason(code));
    if (!isPlayableShape(d.codecContext->sample_rate, d.codecContext->ch_layout.nb_channels))
        return fail("cannot be decoded: " + std::to_string(d.codecContext->sample_rate) + " Hz with " +
                    std::to_string(d.codecContext->ch_layout.nb_channels) +
                    " channels is not sound it can play");
    for (unsigned i = 0; i < d.formatContext->nb_streams; ++i) {
        if (static_cast<int>(i) != d.stream)
            d.formatContext->streams[i]->discard = AVDISCARD_ALL;
    }
    d.packet = av_packet_alloc();
    d.frame = av_frame_alloc();
    if (!d.packet || !d.frame)
        return fail("cannot be decoded: out of memory");
    return true;
}

std::size_t AudioDecoder::decode(std::vector<std::int16_t>& out) {
    out.clear();
    if (!m_impl || !m_impl->frame)
        return 0;
    Impl& d = *m_impl;
    std::size_t frames = 0;
    while (frames == 0) {
        if (isCancelled(d.cancelled))
            return 0;
        if (d.decoderDone) {
            if (d.flushed)
                return 0;
            d.flushed = true;
            return d.convert(nullptr, out);
        }
        const int received = avcodec_receive_frame(d.codecContext, d.frame);
        if (received == 0) {
            frames += d.convert(d.frame, out);
            av_frame_unref(d.frame);
            continue;
        }
        if (received == AVERROR_EOF) {
            d.decoderDone = true;
            continue;
        }
        if (received != AVERROR(EAGAIN)) {
            // A decoder that cannot go on ends the file here.
            d.decoderDone = true;
            continue;
        }
        if (d.inputDone) {
            d.decoderDone = true;
            continue;
        }
        const int read = av_read_frame(d.formatContext, d.packet);
        if (read < 0) {
            d.inputDone = true;
            avcodec_send_packet(d.codecContext, nullptr);
            continue;
        }
        if (d.packet->stream_index == d.stream) {
            // A damaged packet is skipped; the decoder resynchronises on the next one.
            avcodec_send_packet(d.codecContext, d.packet);
        }
        av_packet_unref(d.packet);
    }
    return frames;
}

} // namespace ringvale

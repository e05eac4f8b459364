#include "audiodecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <mutex>

namespace ringvale {

struct AudioDecoder::Impl {
    AVFormatContext* formatContext = nullptr;
    AVCodecContext* codecContext = nullptr;
    SwrContext* resampler = nullptr;
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
        avcodec_free_context(&codecContext);
        avformat_close_input(&formatContext);
    }

    // Converts `in` (null to flush) and appends the result to `out`; returns frames appended.
    std::size_t convert(const AVFrame* in, std::vector<std::int16_t>& out) {
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

bool AudioDecoder::open(const std::filesystem::path& file, const AudioFormat& format) {
    m_impl = std::make_unique<Impl>();
    Impl& d = *m_impl;
    d.channels = format.channels;
    d.outRate = format.sampleRate;
    if (avformat_open_input(&d.formatContext, file.c_str(), nullptr, nullptr) < 0)
        return false;
    if (avformat_find_stream_info(d.formatContext, nullptr) < 0)
        return false;
    const AVCodec* codec = nullptr;
    d.stream = av_find_best_stream(d.formatContext, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (d.stream < 0 || !codec)
        return false;
    d.codecContext = avcodec_alloc_context3(codec);
    if (!d.codecContext ||
        avcodec_parameters_to_context(d.codecContext, d.formatContext->streams[d.stream]->codecpar) < 0)
        return false;
    if (avcodec_open2(d.codecContext, codec, nullptr) < 0)
        return false;
    if (d.codecContext->sample_rate <= 0 || d.codecContext->ch_layout.nb_channels <= 0)
        return false;
    if (d.codecContext->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&d.codecContext->ch_layout, d.codecContext->ch_layout.nb_channels);

    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, format.channels);
    const int rc = swr_alloc_set_opts2(&d.resampler, &outLayout, AV_SAMPLE_FMT_S16, format.sampleRate,
                                       &d.codecContext->ch_layout, d.codecContext->sample_fmt,
                                       d.codecContext->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&outLayout);
    if (rc < 0 || swr_init(d.resampler) < 0)
        return false;
    for (unsigned i = 0; i < d.formatContext->nb_streams; ++i) {
        if (static_cast<int>(i) != d.stream)
            d.formatContext->streams[i]->discard = AVDISCARD_ALL;
    }
    d.packet = av_packet_alloc();
    d.frame = av_frame_alloc();
    return d.packet && d.frame;
}

std::size_t AudioDecoder::decode(std::vector<std::int16_t>& out) {
    out.clear();
    if (!m_impl || !m_impl->frame)
        return 0;
    Impl& d = *m_impl;
    std::size_t frames = 0;
    while (frames == 0) {
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

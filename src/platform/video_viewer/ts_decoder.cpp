#include "platform/video_viewer/ts_decoder.h"

#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/log.h>
}

namespace {
constexpr int kIoBufferBytes = 32 * 1024;
// Read errors in a row (without a packet in between) after which the stream counts as broken.
constexpr int kMaxErrorsInRow = 64;
}  // namespace

struct TsDecoder::Impl {
    ReadFn read;
    std::function<bool()> stop;
    AVFormatContext* fmt = nullptr;
    AVIOContext* io = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int videoStream = -1;

    static int Read(void* opaque, uint8_t* buf, int size)
    {
        auto* self = static_cast<Impl*>(opaque);
        const int n = self->read(buf, size);
        if (n == 0)
            return AVERROR_EOF;
        return n < 0 ? AVERROR_EXIT : n;
    }

    static int Interrupt(void* opaque)
    {
        auto* self = static_cast<Impl*>(opaque);
        return self->stop && self->stop() ? 1 : 0;
    }

    ~Impl()
    {
        avcodec_free_context(&codec);
        av_frame_free(&frame);
        av_packet_free(&packet);
        if (fmt)
            avformat_close_input(&fmt);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }

    bool Open()
    {
        auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
        if (!buffer)
            return false;
        io = avio_alloc_context(buffer, kIoBufferBytes, 0, this, &Impl::Read, nullptr, nullptr);
        if (!io) {
            av_free(buffer);
            return false;
        }
        fmt = avformat_alloc_context();
        if (!fmt)
            return false;
        fmt->pb = io;
        fmt->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_NOPARSE;
        fmt->probesize = kProbeBytes;
        fmt->max_analyze_duration = AV_TIME_BASE;
        fmt->interrupt_callback.callback = &Impl::Interrupt;
        fmt->interrupt_callback.opaque = this;
        const AVInputFormat* ts = av_find_input_format("mpegts");
        if (avformat_open_input(&fmt, nullptr, ts, nullptr) < 0) {
            fmt = nullptr;  // freed by the failed open
            return false;
        }
        packet = av_packet_alloc();
        frame = av_frame_alloc();
        return packet && frame;
    }

    bool OpenCodec()
    {
        const AVCodec* h264 = avcodec_find_decoder(AV_CODEC_ID_H264);
        if (!h264)
            return false;
        codec = avcodec_alloc_context3(h264);
        if (!codec)
            return false;
        codec->thread_count = 1;
        codec->flags |= AV_CODEC_FLAG_LOW_DELAY;
        codec->max_pixels = kMaxPixels;
        if (avcodec_open2(codec, h264, nullptr) < 0) {
            avcodec_free_context(&codec);
            return false;
        }
        return true;
    }
};

TsDecoder::TsDecoder(ReadFn read) : m_d(std::make_unique<Impl>())
{
    m_d->read = std::move(read);
    // Damaged streams are expected and counted; the libraries' own complaints
    // about them would only flood the terminal.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_FATAL); });
}

TsDecoder::~TsDecoder() = default;

bool TsDecoder::Run(const std::function<bool()>& stop)
{
    Impl& d = *m_d;
    d.stop = stop;
    if (!d.fmt && !d.Open())
        return false;
    int errorsInRow = 0;
    for (;;) {
        if (stop && stop())
            return true;
        const int r = av_read_frame(d.fmt, d.packet);
        if (r == AVERROR(EAGAIN))
            continue;
        if (r < 0) {
            if (r == AVERROR_EOF || r == AVERROR_EXIT || d.io->eof_reached || d.io->error < 0
                || ++errorsInRow > kMaxErrorsInRow)
                return true;
            ++m_damaged;
            continue;
        }
        errorsInRow = 0;
        const int index = d.packet->stream_index;
        const bool h264 = index >= 0 && index < static_cast<int>(d.fmt->nb_streams)
                          && d.fmt->streams[index]->codecpar->codec_id == AV_CODEC_ID_H264;
        if (h264 && d.videoStream < 0)
            d.videoStream = index;
        if (!h264 || index != d.videoStream) {
            av_packet_unref(d.packet);
            continue;
        }
        ++m_packets;
        if (d.packet->size > kMaxPacketBytes || (d.packet->flags & AV_PKT_FLAG_CORRUPT)) {
            ++m_damaged;
            if (d.packet->size > kMaxPacketBytes) {
                av_packet_unref(d.packet);
                continue;
            }
        }
        const AVRational tb = d.fmt->streams[index]->time_base;
        const int64_t ts = d.packet->pts != AV_NOPTS_VALUE ? d.packet->pts : d.packet->dts;
        const qint64 ptsUs =
            ts == AV_NOPTS_VALUE ? 0 : av_rescale_q(ts, tb, AVRational{1, 1000000});

        if (!d.codec && !d.OpenCodec()) {
            av_packet_unref(d.packet);
            return false;
        }
        if (avcodec_send_packet(d.codec, d.packet) < 0)
            ++m_damaged;
        while (avcodec_receive_frame(d.codec, d.frame) == 0) {
            if (d.frame->width != m_width || d.frame->height != m_height) {
                if (m_width != 0)
                    ++m_sizeChanges;
                m_width = d.frame->width;
                m_height = d.frame->height;
            }
            ++m_frames;
            const int64_t fts = d.frame->best_effort_timestamp;
            if (onFrame)
                onFrame(d.frame, fts == AV_NOPTS_VALUE
                                     ? ptsUs
                                     : av_rescale_q(fts, tb, AVRational{1, 1000000}));
            av_frame_unref(d.frame);
        }
        if (onPacket) {
            Packet p;
            p.data = d.packet->data;
            p.size = d.packet->size;
            p.key = (d.packet->flags & AV_PKT_FLAG_KEY) != 0;
            p.ptsUs = ptsUs;
            p.width = m_width;
            p.height = m_height;
            onPacket(p);
        }
        av_packet_unref(d.packet);
    }
}

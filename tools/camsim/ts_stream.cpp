#include "ts_stream.h"

#include <cmath>
#include <numbers>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {
constexpr int kIoBufferBytes = 188 * 64;
constexpr AVRational kTimeBase{1, 90000};
}  // namespace

struct TsEncoder::Impl {
    AVFormatContext* mux = nullptr;
    AVStream* stream = nullptr;
    AVCodecContext* enc = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* sws = nullptr;
    QSize size;
    int fps = 0;
    qint64 originUs = 0;
    qint64 lastPts = -1;
    bool headerWritten = false;
    bool failed = false;
    QString error;
    QByteArray out;  // what the muxer wrote for the current picture

    static int Write(void* opaque, uint8_t* buf, int size)
    {
        static_cast<Impl*>(opaque)->out.append(reinterpret_cast<const char*>(buf), size);
        return size;
    }

    ~Impl()
    {
        if (mux && headerWritten)
            av_write_trailer(mux);
        CloseEncoder();
        if (mux) {
            if (mux->pb) {
                av_freep(&mux->pb->buffer);
                avio_context_free(&mux->pb);
            }
            avformat_free_context(mux);
        }
        av_packet_free(&packet);
    }

    void CloseEncoder()
    {
        avcodec_free_context(&enc);
        av_frame_free(&frame);
        sws_freeContext(sws);
        sws = nullptr;
    }

    bool Fail(const QString& why)
    {
        failed = true;
        error = why;
        return false;
    }

    bool OpenMuxer()
    {
        if (avformat_alloc_output_context2(&mux, nullptr, "mpegts", nullptr) < 0 || !mux)
            return Fail(QStringLiteral("no MPEG-TS muxer"));
        auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
        mux->pb =
            avio_alloc_context(buffer, kIoBufferBytes, 1, this, nullptr, &Impl::Write, nullptr);
        if (!mux->pb)
            return Fail(QStringLiteral("out of memory"));
        stream = avformat_new_stream(mux, nullptr);
        stream->time_base = kTimeBase;
        stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        stream->codecpar->codec_id = AV_CODEC_ID_H264;
        stream->codecpar->width = size.width();
        stream->codecpar->height = size.height();
        packet = av_packet_alloc();
        return true;
    }

    bool OpenEncoder(QSize s, int rate)
    {
        CloseEncoder();
        const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
        if (!codec)
            codec = avcodec_find_encoder(AV_CODEC_ID_H264);
        if (!codec)
            return Fail(QStringLiteral("no H.264 encoder"));
        enc = avcodec_alloc_context3(codec);
        enc->width = s.width();
        enc->height = s.height();
        enc->pix_fmt = AV_PIX_FMT_YUV420P;
        enc->time_base = kTimeBase;
        enc->framerate = AVRational{rate, 1};
        enc->gop_size = rate;  // a key frame every second
        enc->max_b_frames = 0;
        enc->thread_count = 1;
        av_opt_set(enc->priv_data, "preset", "ultrafast", 0);
        av_opt_set(enc->priv_data, "tune", "zerolatency", 0);
        av_opt_set(enc->priv_data, "crf", "28", 0);
        if (avcodec_open2(enc, codec, nullptr) < 0)
            return Fail(QStringLiteral("cannot open the H.264 encoder"));
        frame = av_frame_alloc();
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = s.width();
        frame->height = s.height();
        if (av_frame_get_buffer(frame, 0) < 0)
            return Fail(QStringLiteral("out of memory"));
        sws = sws_getContext(s.width(), s.height(), AV_PIX_FMT_BGR0, s.width(), s.height(),
                             AV_PIX_FMT_YUV420P, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
        size = s;
        fps = rate;
        return sws != nullptr || Fail(QStringLiteral("no colour converter"));
    }

    void Drain(bool& key)
    {
        while (avcodec_receive_packet(enc, packet) == 0) {
            if (packet->flags & AV_PKT_FLAG_KEY)
                key = true;
            packet->stream_index = 0;
            av_packet_rescale_ts(packet, kTimeBase, stream->time_base);
            av_write_frame(mux, packet);
            av_packet_unref(packet);
        }
    }
};

TsEncoder::TsEncoder(qint64 originUs) : d_(std::make_unique<Impl>()) { d_->originUs = originUs; }
TsEncoder::~TsEncoder() = default;

qint64 TsEncoder::OriginUs() const { return d_->originUs; }
QString TsEncoder::Error() const { return d_->error; }

QByteArray TsEncoder::Encode(const QImage& picture, qint64 captureUs, int fps, bool& keyFrame)
{
    keyFrame = false;
    Impl& d = *d_;
    if (d.failed || picture.isNull())
        return {};
    const QImage img = picture.format() == QImage::Format_RGB32
                           ? picture
                           : picture.convertToFormat(QImage::Format_RGB32);
    if (!d.enc || d.size != img.size()) {
        if (!d.OpenEncoder(img.size(), std::clamp(fps, 1, 60)))
            return {};
    }
    if (!d.mux) {
        if (!d.OpenMuxer())
            return {};
        AVDictionary* opts = nullptr;
        av_dict_set(&opts, "mpegts_flags", "resend_headers", 0);
        av_dict_set(&opts, "mpegts_copyts", "1", 0);  // presentation times as given
        if (avformat_write_header(d.mux, &opts) < 0) {
            av_dict_free(&opts);
            d.Fail(QStringLiteral("cannot start the transport stream"));
            return {};
        }
        av_dict_free(&opts);
        d.headerWritten = true;
    }
    const uint8_t* src[1] = {img.constBits()};
    const int stride[1] = {static_cast<int>(img.bytesPerLine())};
    av_frame_make_writable(d.frame);
    sws_scale(d.sws, src, stride, 0, img.height(), d.frame->data, d.frame->linesize);
    qint64 pts = (captureUs - d.originUs) * 9 / 100;
    if (pts <= d.lastPts)
        pts = d.lastPts + 1;
    d.lastPts = pts;
    d.frame->pts = pts;
    d.out.clear();
    if (avcodec_send_frame(d.enc, d.frame) == 0)
        d.Drain(keyFrame);
    avio_flush(d.mux->pb);
    return std::exchange(d.out, QByteArray());
}

quint8 ToneSource::MuLaw(qint16 sample)
{
    constexpr int kBias = 0x84;
    constexpr int kClip = 32635;
    int s = sample;
    const int sign = s < 0 ? 0x80 : 0;
    if (s < 0)
        s = -s;
    s = std::min(s, kClip) + kBias;
    int exponent = 7;
    for (int mask = 0x4000; (s & mask) == 0 && exponent > 0; mask >>= 1)
        --exponent;
    const int mantissa = (s >> (exponent + 3)) & 0x0F;
    return static_cast<quint8>(~(sign | (exponent << 4) | mantissa));
}

qint16 ToneSource::ToneAt(qint64 index)
{
    const double phase = 2.0 * std::numbers::pi * kFrequency * static_cast<double>(index) / kRate;
    return static_cast<qint16>(std::lround(kAmplitude * std::sin(phase)));
}

QByteArray ToneSource::ToMuLaw(const QByteArray& l16)
{
    QByteArray out(l16.size() / 2, '\0');
    for (qsizetype i = 0; i < out.size(); ++i) {
        const auto hi = static_cast<quint8>(l16[2 * i]);
        const auto lo = static_cast<quint8>(l16[2 * i + 1]);
        out[i] = static_cast<char>(MuLaw(static_cast<qint16>((hi << 8) | lo)));
    }
    return out;
}

QByteArray ToneSource::Samples(qint64 nowUs, qint64& firstSampleUs)
{
    if (startUs_ == 0)
        startUs_ = nowUs;
    const qint64 due = (nowUs - startUs_) * kRate / 1000000;
    if (due - next_ > kRate)
        next_ = due - kRate;  // never more than a second at once
    firstSampleUs = startUs_ + next_ * 1000000 / kRate;
    QByteArray out;
    out.reserve(static_cast<qsizetype>((due - next_) * 2));
    for (; next_ < due; ++next_) {
        const qint16 s = ToneAt(next_);
        out.append(static_cast<char>((s >> 8) & 0xFF));
        out.append(static_cast<char>(s & 0xFF));
    }
    return out;
}

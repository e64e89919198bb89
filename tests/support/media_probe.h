// Reads recorded files back with ffprobe (Debian's ffmpeg package), the way a
// common player would: every frame is decoded and counted.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

struct MediaInfo {
    bool ran = false;  // ffprobe ran and printed its report
    QString errors;    // what ffprobe complained about ("" = nothing)
    QString codec;
    int width = 0;
    int height = 0;
    qint64 framesDecoded = 0;  // pictures a player shows (repeats of a gap not counted)
    qint64 packets = 0;        // chunks read, empty gap fillers included
    double durationS = 0;      // of the video stream
    double frameRate = 0;      // frames per second the file declares
};

inline MediaInfo ProbeMedia(const QString& path)
{
    MediaInfo info;
    QProcess p;
    p.start(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
         QStringLiteral("-count_packets"), QStringLiteral("-select_streams"), QStringLiteral("v:0"),
         QStringLiteral("-show_entries"),
         QStringLiteral(
             "stream=codec_name,width,height,nb_read_frames,nb_read_packets,duration,r_frame_rate"),
         QStringLiteral("-of"), QStringLiteral("json"), path});
    if (!p.waitForFinished(60000))
        return info;
    info.errors = QString::fromUtf8(p.readAllStandardError()).trimmed();
    const QJsonObject root = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    const QJsonArray streams = root.value(QStringLiteral("streams")).toArray();
    if (p.exitCode() != 0 || streams.isEmpty())
        return info;
    info.ran = true;
    const QJsonObject s = streams.first().toObject();
    info.codec = s.value(QStringLiteral("codec_name")).toString();
    info.width = s.value(QStringLiteral("width")).toInt();
    info.height = s.value(QStringLiteral("height")).toInt();
    info.framesDecoded = s.value(QStringLiteral("nb_read_frames")).toString().toLongLong();
    info.packets = s.value(QStringLiteral("nb_read_packets")).toString().toLongLong();
    info.durationS = s.value(QStringLiteral("duration")).toString().toDouble();
    const QStringList rate =
        s.value(QStringLiteral("r_frame_rate")).toString().split(QLatin1Char('/'));
    if (rate.size() == 2 && rate[1].toDouble() > 0)
        info.frameRate = rate[0].toDouble() / rate[1].toDouble();
    return info;
}

inline bool HaveFfprobe()
{
    return !QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty();
}

// A JPEG picture of the given size whose content depends on `seed`: a
// textured background (so that it compresses like a camera picture) with a
// bright block and the seed written on it.
inline QByteArray MakeTestJpeg(int width, int height, int seed, int quality = 80)
{
    static thread_local QImage background;
    if (background.size() != QSize(width, height)) {
        background = QImage(width, height, QImage::Format_RGB32);
        quint32 noise = 12345;
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(background.scanLine(y));
            for (int x = 0; x < width; ++x) {
                noise = noise * 1664525u + 1013904223u;
                const int v =
                    ((x * 255 / std::max(1, width - 1)) + static_cast<int>(noise >> 28)) & 0xFF;
                line[x] = qRgb(v, (v + y) & 0xFF, 255 - v);
            }
        }
    }
    QImage image = background.copy();
    QPainter painter(&image);
    painter.fillRect((seed * 7) % std::max(1, width - width / 8), height / 3, width / 8, height / 8,
                     Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, width, height / 4), Qt::AlignCenter, QString::number(seed));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", quality);
    return bytes;
}

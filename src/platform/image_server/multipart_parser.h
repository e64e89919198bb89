// Splits a multipart/x-mixed-replace stream into its parts. Built to survive
// whatever a network sends: Content-Length is checked against the boundary
// (a lying length is ignored, unless it is over the part limit: that part is
// skipped unread), header blocks and parts are bounded, and after any damage
// the parser looks for the next boundary and goes on. Memory use stays
// bounded by the part limit plus one read.
#pragma once

#include <QByteArray>
#include <functional>

struct MultipartPart {
    QByteArray contentType;  // lower case, parameters removed
    QByteArray body;
    qint64 timestampUs = 0;   // X-Timestamp-Us, 0 when absent
    qint64 frameNumber = -1;  // X-Frame, -1 when absent
};

class MultipartParser {
public:
    // Far above any camera's picture (a 1280 x 720 JPEG at the best quality is
    // well under 1 MiB; the viewer's bound of a compressed picture is the
    // same), and small enough that reading a part up to it costs little.
    static constexpr qsizetype kMaxPartBytes = 4 * 1024 * 1024;
    static constexpr qsizetype kMaxHeaderBytes = 8 * 1024;

    enum class Damage { OversizedPart, OversizedHeader, MalformedHeader };

    // The boundary from a Content-Type value such as
    // `multipart/x-mixed-replace; boundary="abc"`; empty when there is none.
    static QByteArray BoundaryFrom(const QByteArray& contentType);

    explicit MultipartParser(const QByteArray& boundary, qsizetype maxPartBytes = kMaxPartBytes);

    std::function<void(MultipartPart&&)> onPart;
    std::function<void(Damage)> onDamage;

    void Feed(const char* data, qsizetype size);
    void Feed(const QByteArray& data) { Feed(data.constData(), data.size()); }
    // Bytes held while waiting for the rest of a part.
    qsizetype Buffered() const { return buf_.size(); }

private:
    enum class State { SeekBoundary, Headers, Body, Skip };
    void Run();
    // Finds the delimiter "--boundary" at the start of a line, from `from`.
    qsizetype FindDelimiter(qsizetype from) const;
    void EmitPart(qsizetype bodyEnd);

    QByteArray delim_;  // "--" + boundary
    qsizetype maxPart_;
    State state_ = State::SeekBoundary;
    QByteArray buf_;
    qsizetype scanFrom_ = 0;  // where the next delimiter search starts
    MultipartPart part_;
    qint64 length_ = -1;  // Content-Length of the current part
};

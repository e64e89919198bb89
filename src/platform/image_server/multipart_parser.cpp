#include "platform/image_server/multipart_parser.h"

#include <QList>
#include <algorithm>
#include <cstring>

QByteArray MultipartParser::BoundaryFrom(const QByteArray& contentType)
{
    const QByteArray lower = contentType.toLower();
    qsizetype i = lower.indexOf("boundary=");
    if (i < 0)
        return {};
    i += 9;
    QByteArray b;
    if (i < contentType.size() && contentType[i] == '"') {
        const qsizetype end = contentType.indexOf('"', i + 1);
        if (end < 0)
            return {};
        b = contentType.mid(i + 1, end - i - 1);
    } else {
        qsizetype end = i;
        while (end < contentType.size() && contentType[end] != ';' && contentType[end] != ' '
               && contentType[end] != '\t' && contentType[end] != ',')
            ++end;
        b = contentType.mid(i, end - i);
    }
    // Some servers repeat the leading dashes in the parameter.
    if (b.startsWith("--") && b.size() > 2)
        b = b.mid(2);
    if (b.size() > 200)
        return {};
    return b;
}

MultipartParser::MultipartParser(const QByteArray& boundary, qsizetype maxPartBytes)
    : delim_("--" + boundary), maxPart_(maxPartBytes)
{
}

qsizetype MultipartParser::FindDelimiter(qsizetype from) const
{
    for (;;) {
        const qsizetype i = buf_.indexOf(delim_, from);
        if (i < 0)
            return -1;
        if (i == 0 || buf_[i - 1] == '\n')
            return i;
        from = i + 1;
    }
}

void MultipartParser::Feed(const char* data, qsizetype size)
{
    while (size > 0) {
        // Never hold more than one part plus one read.
        const qsizetype n = std::min<qsizetype>(size, 256 * 1024);
        // Grown by doubling (appending to a long part must not copy it again each
        // time), never much past what a part may hold.
        if (buf_.capacity() - buf_.size() < n) {
            const qsizetype bound = maxPart_ + delim_.size() + 2 + 256 * 1024;
            buf_.reserve(std::max(buf_.size() + n, std::min(2 * buf_.capacity(), bound)));
        }
        buf_.append(data, n);
        data += n;
        size -= n;
        Run();
    }
}

void MultipartParser::EmitPart(qsizetype bodyEnd)
{
    part_.body = buf_.left(bodyEnd);
    // The line break before the delimiter belongs to the delimiter.
    if (part_.body.endsWith("\r\n"))
        part_.body.chop(2);
    else if (part_.body.endsWith('\n'))
        part_.body.chop(1);
    if (onPart)
        onPart(std::move(part_));
    part_ = MultipartPart{};
}

void MultipartParser::Run()
{
    for (;;) {
        switch (state_) {
        case State::SeekBoundary:
        case State::Skip: {
            const qsizetype i = FindDelimiter(scanFrom_);
            if (i < 0) {
                // Keep only a tail that could start a delimiter.
                const qsizetype keep = delim_.size() + 1;
                if (buf_.size() > keep)
                    buf_.remove(0, buf_.size() - keep);
                scanFrom_ = 0;
                return;
            }
            const qsizetype nl = buf_.indexOf('\n', i);
            if (nl < 0) {
                buf_.remove(0, i);
                scanFrom_ = 0;
                if (buf_.size() > delim_.size() + 256) {  // garbage after a delimiter: look further
                    scanFrom_ = 1;
                }
                return;
            }
            buf_.remove(0, nl + 1);
            scanFrom_ = 0;
            part_ = MultipartPart{};
            length_ = -1;
            state_ = State::Headers;
            break;
        }
        case State::Headers: {
            qsizetype end = -1;
            qsizetype lineStart = 0;
            // Header lines end at an empty line (CRLF or LF).
            for (;;) {
                const qsizetype nl = buf_.indexOf('\n', lineStart);
                if (nl < 0)
                    break;
                const qsizetype len =
                    nl - lineStart - (nl > lineStart && buf_[nl - 1] == '\r' ? 1 : 0);
                if (len == 0) {
                    end = nl + 1;
                    break;
                }
                lineStart = nl + 1;
            }
            if (end < 0) {
                if (buf_.size() > kMaxHeaderBytes) {
                    if (onDamage)
                        onDamage(Damage::OversizedHeader);
                    state_ = State::Skip;
                    scanFrom_ = 0;
                    continue;
                }
                return;
            }
            if (end > kMaxHeaderBytes) {
                if (onDamage)
                    onDamage(Damage::OversizedHeader);
                buf_.remove(0, end);
                state_ = State::Skip;
                scanFrom_ = 0;
                continue;
            }
            bool malformed = false;
            for (const QByteArray& rawLine : buf_.left(end).split('\n')) {
                const QByteArray line = rawLine.trimmed();
                if (line.isEmpty())
                    continue;
                const qsizetype colon = line.indexOf(':');
                if (colon <= 0) {
                    malformed = true;
                    continue;
                }
                const QByteArray name = line.left(colon).trimmed().toLower();
                const QByteArray value = line.mid(colon + 1).trimmed();
                bool ok = false;
                if (name == "content-type") {
                    QByteArray t = value.toLower();
                    const qsizetype semi = t.indexOf(';');
                    part_.contentType = (semi >= 0 ? t.left(semi) : t).trimmed();
                } else if (name == "content-length") {
                    const qint64 n = value.toLongLong(&ok);
                    length_ = ok && n >= 0 ? n : -1;
                } else if (name == "x-timestamp-us") {
                    const qint64 t = value.toLongLong(&ok);
                    part_.timestampUs = ok ? t : 0;
                } else if (name == "x-frame") {
                    const qint64 f = value.toLongLong(&ok);
                    part_.frameNumber = ok ? f : -1;
                }
            }
            if (malformed && onDamage)
                onDamage(Damage::MalformedHeader);
            buf_.remove(0, end);
            scanFrom_ = 0;
            if (length_ > maxPart_) {
                // Announced larger than any part may be: not read at all.
                if (onDamage)
                    onDamage(Damage::OversizedPart);
                part_ = MultipartPart{};
                state_ = State::Skip;
                continue;
            }
            state_ = State::Body;
            break;
        }
        case State::Body: {
            // Fast path: a length confirmed by the line break that must follow
            // the body (or by the delimiter itself). The part is handed on as
            // soon as it is complete, without waiting for the next delimiter.
            if (length_ >= 0) {
                const qsizetype n = buf_.size();
                if (n < length_ + 2) {
                    // Not all there yet; a delimiter earlier than the length
                    // says proves the length wrong.
                    const qsizetype early = FindDelimiter(scanFrom_);
                    if (early < 0) {
                        scanFrom_ = std::max<qsizetype>(0, n - delim_.size());
                        if (!(n == length_ + 1 && buf_[length_] == '\n'))
                            return;
                    } else {
                        EmitPart(early);
                        buf_.remove(0, early);
                        scanFrom_ = 0;
                        state_ = State::SeekBoundary;
                        break;
                    }
                }
                qsizetype at = -1;
                if (buf_[length_] == '\r' && buf_[length_ + 1] == '\n')
                    at = length_ + 2;
                else if (buf_[length_] == '\n')
                    at = length_ + 1;
                else if (n >= length_ + delim_.size()
                         && std::memcmp(buf_.constData() + length_, delim_.constData(),
                                        delim_.size())
                                == 0)
                    at = length_;
                if (at >= 0) {
                    part_.body = buf_.left(length_);
                    if (onPart)
                        onPart(std::move(part_));
                    part_ = MultipartPart{};
                    buf_.remove(0, at);
                    scanFrom_ = 0;
                    state_ = State::SeekBoundary;
                    break;
                }
                // The length lied: the delimiter decides.
                length_ = -1;
                scanFrom_ = 0;
            }
            const qsizetype i = FindDelimiter(scanFrom_);
            if (i >= 0) {
                if (i > maxPart_) {
                    if (onDamage)
                        onDamage(Damage::OversizedPart);
                } else {
                    EmitPart(i);
                }
                buf_.remove(0, i);
                scanFrom_ = 0;
                state_ = State::SeekBoundary;
                break;
            }
            if (buf_.size() > maxPart_ + delim_.size() + 2) {
                if (onDamage)
                    onDamage(Damage::OversizedPart);
                part_ = MultipartPart{};
                state_ = State::Skip;
                scanFrom_ = 0;
                continue;
            }
            scanFrom_ = std::max<qsizetype>(0, buf_.size() - delim_.size() - 1);
            return;
        }
        }
    }
}

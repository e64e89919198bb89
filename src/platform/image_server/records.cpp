#include "platform/image_server/records.h"

#include <QUrl>

Record ParseRecord(const QByteArray& text)
{
    Record out;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QString key = QString::fromUtf8(line.left(eq)).trimmed().toLower();
        if (key.isEmpty() || out.contains(key))
            continue;
        out.insert(key, QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(eq + 1))));
    }
    return out;
}

QByteArray FormatRecord(const Record& record)
{
    QByteArray out;
    for (auto it = record.cbegin(); it != record.cend(); ++it)
        out += it.key().toUtf8() + '=' + it.value().toUtf8().toPercentEncoding(" .,:/()-_~@+")
               + "\r\n";
    return out;
}

int RecordInt(const Record& record, const QString& key, int fallback)
{
    bool ok = false;
    const int v = record.value(key).trimmed().toInt(&ok);
    return ok ? v : fallback;
}

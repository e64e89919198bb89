// Records: the key=value text the camera protocol uses for identity,
// configuration and image settings (values percent-encoded UTF-8).
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

using Record = QMap<QString, QString>;

// Unknown or malformed lines are skipped; the first of repeated keys wins.
Record ParseRecord(const QByteArray& text);
QByteArray FormatRecord(const Record& record);
// Integer value of a key, `fallback` when absent or not a number.
int RecordInt(const Record& record, const QString& key, int fallback);

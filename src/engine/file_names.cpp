#include "engine/file_names.h"

QString StripFileChars(const QString& text)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (!forbidden.contains(c))
            out += c;
    return out;
}

#include "platform/video_viewer/viewer_auth.h"

#include <QCryptographicHash>

QString ViewerAuthString(const QString& user, const QString& password)
{
    const QByteArray text = user.toUtf8() + ':' + password.toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex());
}

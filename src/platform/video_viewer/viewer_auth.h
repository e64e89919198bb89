// The authentication string of a protocol-3 camera: what the video viewer's
// AuthString gives for the user name and password put on it, and what such a
// camera expects as the user name of a log-in (see docs/camera-protocol.md).
#pragma once

#include <QString>

// Lower-case hexadecimal SHA-256 of the UTF-8 text "<user>:<password>";
// 64 characters, so URL encoding leaves it unchanged.
QString ViewerAuthString(const QString& user, const QString& password);

// Reading what the operator posts on a camera's web pages: the settings page
// (an address containing "onfig1.htm") gives the camera's name, location,
// log-in, address, ports and address mode; any other post that holds a
// "Sys_ID" field gives the log-in, ports and address mode. Other posts are
// not the camera's settings.
//
// The body (application/x-www-form-urlencoded) is split into fields first
// and then each name and value is decoded ("+" a blank, %XX bytes as UTF-8,
// or Windows-1252 when they are not UTF-8; decimal character references), so
// a value may hold "&" and "=". Names are compared exactly; the first of
// repeated fields counts. A field that is absent keeps its default; the last
// field of a body is read to its end.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

struct WebPost {
    bool settingsPage = false;
    std::optional<QString> serverName;      // SRV_Name (settings page only)
    std::optional<QString> serverLocation;  // SRV_Location (settings page only)
    std::optional<QString> ipAddress;       // IP_Address (settings page only)
    QString userName;                       // Sys_ID
    QString password;                       // Sys_Password
    int secondPort = 0;                     // Second_Port
    int webSecond = 0;                      // Web_Second
    int imageSecond = 0;                    // Image_Second
    int ipAssign = 1;                       // IP_ASSIGN: 1 a manual address

    friend bool operator==(const WebPost&, const WebPost&) = default;
};

// What a navigation to `url` carrying `body` posts; nullopt when it posts
// none of the camera's settings (no body, or another page without Sys_ID).
std::optional<WebPost> ParseWebPost(const QString& url, const QByteArray& body);

// The leading number of a text as the settings read it: blanks skipped, a
// sign, digits with a decimal point and exponent, or "&H" hexadecimal; rounded
// to the nearest whole number (halves to even) and held to 32 bits; 0 when the
// text does not start with a number.
int LeadingNumber(const QString& text);

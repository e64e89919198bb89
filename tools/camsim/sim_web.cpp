// The simulated camera's own web pages (docs/camera-protocol.md, section 9):
// a home page and the settings page, whose form changes the camera's name,
// location, viewer account and address. Administrator's pages: they ask for
// the administrator's log-in when the camera has one.
#include "camera_server.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray Html(const QString& text) { return text.toHtmlEscaped().toUtf8(); }

QByteArray Page(const QString& title, const QByteArray& body)
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + Html(title)
           + "</title><style>body{font-family:sans-serif;margin:16px}"
             "label{display:inline-block;width:150px}p{margin:6px 0}"
             "h1{font-size:20px}</style></head><body>\n"
           + body + "\n</body></html>\n";
}

QString FormValue(const QUrlQuery& form, const char* key)
{
    return form.queryItemValue(QString::fromLatin1(key), QUrl::FullyDecoded);
}

}  // namespace

bool CameraServer::HandleWebPage(QTcpSocket* socket, const Request& req)
{
    const QByteArray& p = req.path;
    const bool home = p == "/" || p == "/Content.htm";
    const bool settings = p == "/Config1.htm";
    if (!home && !settings)
        return false;
    if (!Authorised(socket, req, true))
        return true;
    const QByteArray html = "text/html; charset=utf-8";
    if (home) {
        Respond(
            socket, 200,
            Page(config_.name,
                 "<h1>" + Html(config_.name) + "</h1><p>Model " + Html(config_.model)
                     + ", firmware " + Html(config_.fwVersion)
                     + "</p><p>Location: " + Html(config_.location)
                     + "</p><p><a id=\"settings\" href=\"Config1.htm\">Camera settings</a></p>"),
            html);
        return true;
    }
    QByteArray notice;
    QString moveTo;
    if (req.method == "POST") {
        // Form encoding: "+" is a blank.
        const QUrlQuery form(QString::fromUtf8(QByteArray(req.body).replace('+', ' ')));
        const QString password = FormValue(form, "Sys_Password");
        if (password != FormValue(form, "Verify_Password")) {
            notice = "<p id=\"notice\">The passwords differ; nothing was changed.</p>";
        } else {
            ++webPosts_;
            config_.name = FormValue(form, "SRV_Name").left(64);
            config_.location = FormValue(form, "SRV_Location").left(64);
            config_.user = FormValue(form, "Sys_ID");
            config_.password = password;
            for (const char* key : {"Second_Port", "Web_Second", "Image_Second"})
                webFields_.insert(key, FormValue(form, key));
            const bool manual = FormValue(form, "IP_ASSIGN") == QLatin1String("1");
            const QString ip = FormValue(form, "IP_Address");
            if (!manual) {
                pending_ = {true, config_.address, config_.mask, config_.gateway, true};
            } else if (ip != config_.address) {
                pending_ = {true, ip, FormValue(form, "Subnet_Mask"), FormValue(form, "Gateway"),
                            false};
            }
            notice = "<p id=\"notice\">Saved.</p>";
            moveTo = pending_.valid ? pending_.ip : QString();
            Log(QStringLiteral("settings page posted: name %1").arg(config_.name));
        }
    } else if (req.method != "GET") {
        Respond(socket, 405, "GET or POST\r\n");
        return true;
    }
    const bool dhcp = (netFlags_ & ((1u << 1) | (1u << 10))) == ((1u << 1) | (1u << 10));
    const auto field = [](const char* label, const char* name, const QString& value,
                          const char* type = "text") {
        return QByteArray("<p><label>") + label + "</label><input type=\"" + type + "\" name=\""
               + name + "\" id=\"" + name + "\" value=\"" + Html(value) + "\"></p>\n";
    };
    QByteArray form = "<form method=\"post\" action=\"Config1.htm\">\n";
    form += field("Camera name", "SRV_Name", config_.name);
    form += field("Location", "SRV_Location", config_.location);
    form += field("User name", "Sys_ID", config_.user);
    form += field("Password", "Sys_Password", config_.password, "password");
    form += field("Verify password", "Verify_Password", config_.password, "password");
    form += QByteArray("<p><label>Address</label><input type=\"radio\" name=\"IP_ASSIGN\" "
                       "value=\"1\"")
            + (dhcp ? "" : " checked")
            + "> fixed <input type=\"radio\" name=\"IP_ASSIGN\" value=\"0\""
            + (dhcp ? " checked" : "") + "> DHCP</p>\n";
    form += field("IP address", "IP_Address", config_.address);
    form += field("Subnet mask", "Subnet_Mask", config_.mask);
    form += field("Gateway", "Gateway", config_.gateway);
    form += field("Second port (0/1)", "Second_Port",
                  webFields_.value("Second_Port", QStringLiteral("0")));
    form +=
        field("Web second port", "Web_Second", webFields_.value("Web_Second", QStringLiteral("0")));
    form += field("Image second port", "Image_Second",
                  webFields_.value("Image_Second", QStringLiteral("0")));
    form +=
        "<p><input type=\"submit\" name=\"Config1\" id=\"Config1\" value=\"Apply\"></p>\n</form>";
    Respond(socket, 200,
            Page(QStringLiteral("Settings"), "<h1>Camera settings</h1>" + notice + form), html);
    if (!moveTo.isEmpty())
        QTimer::singleShot(500, this, [this] { ApplyPending(); });
    return true;
}

// Reading the camera's settings from what its web pages post.
#include "discovery/web_post.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

const QString kSettings = QStringLiteral("http://127.0.0.2:8481/Config1.htm");
const QString kOther = QStringLiteral("http://127.0.0.2:8481/Users.htm");

TEST(WebPost, TheSettingsArePostedFieldByField)
{
    const QByteArray form =
        "SRV_Name=Front+door&SRV_Location=Hall&Sys_ID=ann&Sys_Password=pw&Verify_Password=pw"
        "&IP_ASSIGN=1&IP_Address=127.0.0.9&Subnet_Mask=255.0.0.0&Gateway=127.0.0.1"
        "&Second_Port=1&Web_Second=8080&Image_Second=8090&Config1=Apply";
    WebPost plain;
    plain.settingsPage = true;
    plain.serverName = QStringLiteral("Front door");
    plain.serverLocation = QStringLiteral("Hall");
    plain.ipAddress = QStringLiteral("127.0.0.9");
    plain.userName = QStringLiteral("ann");
    plain.password = QStringLiteral("pw");
    plain.secondPort = 1;
    plain.webSecond = 8080;
    plain.imageSecond = 8090;
    plain.ipAssign = 1;

    struct Case {
        const char* name;
        QString url;
        QByteArray body;
        std::optional<WebPost> want;
    };
    std::vector<Case> cases;
    cases.push_back({"a plain post of the settings page", kSettings, form, plain});
    {
        WebPost w = plain;
        w.serverName = QStringLiteral("A&B=C");
        w.password = QStringLiteral("p&w=1%");
        cases.push_back({"values holding & and = survive", kSettings,
                         QByteArray(form)
                             .replace("SRV_Name=Front+door", "SRV_Name=A%26B%3DC")
                             .replace("Sys_Password=pw", "Sys_Password=p%26w%3D1%25"),
                         w});
    }
    {
        WebPost w = plain;
        w.ipAssign = 0;
        cases.push_back({"IP_ASSIGN as the last field is read to the end", kSettings,
                         QByteArray(form).replace("&IP_ASSIGN=1", "") + "&IP_ASSIGN=0", w});
    }
    {
        WebPost w = plain;
        w.ipAssign = 1;
        w.serverName.reset();
        cases.push_back(
            {"absent fields keep their defaults (no name: the slot keeps its own)", kSettings,
             QByteArray(form).replace("&IP_ASSIGN=1", "").replace("SRV_Name=Front+door&", ""), w});
    }
    {
        WebPost w = plain;
        w.serverName = QStringLiteral("\u4E2D\u00e9 &#20013;");
        cases.push_back(
            {"UTF-8 escapes and character references are decoded once", kSettings,
             QByteArray(form).replace("SRV_Name=Front+door",
                                      "SRV_Name=%26%2320013%3B%C3%A9+%26%230038%3B%2320013%3B"),
             w});
    }
    cases.push_back({"an empty body (a plain navigation)", kSettings, {}, std::nullopt});
    cases.push_back({"another page without Sys_ID", kOther, "Name=x&Value=y", std::nullopt});
    {
        WebPost w;
        w.userName = QStringLiteral("bob");
        w.password = QStringLiteral("s");
        w.webSecond = 81;
        cases.push_back(
            {"another page with Sys_ID gives the log-in and ports only", kOther,
             "SRV_Name=ignored&IP_Address=1.2.3.4&Sys_ID=bob&Sys_Password=s&Web_Second=81", w});
    }
    {
        WebPost w = plain;
        w.userName = QStringLiteral("first");
        cases.push_back({"the first of repeated fields counts; keys are whole names", kSettings,
                         "DNS_Sys_ID=no&" + QByteArray(form).replace("Sys_ID=ann", "Sys_ID=first")
                             + "&Sys_ID=second",
                         w});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseWebPost(c.url, c.body), c.want);
    }
}

TEST(WebPost, NumbersAreReadAsTheirLeadingNumber)
{
    const std::pair<const char*, int> cases[] = {
        {"8080", 8080},
        {"  42abc", 42},
        {"-7", -7},
        {"2.5", 2},
        {"3.5", 4},
        {"1e3", 1000},
        {"&H1F", 31},
        {"abc", 0},
        {"", 0},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
        {"1e", 1},
    };
    for (const auto& [text, want] : cases)
        EXPECT_EQ(LeadingNumber(QString::fromLatin1(text)), want) << text;
}

}  // namespace

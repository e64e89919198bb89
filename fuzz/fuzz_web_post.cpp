// What a camera's web page posts is typed by anyone who can reach the page:
// reading it must never fail, and what it yields must hold together.
#include "discovery/web_post.h"

#include <cstdint>
#include <cstdlib>

namespace {
void Require(bool condition)
{
    if (!condition)
        std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QString& url : {QStringLiteral("http://127.0.0.2/Config1.htm"),
                               QStringLiteral("http://127.0.0.2/Other.htm")}) {
        const auto post = ParseWebPost(url, body);
        if (!post)
            continue;
        Require(!body.isEmpty());
        Require(post->settingsPage == url.contains(QStringLiteral("onfig1.htm")));
        if (!post->settingsPage) {
            Require(!post->serverName && !post->serverLocation && !post->ipAddress);
        }
        // Decoding never makes a value longer than the body it came from.
        for (const QString* text : {&post->userName, &post->password})
            Require(text->size() <= body.size());
        // Every field read again from its own decoded text gives the same number.
        Require(LeadingNumber(QString::number(post->webSecond)) == post->webSecond);
    }
    return 0;
}

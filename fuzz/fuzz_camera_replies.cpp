// Feeds arbitrary bytes to the readers of what a camera answers besides the
// stream: authentication challenges (then builds an answer from them),
// records, and the boundary of a stream's content type.
#include "platform/image_server/http_auth.h"
#include "platform/image_server/multipart_parser.h"
#include "platform/image_server/records.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray in(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<AuthChallenge> challenges = ParseChallenges(in.split('\n'));
    HttpAuthenticator auth;
    auth.SetCredentials(QStringLiteral("admin"), QStringLiteral("pw"));
    if (auth.Accept(challenges)) {
        const QByteArray h = auth.Authorization("GET", "/api/stream.mjpg");
        if (h.isEmpty() || h.contains('\n') || h.contains('\r'))
            std::abort();  // a header line must never be split by what a camera sent
    }
    const Record r = ParseRecord(in);
    const Record again = ParseRecord(FormatRecord(r));
    if (again != r)
        std::abort();
    const QByteArray b = MultipartParser::BoundaryFrom(in);
    if (b.size() > 200)
        std::abort();
    return 0;
}

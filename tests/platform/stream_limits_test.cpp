// A camera cannot make the client read without end: a stream part or part
// header larger than any picture ends the connection at once, with the
// damaged-picture report, and the next attempt waits its pause as usual.
// Measured by the bytes the client reads, against a camera on loopback that
// would send for ever.
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/stream_session.h"
#include "support/camsim_process.h"
#include "support/endless_camera.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(StreamLimits, AnEndlessPartEndsTheConnectionAfterABoundedRead)
{
    struct Case {
        const char* name;
        EndlessCamera::Kind kind;
        quint64 maxBytesPerAttempt;  // what the client may read before it gives up
    };
    constexpr quint64 kRead = 256 * 1024;  // one read of the stream
    const Case cases[] = {
        {"2 GB length", EndlessCamera::Kind::HugeLength, kRead},
        {"no boundary", EndlessCamera::Kind::NoBoundary,
         quint64(MultipartParser::kMaxPartBytes) + kRead},
        {"endless part header", EndlessCamera::Kind::EndlessHeader,
         quint64(MultipartParser::kMaxHeaderBytes) + kRead},
    };
    constexpr int kPauseMs = 400;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EndlessCamera camera(c.kind);
        ASSERT_GT(camera.port(), 0);
        StreamOptions options;
        options.endpoint.host = QStringLiteral("127.0.0.1");
        options.endpoint.port = camera.port();
        options.backoffMs = {kPauseMs};
        QObject receiver;
        std::vector<int> codes;
        StreamSession::Callbacks callbacks;
        callbacks.status = [&](int code) { codes.push_back(code); };
        auto session = std::make_shared<StreamSession>(options, &receiver, callbacks);
        session->Start();
        // Two attempts, each ended by the client.
        ASSERT_TRUE(WaitUntil([&] { return camera.closedByClient() >= 2; }, 10000))
            << camera.closedByClient() << " connections ended";
        session->Stop(2000);
        QCoreApplication::processEvents();
        EXPECT_LE(session->bytesRead.load(), 2 * c.maxBytesPerAttempt);
        // Reported once as damage, once as the loss of the pictures, not at every attempt.
        EXPECT_EQ(codes, (std::vector<int>{NotifyCode::Connecting, NotifyCode::FrameDropped,
                                           NotifyCode::ConnectionLost}));
        EXPECT_EQ(session->partsDamaged.load(), 2u);
        EXPECT_EQ(session->framesReceived.load(), 0u);
        // The pause between the attempts stays.
        EXPECT_GE(camera.msBetweenFirstTwo(), kPauseMs);
    }
}

}  // namespace

#include "platform/image_server/alarm_output.h"

#include "platform/image_server/image_server.h"
#include "platform/image_server/request_queue.h"

namespace {
constexpr int kAlarmMaxPending = 1;
}  // namespace

void QueueAlarmSwitch(RequestQueue& queue, const CameraEndpoint& ep,
                      std::shared_ptr<HttpAuthenticator> auth)
{
    queue.Push(
        [ep, auth = std::move(auth)](const CancelToken& cancel) -> std::function<void()> {
            HttpRequest(ep, *auth, "GET", "/api/alarm?out=1", ImageServer::requestTimeoutMs(),
                        &cancel);
            return {};
        },
        kAlarmRequestKind, kAlarmMaxPending);
}

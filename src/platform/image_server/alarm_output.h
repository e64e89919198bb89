// Switching a camera's alarm output on for a motion report: the one request
// that the image server and the video viewer both send when the alarm bit of
// their flag word is set (docs/camera-protocol.md 4.5).
#pragma once

#include "platform/image_server/http_client.h"

#include <memory>

class RequestQueue;

// The kind of the switch among a request queue's jobs; the other jobs of the
// same queue use other kinds.
constexpr int kAlarmRequestKind = 2;

// Queues `GET /api/alarm?out=1` to the camera at `ep`, bounded as every camera
// request of the image server (requestTimeoutMs). The camera keeps its
// output on for its own alarm time from the last switch, so every motion
// report switches again, and a switch still waiting makes another one
// needless: at most one waits. The answer is not read, on the queue's thread:
// a camera without an alarm output answers 403, one that cannot be reached
// fails, and the motion is reported all the same.
void QueueAlarmSwitch(RequestQueue& queue, const CameraEndpoint& ep,
                      std::shared_ptr<HttpAuthenticator> auth);

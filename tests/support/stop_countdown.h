// The stop that the camera fakes model: a camera object that keeps running for
// a set number of polls after stop(), as a real stream winding down does.
// FakeImageServer polls through isRunning(), FakeWisViewer through state().
#pragma once

struct StopCountdown {
    // Polls that still answer "running" after stop(); -1 = never stops.
    int stopLatencyPolls = 0;
    mutable bool running = false;
    mutable bool stopping = false;
    mutable int pollsLeft = 0;  // -1: never

    void StartRunning()
    {
        running = true;
        stopping = false;
    }
    void BeginStop()
    {
        if (!running || stopping)
            return;  // a stop under way keeps its countdown
        if (stopLatencyPolls == 0) {
            running = false;
        } else {
            stopping = true;
            pollsLeft = stopLatencyPolls;
        }
    }
    // One poll: counts down a stop under way; true while still running.
    bool PollRunning() const
    {
        if (running && stopping) {
            if (pollsLeft == 0) {
                running = false;
                stopping = false;
            } else if (pollsLeft > 0) {
                --pollsLeft;
            }
        }
        return running;
    }
};

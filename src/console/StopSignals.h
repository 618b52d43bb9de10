// The signals that end `watch` (SIGINT, SIGTERM, SIGHUP), taken only where the loop waits
// for them.
#pragma once

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/posix/PosixFd.h"

class CStopSignals {
public:
    // Blocks the stop signals for the lifetime of the object, so that they stay pending
    // during a sync cycle instead of ending the process in the middle of it.
    CStopSignals();
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;
    ~CStopSignals();

    // Waits up to `timeout` for a stop signal (one that arrived earlier is taken at once) or
    // for one of `descriptors` to turn readable. Returns the signal's number, or 0 when the
    // time ran out, a descriptor is readable or the wait was interrupted otherwise.
    int Wait(std::chrono::nanoseconds timeout,
             const std::vector<std::intptr_t>& descriptors = {}) const;
    // "SIGINT", "SIGTERM" or "SIGHUP".
    static const char* Name(int signal);

private:
    sigset_t m_signals;
    sigset_t m_previous;
    // Delivers the blocked stop signals, so that one wait covers them and the descriptors.
    CPosixFd m_signalFd;
};

// How long to wait before the next download of an address: the check interval while the
// downloads succeed, longer after failures, and never before the server's Retry-After.
#pragma once

class CPollSchedule {
public:
    // Addresses are checked at most this often, in seconds; a smaller interval is raised.
    static constexpr int kMinimumInterval = 60;
    // The longest wait that consecutive failures lead to, in seconds (unless the interval
    // itself is longer).
    static constexpr int kMaximumBackoff = 3600;
    // The longest Retry-After honoured, in seconds; a server cannot stop the polling for good.
    static constexpr int kMaximumRetryAfter = 24 * 3600;

    // A download succeeded (a body or 304): the failures are forgotten. Returns `interval`.
    int OnSuccess(int interval);
    // A download failed: returns the wait, in seconds, before the next one. The n-th failure
    // in a row waits interval × 2^n, at most kMaximumBackoff but never less than the
    // interval; a `retryAfter` (seconds, -1 when none) lengthens the wait to it, up to
    // kMaximumRetryAfter.
    int OnFailure(int interval, int retryAfter);
    // Failures since the last success.
    int GetFailures() const { return m_failures; }

private:
    int m_failures = 0;
};

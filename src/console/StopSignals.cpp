#include "StopSignals.h"

#include <ctime>

CStopSignals::CStopSignals() {
    sigemptyset(&m_signals);
    sigaddset(&m_signals, SIGINT);
    sigaddset(&m_signals, SIGTERM);
    sigaddset(&m_signals, SIGHUP);
    sigprocmask(SIG_BLOCK, &m_signals, &m_previous);
}

CStopSignals::~CStopSignals() {
    sigprocmask(SIG_SETMASK, &m_previous, nullptr);
}

int CStopSignals::Wait(std::chrono::nanoseconds timeout) const {
    if (timeout.count() < 0) timeout = std::chrono::nanoseconds(0);
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
    timespec wait{};
    wait.tv_sec = static_cast<time_t>(seconds.count());
    wait.tv_nsec = static_cast<long>((timeout - seconds).count());
    const int signal = sigtimedwait(&m_signals, nullptr, &wait);
    return signal > 0 ? signal : 0;
}

const char* CStopSignals::Name(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "a signal";
    }
}

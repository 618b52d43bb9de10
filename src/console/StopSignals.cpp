#include "StopSignals.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <ctime>

CStopSignals::CStopSignals() {
    sigemptyset(&m_signals);
    sigaddset(&m_signals, SIGINT);
    sigaddset(&m_signals, SIGTERM);
    sigaddset(&m_signals, SIGHUP);
    sigprocmask(SIG_BLOCK, &m_signals, &m_previous);
    m_signalFd = CPosixFd(signalfd(-1, &m_signals, SFD_CLOEXEC | SFD_NONBLOCK));
}

CStopSignals::~CStopSignals() {
    sigprocmask(SIG_SETMASK, &m_previous, nullptr);
}

int CStopSignals::Wait(std::chrono::nanoseconds timeout,
                       const std::vector<std::intptr_t>& descriptors) const {
    if (timeout.count() < 0) timeout = std::chrono::nanoseconds(0);
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
    timespec wait{};
    wait.tv_sec = static_cast<time_t>(seconds.count());
    wait.tv_nsec = static_cast<long>((timeout - seconds).count());
    if (!m_signalFd.IsValid()) {
        // Without a signal descriptor the signals alone can be waited for.
        const int signal = sigtimedwait(&m_signals, nullptr, &wait);
        return signal > 0 ? signal : 0;
    }
    std::vector<pollfd> fds{{m_signalFd.Get(), POLLIN, 0}};
    for (const std::intptr_t fd : descriptors) fds.push_back({static_cast<int>(fd), POLLIN, 0});
    if (ppoll(fds.data(), fds.size(), &wait, nullptr) <= 0 || (fds[0].revents & POLLIN) == 0) {
        return 0;
    }
    signalfd_siginfo info{};
    if (::read(m_signalFd.Get(), &info, sizeof info) != static_cast<ssize_t>(sizeof info)) {
        return 0;
    }
    return static_cast<int>(info.ssi_signo);
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

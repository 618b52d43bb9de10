#include "WatchCommand.h"

#include <signal.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <optional>

#include "ConsoleFeedView.h"
#include "app/FeedController.h"

namespace {

struct SWatchOptions {
    std::optional<std::string> shared;
    std::optional<std::string> feed;
    std::optional<int> mode;
    std::optional<int> interval;
};

// A whole decimal int, optionally signed; nothing else.
bool ParseInt(const std::string& text, int& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || parsed < INT_MIN || parsed > INT_MAX) return false;
    value = static_cast<int>(parsed);
    return true;
}

bool ParseOptions(const std::vector<std::string>& args, SWatchOptions& options) {
    for (std::size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return false;
        const std::string& option = args[i];
        const std::string& value = args[i + 1];
        if (option == "--shared") {
            options.shared = value;
        } else if (option == "--feed") {
            options.feed = value;
        } else if (option == "--mode" && (value == "add" || value == "replace")) {
            options.mode = value == "add" ? 0 : 1;
        } else if (option == "--interval") {
            int interval = 0;
            if (!ParseInt(value, interval)) return false;
            options.interval = interval;
        } else {
            return false;
        }
    }
    return true;
}

// Blocks SIGINT and SIGTERM for the lifetime of the object, so that they are taken only
// where the loop waits for them and never in the middle of a sync cycle.
class CStopSignals {
public:
    CStopSignals() {
        sigemptyset(&m_signals);
        sigaddset(&m_signals, SIGINT);
        sigaddset(&m_signals, SIGTERM);
        sigprocmask(SIG_BLOCK, &m_signals, &m_previous);
    }
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;
    ~CStopSignals() { sigprocmask(SIG_SETMASK, &m_previous, nullptr); }

    // Waits up to `timeout` for a stop signal; true when one arrived.
    bool Wait(std::chrono::nanoseconds timeout) const {
        if (timeout.count() < 0) timeout = std::chrono::nanoseconds(0);
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
        timespec wait{};
        wait.tv_sec = static_cast<time_t>(seconds.count());
        wait.tv_nsec = static_cast<long>((timeout - seconds).count());
        return sigtimedwait(&m_signals, nullptr, &wait) >= 0;
    }

private:
    sigset_t m_signals;
    sigset_t m_previous;
};

}  // namespace

int CWatchCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    SWatchOptions options;
    if (!ParseOptions(args, options)) return kBadArguments;

    const CStopSignals stopSignals;
    CConsoleFeedView view(&out);
    CFeedController controller(view);
    controller.LoadStartupSettings();
    CFeedSettings& settings = controller.m_Settings;
    if (options.shared) settings.SharedFilePath = *options.shared;
    if (options.feed) settings.FeedFilePath = *options.feed;
    if (options.mode) settings.SyncMode = *options.mode;
    if (options.interval) settings.CheckFeedInterval = *options.interval;

    if (!controller.StartFeedIfConfigured()) {
        controller.Close();
        err << "zelvarofeed: the feed stays off until both the shared file and the feed file "
               "are set (--shared, --feed)\n";
        return kExitFailed;
    }

    using Clock = std::chrono::steady_clock;
    const std::chrono::milliseconds period(view.GetTimerPeriod());
    Clock::time_point due = Clock::now() + period;
    for (;;) {
        if (stopSignals.Wait(due - Clock::now())) break;
        if (Clock::now() < due) continue;  // woken early by something else
        controller.RunSyncCycle();
        // Like a window timer: ticks missed during a long cycle collapse into one.
        due += period;
        const Clock::time_point now = Clock::now();
        if (due < now) due = now;
    }
    controller.Close();
    return kExitOk;
}

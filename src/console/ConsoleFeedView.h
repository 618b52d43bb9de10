// The feed controller's front-end in a terminal: controls are plain values, the status
// field is printed, and the timer is a period that the command's own loop waits for.
#pragma once

#include <map>
#include <ostream>
#include <string>

#include "app/FeedView.h"

class CConsoleFeedView : public CFeedView {
public:
    // `statusOut`: where each status text goes as "YYYY-MM-DD HH:MM:SS  text" in local time;
    // nullptr prints nothing. REQUIRES: the stream outlives the view.
    explicit CConsoleFeedView(std::ostream* statusOut = nullptr) : m_statusOut(statusOut) {}

    std::string GetControlText(EFeedControl control) override;
    void SetControlText(EFeedControl control, const std::string& text) override;
    bool IsControlChecked(EFeedControl control) override;
    void SetControlChecked(EFeedControl control, bool checked) override;
    // Nothing to enable in a terminal.
    void EnableControl(EFeedControl, bool) override {}
    // Always succeeds with identifier 1.
    unsigned int StartTimer(unsigned int periodMs) override;
    void StopTimer(unsigned int timerId) override;

    // "YYYY-MM-DD HH:MM:SS  text", the time being the local time now.
    static std::string Stamp(const std::string& text);

    // The last status text ("" before the first).
    std::string GetStatus() const { return GetText(EFeedControl::Status); }
    bool IsTimerRunning() const { return m_timerRunning; }
    // Milliseconds between two ticks of the running timer.
    unsigned int GetTimerPeriod() const { return m_timerPeriodMs; }

private:
    std::string GetText(EFeedControl control) const;

    std::ostream* m_statusOut;
    std::map<EFeedControl, std::string> m_texts;
    std::map<EFeedControl, bool> m_checked;
    bool m_timerRunning = false;
    unsigned int m_timerPeriodMs = 0;
};

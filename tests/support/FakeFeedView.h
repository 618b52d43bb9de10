// A CFeedView without a window: it keeps the controls' texts, check marks and enabled
// states, and records every status text and timer call, for driving CFeedController.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/FeedView.h"

class CFakeFeedView : public CFeedView {
public:
    struct TimerCall {
        bool start;          // StartTimer, or StopTimer
        unsigned int value;  // the period in milliseconds, or the identifier stopped
    };

    std::string GetControlText(EFeedControl control) override;
    // Texts set on EFeedControl::Status are also appended to m_statuses.
    void SetControlText(EFeedControl control, const std::string& text) override;
    bool IsControlChecked(EFeedControl control) override;
    void SetControlChecked(EFeedControl control, bool checked) override;
    void EnableControl(EFeedControl control, bool enable) override;
    // Returns m_nextTimerId (0 simulates a refused timer) and counts it up unless 0.
    unsigned int StartTimer(unsigned int periodMs) override;
    void StopTimer(unsigned int timerId) override;
    bool ShowsSubscriptions() const override { return m_showsSubscriptions; }

    // The current status text ("" before the first).
    std::string Status() const { return m_statuses.empty() ? std::string() : m_statuses.back(); }
    // Controls never enabled or disabled count as enabled.
    bool IsEnabled(EFeedControl control) const;

    std::map<EFeedControl, std::string> m_texts;
    std::map<EFeedControl, bool> m_checked;
    std::map<EFeedControl, bool> m_enabled;
    std::vector<EFeedControl> m_enableOrder;  // every EnableControl call, in order
    std::vector<std::string> m_statuses;
    std::vector<TimerCall> m_timerCalls;
    unsigned int m_nextTimerId = 1;
    // As the window with its list of subscriptions, which has no feed path or interval.
    bool m_showsSubscriptions = false;
};

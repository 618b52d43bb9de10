// What the feed controller needs of its front-end: the setting controls, the status field
// and the timer. The Windows dialog, the console program and tests implement it.
#pragma once

#include <string>

enum class EFeedControl {
    SharedFile = 1001,
    BrowseShared = 1002,
    FeedFile = 1003,
    BrowseFeed = 1004,
    Interval = 1005,
    EnableFeed = 1006,
    Status = 1007,
    ModeAdd = 1008,
    ModeReplace = 1009,
    // The list of subscriptions and its buttons, where a front-end shows the list in place of
    // the one feed's FeedFile, BrowseFeed and Interval (CFeedView::ShowsSubscriptions).
    Subscriptions = 1010,
    AddFeed = 1011,
    EditFeed = 1012,
    RemoveFeed = 1013,
};

class CFeedView {
public:
    virtual ~CFeedView() = default;

    virtual std::string GetControlText(EFeedControl control) = 0;
    virtual void SetControlText(EFeedControl control, const std::string& text) = 0;
    virtual bool IsControlChecked(EFeedControl control) = 0;
    virtual void SetControlChecked(EFeedControl control, bool checked) = 0;
    virtual void EnableControl(EFeedControl control, bool enable) = 0;
    // Starts the periodic timer with identifier 1; returns the identifier to stop it with
    // (0 on failure). `periodMs` already lies within what the timer accepts.
    virtual unsigned int StartTimer(unsigned int periodMs) = 0;
    virtual void StopTimer(unsigned int timerId) = 0;
    // True for a front-end that shows the list of subscriptions, changed through the
    // controller's operations on it, instead of the one feed's path and interval controls:
    // the controller then neither reads nor fills those.
    virtual bool ShowsSubscriptions() const { return false; }
};

// The calendar's subscriptions in the user's order, kept in Settings.ini as the sections
// "Feed 1", "Feed 2", ... beside "Settings".
#pragma once

#include <string>
#include <vector>

#include "app/Subscription.h"

class CIniDocument;

class CSubscriptionList {
public:
    // The keys of the previous version's single feed in the section "Settings".
    static constexpr const char* kLegacyFeedFilePath = "FeedFilePath";

    // Reads the sections "Feed N" (N a decimal number; others are no subscriptions and stay
    // as they are) in the order of N. A section without Source is dropped. A missing name
    // becomes CSubscription::DefaultName of the source, and a name that an earlier one has
    // already (letter case ignored) gets " (2)", " (3)", ... appended.
    // Without any such section, a non-empty FeedFilePath in `settingsSection` is the previous
    // version's one feed: it becomes the one subscription, named after its file or host, with
    // the interval, last feed time, CA file, validators and digest of that section. Returns
    // true when it took the feed over that way.
    bool Read(const CIniDocument& document, const std::string& settingsSection);
    // Replaces the sections "Feed N" of `document` with Items as "Feed 1" .. "Feed n" and
    // removes the previous version's feed keys from `settingsSection`.
    void Write(CIniDocument& document, const std::string& settingsSection) const;

    // The index of the subscription named `name` (letter case ignored); -1 when none.
    int IndexOf(const std::string& name) const;
    // The index of the subscription of `source` (exact text); -1 when none.
    int IndexOfSource(const std::string& source) const;
    // `wanted`, or it with " (2)", " (3)", ... appended, whichever no other subscription than
    // the one at `except` has.
    std::string UniqueName(const std::string& wanted, int except = -1) const;
    // Takes over, for each subscription of this list, what the same source's subscription in
    // `running` kept of its syncs (last feed time, validators, digest, last sync and status,
    // import counts, applied choices): a list read again from the file after other programs
    // changed it keeps their changes and the running program's state.
    void TakeStateFrom(const CSubscriptionList& running);
    // The number of enabled subscriptions.
    int EnabledCount() const;
    // With several subscriptions the calendar syncs in add mode: the sentence that says so
    // ("With 3 subscriptions the calendar syncs in add mode ..."); empty for at most one.
    std::string ModeNote() const;
    // The section of the subscription at `index`: "Feed " and index + 1.
    static std::string SectionName(std::size_t index);

    std::vector<CSubscription> Items;
};

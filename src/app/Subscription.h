// One subscription of the calendar: a feed (a file or an address), the user's choices for
// its events, and what the cycle keeps of its last import. Kept in Settings.ini as a section
// "Feed N".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "datetime/DateTime.h"
#include "sync/ImportChoices.h"

class CIniDocument;

// What a list of the subscriptions shows of one, as texts.
struct SSubscriptionRow {
    std::string Name;
    std::string Source;    // any password of an address masked
    std::string Status;    // the last status; a disabled one says so first
    std::string LastSync;  // local time "YYYY-MM-DD HH:MM:SS", or "never"
};

// File form of a section (defaults for a missing key or an empty value):
//   Name, Source, CaFile, Color, Category   escaped text              ""
//   Enabled, IgnoreAlarms, IgnoreDescription 0/1                      1, 0, 0
//   Interval                                "%d" seconds              30
//   Reminder, AllDayReminder                "%d" minutes              "" (none)
//   LastFeedFileTime                        "%Y %m %d %H %M %S"       2000 01 01 00 00 00
//   ETag, LastModified, Sha256              escaped text              ""
//   LastSync                                "%Y %m %d %H %M %S" local ""  (never)
//   LastStatus                              escaped text              ""
//   Imported                                "%d" GUIDs of last import "" (unknown)
//   LeftAlone                               "%d" of them owned by an earlier one  0
//   Applied                                 the choices of the last import (FormatApplied)
// Other keys of the section are kept as they stand.
class CSubscription {
public:
    // The key of the source address (without its password where that is kept encrypted).
    static constexpr const char* kSourceKey = "Source";
    // The key of the address's password, encrypted for the user where the system can
    // (CPlatform::ProtectSecret); the settings store reads and writes it, not this record.
    static constexpr const char* kSourcePassword = "SourcePasswordProtected";
    static constexpr std::int32_t kDefaultInterval = 30;
    // The least interval in seconds of a file and of an address.
    static constexpr std::int32_t kMinimumFileInterval = 5;
    static constexpr std::int32_t kMinimumAddressInterval = 60;

    std::string Name;
    std::string Source;  // a file path or an http/https/webcal/webcals address
    bool Enabled = true;
    std::int32_t Interval = kDefaultInterval;
    std::string CaFile;
    std::string Color;  // a CSS3 colour name or "#RRGGBB"; empty: none
    std::string Category;
    std::optional<std::int32_t> Reminder;
    std::optional<std::int32_t> AllDayReminder;
    bool IgnoreAlarms = false;
    bool IgnoreDescription = false;

    CDateTime LastFeedFileTime = CDateTime(2000, 1, 1);  // UTC, to the second
    std::string ETag;
    std::string LastModified;
    std::string Sha256;
    std::optional<CDateTime> LastSync;  // local time of the last check
    std::string LastStatus;
    std::optional<std::int32_t> Imported;
    // Events of the last import left to an earlier subscription that carries them too.
    std::int32_t LeftAlone = 0;
    SImportChoices Applied;  // the choices that the last successful import applied

    // Keys of the section that are none of the above, with their stored (escaped) values.
    std::vector<std::pair<std::string, std::string>> OtherKeys;

    // Reads the section `section` of `document`.
    void Read(const CIniDocument& document, const std::string& section);
    // Writes every key into `section` of `document` (which holds no such section yet).
    void Write(CIniDocument& document, const std::string& section) const;

    // The choices as the import applies them (a Color that is no colour gives none).
    SImportChoices Choices() const;
    // The least interval for `source`.
    static std::int32_t MinimumInterval(const std::string& source);
    // Interval, raised to MinimumInterval(Source).
    std::int32_t EffectiveInterval() const;
    // A name for a subscription of `source`: the file name without its extension, or the
    // host of an address; "Feed" when neither gives one.
    static std::string DefaultName(const std::string& source);
    // The texts of this subscription in a list of them.
    SSubscriptionRow Row() const;
    // Forgets what belongs to the last download of an address.
    void ForgetValidators();

    // "color|reminder|allDayReminder|flags|category": the choices in one value.
    static std::string FormatApplied(const SImportChoices& choices);
    static SImportChoices ParseApplied(const std::string& text);
};

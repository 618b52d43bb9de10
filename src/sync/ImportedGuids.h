// The GUIDs that the last sync of one feed into one event file imported: the state that lets
// a feed which is its publisher's whole calendar (an iCalendar file) remove, in add mode, the
// events it no longer holds, and nothing else.
//
// File format: text, LF line ends. The first line is kHeader, a space, the owner (OwnerOf: which
// feed in which event file), a space and the 64 lower-case hexadecimal digits of the SHA-256 of
// the body, which is everything after that line: one GUID per line, in the order of the feed.
// A file whose header, owner or digest does not match is damaged and names nothing: a GUID it
// seems to hold may be the user's own entry. The one exception is the form that earlier
// versions wrote, GUID lines alone: a file of well-formed GUID texts and nothing else is taken
// as that, once, so that an update loses no removal; it is rewritten in the form above.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "archive/Array.h"
#include "store/DateEntryArray.h"

class CPlatform;

// What Load found.
enum class EStateLoad {
    Loaded,      // the GUIDs were read and the digest matched
    Missing,     // no state yet: nothing was imported before
    Damaged,     // the header or the digest does not match (cut, edited, another format)
    Unreadable,  // a regular file that cannot be opened or read
    NotAFile,    // a link, a folder, a device: never read, never written through
};

class CImportedGuids {
public:
    static constexpr std::string_view kHeader = "ZelvaroFeed imported GUIDs 1";

    // The state file of the feed at `feed` synced into `eventPath`, in `folder` (the settings
    // folder, ending with a separator): "Imported-" and 16 hexadecimal digits of a digest of
    // both, then ".txt". An address is taken without its user name and password, so that a
    // changed password keeps the state. Empty when `folder` is.
    static std::string StatePath(const std::string& folder, const std::string& feed,
                                 const std::string& eventPath);
    // The name that earlier versions gave the state file: the digest of the address as
    // given, password included. The same as StatePath for a feed without user information.
    static std::string EarlierStatePath(const std::string& folder, const std::string& feed,
                                        const std::string& eventPath);
    // 16 hexadecimal digits that name the state of `feed` (an address without its user name
    // and password) synced into `eventPath`.
    static std::string OwnerOf(const std::string& feed, const std::string& eventPath);
    // Reads the file at `path`, which `owner` wrote, into `guids` (emptied first; filled only
    // on Loaded). Larger files than any state would be are Damaged.
    static EStateLoad Load(CPlatform& platform, const std::string& path, const std::string& owner,
                           std::vector<std::string>& guids);
    // Replaces the file at `path` in one step with `guids`, written first to a temporary file
    // (deleted again on every path); the file is readable by its owner alone where the system
    // has such modes. False when it could not be written, or when something other than a
    // regular file is at `path` (left alone); the old file then stays as it was.
    static bool Save(CPlatform& platform, const std::string& path, const std::string& owner,
                     const std::vector<std::string>& guids);
    // The text Save writes for `guids`.
    static std::string Text(const std::string& owner, const std::vector<std::string>& guids);
    // The GUIDs of `entries`, each once, in their first order.
    static std::vector<std::string> Of(const CDateEntryArray& entries);
    // `first` followed by the GUIDs of `second` that `first` lacks.
    static std::vector<std::string> Union(const std::vector<std::string>& first,
                                          const std::vector<std::string>& second);
    // Appends to `removeGuids` every GUID of `previous` that `current` lacks, in order.
    static void AddGone(const std::vector<std::string>& previous,
                        const std::vector<std::string>& current, CStringArray& removeGuids);
};

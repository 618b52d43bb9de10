// What CFeedReader tells a tool that explains a feed: which sections it reads, and what it
// drops or turns into a default beyond what the document's getters report.
#pragma once

#include <string>

#include "datetime/DateTime.h"
#include "ini/IniReporter.h"

class CDateEntry;

// Every method does nothing unless overridden. The reader takes the reporter as an optional
// pointer and, given none, does no work for it. The reader hands the same reporter to the
// document's getters, so the values they do not read as written arrive here too, between
// OnDateEntrySection and OnDateEntryRead of their section.
class CFeedReporter : public CIniReporter {
public:
    // --- Date entry sections, in the order read.

    // The reader starts on this section.
    virtual void OnDateEntrySection(const std::string& /*section*/) {}
    // An empty dropped occurrence, which drops the occurrence `dropped`.
    virtual void OnEmptyDroppedOccurrence(const std::string& /*section*/,
                                          const std::string& /*key*/,
                                          const CDateTime& /*dropped*/) {}
    // The section's dropped occurrences read: `count` keys from "DroppedOccurence 0" on; the
    // key numbered `count` is missing and keys numbered beyond it are not read.
    virtual void OnDroppedOccurrencesRead(const std::string& /*section*/, int /*count*/) {}
    // The entry read has this StorageType, neither 1 nor 2, and is stored with 1; the value
    // may be the section's or the one a new entry starts with.
    virtual void OnStorageTypeReplaced(const std::string& /*section*/, int /*storageType*/) {}
    // The entry as read from the section, with the values carried over from the sections
    // before it.
    virtual void OnDateEntryRead(const std::string& /*section*/, const CDateEntry& /*entry*/) {}

    // --- Removal sections, after the date entry sections, in the order read.

    // The reader starts on this section.
    virtual void OnRemoveSection(const std::string& /*section*/) {}
    // The section has no GUID or an empty one, so it removes nothing.
    virtual void OnRemovalWithoutGuid(const std::string& /*section*/) {}
};

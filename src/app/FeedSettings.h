// The user's five settings, kept in "Settings.ini" (section "Settings").
#pragma once

#include <cstdint>
#include <string>

#include "datetime/DateTime.h"
#include "feed/IniDocument.h"

class CFeedSettings {
public:
    CFeedSettings() = default;
    virtual ~CFeedSettings() = default;

    // Loads the document from `path` (remembering the path even on failure), then sets all
    // five members, defaults for what is missing. Returns the result of the load.
    bool LoadSettings(const std::string& path);
    // Writes the five members into the document and saves it; an empty `path` saves to the
    // remembered path. Returns the result of the save.
    bool SaveSettings(const std::string& path);

    std::string SharedFilePath;
    std::string FeedFilePath;
    std::int32_t SyncMode = 0;           // 0: add and update entries; otherwise replace all entries
    std::int32_t CheckFeedInterval = 0;  // seconds
    CDateTime LastFeedFileTime;          // UTC, to the second

private:
    CIniDocument m_document;
};

// A feed reporter that writes down every call it gets, one line of text each, for tests
// that compare what a document or the feed reader reported with what it should have.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "feed/FeedReporter.h"
#include "store/DateEntry.h"

class CRecordingReporter : public CFeedReporter {
public:
    std::vector<std::string> calls;

    void OnSection(std::size_t line, std::string_view name, bool replaces) override {
        Record(line, "section [" + std::string(name) + "]" + Replaces(replaces));
    }
    void OnKey(std::size_t line, std::string_view key, std::string_view stored,
               bool replaces) override {
        Record(line, "key " + std::string(key) + "=" + std::string(stored) + Replaces(replaces));
    }
    void OnKeyOutsideSection(std::size_t line, std::string_view key) override {
        Record(line, "key outside a section " + std::string(key));
    }
    void OnIgnoredLine(std::size_t line) override { Record(line, "ignored"); }

    void OnIntegerWithoutDigits(const std::string& section, const std::string& key) override {
        calls.push_back(section + "/" + key + ": no digits");
    }
    void OnColorItemWithoutDigits(const std::string& section, const std::string& key,
                                  std::string_view item) override {
        calls.push_back(section + "/" + key + ": colour item without digits " + std::string(item));
    }
    void OnColorTooShort(const std::string& section, const std::string& key) override {
        calls.push_back(section + "/" + key + ": colour too short");
    }
    void OnDateTimeRefused(const std::string& section, const std::string& key,
                           EStorageParse refused, const CDateTime& result) override {
        calls.push_back(
            section + "/" + key +
            (refused == EStorageParse::InvalidDate ? ": invalid date, " : ": invalid time, ") +
            result.FormatStorage());
    }

    void OnDateEntrySection(const std::string& section) override {
        calls.push_back(section + ": date entry");
    }
    void OnEmptyDroppedOccurrence(const std::string& section, const std::string& key,
                                  const CDateTime& dropped) override {
        calls.push_back(section + "/" + key + ": empty, drops " + dropped.FormatStorage());
    }
    void OnDroppedOccurrencesRead(const std::string& section, int count) override {
        calls.push_back(section + ": " + std::to_string(count) + " dropped occurrences");
    }
    void OnStorageTypeReplaced(const std::string& section, int storageType) override {
        calls.push_back(section + ": StorageType " + std::to_string(storageType) + " replaced");
    }
    void OnDateEntryRead(const std::string& section, const CDateEntry& entry) override {
        calls.push_back(section + ": read " + std::string(entry.GetGuid()));
    }
    void OnRemoveSection(const std::string& section) override {
        calls.push_back(section + ": removal");
    }
    void OnRemovalWithoutGuid(const std::string& section) override {
        calls.push_back(section + ": removes nothing");
    }

private:
    static std::string Replaces(bool replaces) { return replaces ? ", replaces" : ""; }
    void Record(std::size_t line, const std::string& what) {
        calls.push_back(std::to_string(line) + ": " + what);
    }
};

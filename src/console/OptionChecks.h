// Checks of option values shared by several commands, with messages that say what was
// expected ("--mode: expected add or replace, got 'bogus'").
#pragma once

#include <CLI/CLI.hpp>

#include "sync/EventMerge.h"

class COptionChecks {
public:
    // "add" or "replace".
    static CLI::Validator SyncMode();
    // A whole number of seconds that fits an int.
    static CLI::Validator Seconds();
    // The settings' SyncMode for "add" or "replace".
    static int ToSyncMode(const std::string& text) {
        return text == "replace" ? CEventMerge::kReplaceAll : CEventMerge::kAddAndUpdate;
    }
    // The settings' SyncMode as the option writes it.
    static const char* FromSyncMode(int mode) {
        return mode == CEventMerge::kAddAndUpdate ? "add" : "replace";
    }
};

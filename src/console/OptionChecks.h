// Checks of option values shared by several commands, with messages that say what was
// expected ("--mode: expected add or replace, got 'bogus'").
#pragma once

#include <CLI/CLI.hpp>

class COptionChecks {
public:
    // "add" or "replace".
    static CLI::Validator SyncMode();
    // A whole number of seconds that fits an int.
    static CLI::Validator Seconds();
    // 0 for "add", 1 for "replace" (the settings' SyncMode).
    static int ToSyncMode(const std::string& text) { return text == "replace" ? 1 : 0; }
    // The settings' SyncMode as the option writes it.
    static const char* FromSyncMode(int mode) { return mode == 0 ? "add" : "replace"; }
};

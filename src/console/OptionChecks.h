// Checks of option values shared by several commands, with messages that say what was
// expected ("--mode: expected add or replace, got 'bogus'").
#pragma once

#include <CLI/CLI.hpp>

#include "app/SubscriptionForm.h"
#include "datetime/DateTime.h"
#include "sync/EventMerge.h"

class COptionChecks {
public:
    // "add" or "replace".
    static CLI::Validator SyncMode();
    // A whole number of seconds that fits an int32.
    static CLI::Validator Seconds();
    // A valid calendar date written YYYY-MM-DD.
    static CLI::Validator Date();
    // The date (at 00:00:00) of a text that Date() accepted.
    static CDateTime ToDate(const std::string& text);
    // The settings' SyncMode for "add" or "replace".
    static int ToSyncMode(const std::string& text) {
        return text == "replace" ? CEventMerge::kReplaceAll : CEventMerge::kAddAndUpdate;
    }
    // A number of minutes (0 or more), or "none" (or an empty text) for none.
    static CLI::Validator Minutes();
    // A CSS3 colour name, "#RRGGBB", or "none" (or an empty text) for none.
    static CLI::Validator Color();
    // The check of a subscription's field (CSubscriptionForm::CheckField) as a validator.
    static CLI::Validator Field(ESubscriptionField field, const char* name);
    // A file path made absolute against the current folder (an address or an empty text
    // unchanged): settings outlive the folder a command was started in.
    static std::string Absolute(const std::string& path);
    // The settings' SyncMode as the option writes it.
    static const char* FromSyncMode(int mode) {
        return mode == CEventMerge::kAddAndUpdate ? "add" : "replace";
    }
};

// `zelvarofeed feed add|set|remove|list`: the calendar's subscriptions in Settings.ini.
#pragma once

#include <optional>
#include <string>

#include "ConsoleCommand.h"

class CFeedController;
class CFeedSettings;
class CSubscription;
class CSubscriptionForm;
class CSubscriptionList;

class CFeedCommand : public CConsoleCommand {
public:
    CLI::App* Declare(CLI::App& app) override;
    // add NAME SOURCE [choices]: a new subscription at the end of the list (a file path made
    // absolute); a name or source that the list has already is refused (exit 1), an interval
    // below the least for its source is raised to it and said so.
    // set NAME [choices] [--enable|--disable] [--name NEW]: changes one; a changed choice
    // reaches the events that still carry the old default at the next sync.
    // remove NAME [--keep-events]: unsubscribes (CFeedController::RemoveSubscription); exit
    // 75 when the event file is locked, 1 when the removal failed otherwise.
    // list [--json]: every subscription with its source (password masked), whether it is
    // enabled, its last sync and status, the events of its last import and its next check.
    // With several subscriptions add and list say that the calendar syncs in add mode.
    int Run(CConsoleOutput& output) override;

    // Loads the settings into `controller` for a command that saves them again; false (with
    // the error said) when the settings file cannot be read.
    static bool LoadForChange(CFeedController& controller, CConsoleOutput& output);

private:
    // The choices of add and set.
    struct SChoices {
        std::optional<std::string> color;
        std::optional<std::string> category;
        std::optional<std::string> reminder;
        std::optional<std::string> allDayReminder;
        std::optional<int> interval;
        std::optional<std::string> caFile;
        bool ignoreAlarms = false;
        bool noIgnoreAlarms = false;
        bool ignoreDescription = false;
        bool noIgnoreDescription = false;
    };
    static void DeclareChoices(CLI::App& command, SChoices& choices, bool negations);
    // The form of `feed` with the given choices in place of its own.
    static CSubscriptionForm FormWith(const SChoices& choices, const CSubscription& feed);
    // Checks `form` for the place `index` of the list (-1: a new one) and puts it into `feed`;
    // says why when it is refused (false), and when the interval was raised.
    static bool Apply(const CSubscriptionForm& form, const CSubscriptionList& list, int index,
                      CSubscription& feed, const char* command, CConsoleOutput& output);
    // Loads the settings for a change; false (with the error said) when they cannot be.
    static bool Load(CFeedSettings& settings, CConsoleOutput& output);
    static bool Save(CFeedSettings& settings, CConsoleOutput& output);
    static void SayMode(const CFeedSettings& settings, CConsoleOutput& output);

    int RunAdd(CConsoleOutput& output);
    int RunSet(CConsoleOutput& output);
    int RunRemove(CConsoleOutput& output);
    int RunList(CConsoleOutput& output);

    CLI::App* m_add = nullptr;
    CLI::App* m_set = nullptr;
    CLI::App* m_remove = nullptr;
    CLI::App* m_list = nullptr;
    std::string m_name;
    std::string m_source;
    SChoices m_addChoices;
    SChoices m_setChoices;
    std::optional<std::string> m_newName;
    bool m_enable = false;
    bool m_disable = false;
    bool m_keepEvents = false;
    bool m_json = false;
};

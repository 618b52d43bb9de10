#include "FeedCommand.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "ConsoleFeedView.h"
#include "ConsoleOutput.h"
#include "JsonText.h"
#include "OptionChecks.h"
#include "SyncReport.h"
#include "app/FeedController.h"
#include "app/FeedSettings.h"
#include "app/SubscriptionForm.h"
#include "datetime/DateTimeSpan.h"
#include "platform/Platform.h"
#include "sync/FeedAddress.h"

namespace {

constexpr const char* kTimeFormat = "%Y-%m-%d %H:%M:%S";

std::string MinutesText(const std::optional<std::int32_t>& minutes) {
    return minutes ? std::to_string(*minutes) + " min" : "none";
}

// The next check as the list shows it, and whether there is one.
std::optional<CDateTime> NextCheck(const CSubscription& feed) {
    if (!feed.Enabled || !feed.LastSync) return std::nullopt;
    return *feed.LastSync + CDateTimeSpan(feed.EffectiveInterval());
}

std::string Choices(const CSubscription& feed) {
    std::string text;
    const auto add = [&text](const std::string& part) {
        text += (text.empty() ? "" : ", ") + part;
    };
    if (!feed.Color.empty()) add("color " + feed.Color);
    if (!feed.Category.empty()) add("category " + feed.Category);
    if (feed.Reminder) add("reminder " + MinutesText(feed.Reminder));
    if (feed.AllDayReminder) add("all-day reminder " + MinutesText(feed.AllDayReminder));
    if (feed.IgnoreAlarms) add("ignore alarms");
    if (feed.IgnoreDescription) add("ignore descriptions");
    return text.empty() ? "none" : text;
}

}  // namespace

void CFeedCommand::DeclareChoices(CLI::App& command, SChoices& choices, bool negations) {
    command
        .add_option("--color", choices.color, "colour of events without COLOR (none: no colour)")
        ->type_name("NAME|#RRGGBB")
        ->check(COptionChecks::Color());
    command.add_option("--category", choices.category, "category of events without CATEGORIES")
        ->type_name("TEXT");
    command
        .add_option("--reminder", choices.reminder,
                    "reminder of timed events without VALARM, minutes before the start")
        ->type_name("MIN|none")
        ->check(COptionChecks::Minutes());
    command
        .add_option("--all-day-reminder", choices.allDayReminder,
                    "reminder of whole-day events without VALARM, minutes before the day")
        ->type_name("MIN|none")
        ->check(COptionChecks::Minutes());
    command.add_flag("--ignore-alarms", choices.ignoreAlarms,
                     "the reminders above for every event, its VALARMs ignored");
    command.add_flag("--ignore-description", choices.ignoreDescription,
                     "leave the notes of the events empty");
    if (negations) {
        command.add_flag("--no-ignore-alarms", choices.noIgnoreAlarms, "take the events' VALARMs");
        command.add_flag("--no-ignore-description", choices.noIgnoreDescription,
                         "take the events' descriptions");
    }
    command
        .add_option("--interval", choices.interval,
                    "seconds between two checks (at least 5; at least 60 for an address)")
        ->type_name("SECONDS")
        ->check(COptionChecks::Seconds());
    command.add_option("--ca-file", choices.caFile, "PEM file of CAs trusted beside the system's")
        ->type_name("FILE");
}

CLI::App* CFeedCommand::Declare(CLI::App& app) {
    CLI::App* command =
        app.add_subcommand("feed", "Add, change, remove or list the calendar's subscriptions.");
    command->require_subcommand(1);
    m_add = command->add_subcommand("add", "Subscribe to a feed file or address.");
    m_add->add_option("NAME", m_name, "the subscription's name, unique")->required();
    m_add
        ->add_option("SOURCE", m_source, "a feed file or an http, https, webcal or webcals address")
        ->required();
    DeclareChoices(*m_add, m_addChoices, false);

    m_set = command->add_subcommand("set", "Change a subscription.");
    m_set->add_option("NAME", m_name, "the subscription's name")->required();
    DeclareChoices(*m_set, m_setChoices, true);
    m_set->add_flag("--enable", m_enable, "check it again");
    m_set->add_flag("--disable", m_disable, "stop checking it; its events stay");
    m_set->add_option("--name", m_newName, "a new name")->type_name("NEW");

    m_remove = command->add_subcommand(
        "remove", "Unsubscribe: its events that no other subscription carries leave the calendar.");
    m_remove->add_option("NAME", m_name, "the subscription's name")->required();
    m_remove->add_flag("--keep-events", m_keepEvents, "keep its events as the user's own");

    m_list = command->add_subcommand("list", "List the subscriptions and how their syncs went.");
    m_list->add_flag("--json", m_json,
                     "a JSON array of {name, source, enabled, lastSync, lastStatus, imported, "
                     "leftAlone, nextCheck}");
    command->footer(
        "Settings: $XDG_CONFIG_HOME/ZelvaroFeed/Settings.ini (default ~/.config); a running "
        "watch\nreads them at its start. With several subscriptions the calendar syncs in add "
        "mode.");
    return command;
}

int CFeedCommand::Run(CConsoleOutput& output) {
    if (m_add->parsed()) return RunAdd(output);
    if (m_set->parsed()) return RunSet(output);
    if (m_remove->parsed()) return RunRemove(output);
    return RunList(output);
}

bool CFeedCommand::Load(CFeedSettings& settings, CConsoleOutput& output) {
    std::string folder;
    CFeedSettings::GetSettingsFolder(CPlatform::Default(), folder);
    settings.LoadAtStartup(folder);
    if (folder.empty() || settings.IsFileLeftAlone()) {
        output.Error("cannot read the settings file \"" + CFeedSettings::GetSettingsFile(folder) +
                     "\"");
        return false;
    }
    return true;
}

bool CFeedCommand::LoadForChange(CFeedController& controller, CConsoleOutput& output) {
    controller.LoadStartupSettings();
    if (!controller.m_strSettingsFolder.empty() && !controller.m_Settings.IsFileLeftAlone()) {
        return true;
    }
    output.Error("cannot read the settings file \"" +
                 CFeedSettings::GetSettingsFile(controller.m_strSettingsFolder) + "\"");
    return false;
}

bool CFeedCommand::Save(CFeedSettings& settings, CConsoleOutput& output) {
    settings.SelectWorkingFeed();
    if (settings.SaveSettings(std::string())) return true;
    output.Error("cannot write the settings file");
    return false;
}

void CFeedCommand::SayMode(const CFeedSettings& settings, CConsoleOutput& output) {
    const std::string note = settings.Subscriptions.ModeNote();
    if (!note.empty()) output.Info(note);
}

CSubscriptionForm CFeedCommand::FormWith(const SChoices& choices, const CSubscription& feed) {
    CSubscriptionForm form = CSubscriptionForm::Of(feed);
    if (choices.color) form.Color = *choices.color;
    if (choices.category) form.Category = *choices.category;
    if (choices.reminder) form.Reminder = *choices.reminder;
    if (choices.allDayReminder) form.AllDayReminder = *choices.allDayReminder;
    if (choices.ignoreAlarms) form.IgnoreAlarms = true;
    if (choices.noIgnoreAlarms) form.IgnoreAlarms = false;
    if (choices.ignoreDescription) form.IgnoreDescription = true;
    if (choices.noIgnoreDescription) form.IgnoreDescription = false;
    if (choices.caFile) form.CaFile = COptionChecks::Absolute(*choices.caFile);
    if (choices.interval) form.Interval = std::to_string(*choices.interval);
    return form;
}

bool CFeedCommand::Apply(const CSubscriptionForm& form, const CSubscriptionList& list, int index,
                         CSubscription& feed, const char* command, CConsoleOutput& output) {
    std::string message;
    if (form.Check(list, index, message) != ESubscriptionField::None) {
        output.Error(std::string(command) + ": " + message);
        return false;
    }
    if (form.ApplyTo(feed)) {
        output.Info("interval raised to " + std::to_string(feed.Interval) + " seconds, the least " +
                    (CFeedAddress::IsAddress(feed.Source) ? "for an address" : "for a file"));
    }
    return true;
}

int CFeedCommand::RunAdd(CConsoleOutput& output) {
    CFeedSettings settings(CPlatform::Default());
    if (!Load(settings, output)) return kExitFailed;
    CSubscriptionList& list = settings.Subscriptions;
    const std::string source = COptionChecks::Absolute(m_source);
    CSubscription feed;
    feed.Name = m_name;
    feed.Source = source;
    if (!Apply(FormWith(m_addChoices, feed), list, -1, feed, "feed add", output)) {
        return kExitFailed;
    }
    list.Items.push_back(std::move(feed));
    if (!Save(settings, output)) return kExitFailed;
    output.Info("Added '" + m_name + "' (" + CFeedAddress::Masked(source) + "), subscription " +
                std::to_string(list.Items.size()) + " of the calendar");
    SayMode(settings, output);
    return kExitOk;
}

int CFeedCommand::RunSet(CConsoleOutput& output) {
    CFeedSettings settings(CPlatform::Default());
    if (!Load(settings, output)) return kExitFailed;
    CSubscriptionList& list = settings.Subscriptions;
    const int index = list.IndexOf(m_name);
    if (index < 0) {
        output.Error("feed set: no subscription named '" + m_name + "'");
        return kExitFailed;
    }
    CSubscription& feed = list.Items[static_cast<std::size_t>(index)];
    CSubscriptionForm form = FormWith(m_setChoices, feed);
    if (m_enable) form.Enabled = true;
    if (m_disable) form.Enabled = false;
    if (m_newName) form.Name = *m_newName;
    if (!Apply(form, list, index, feed, "feed set", output)) return kExitFailed;
    const std::string name = feed.Name;
    if (!Save(settings, output)) return kExitFailed;
    output.Info("Changed '" + name + "'; the next sync applies it");
    return kExitOk;
}

int CFeedCommand::RunRemove(CConsoleOutput& output) {
    CConsoleFeedView view;
    CFeedController controller(view, CPlatform::Default());
    if (!LoadForChange(controller, output)) return kExitFailed;
    CFeedSettings& settings = controller.m_Settings;
    const int index = settings.Subscriptions.IndexOf(m_name);
    if (index < 0) {
        output.Error("feed remove: no subscription named '" + m_name + "'");
        return kExitFailed;
    }
    const std::string name = settings.Subscriptions.Items[static_cast<std::size_t>(index)].Name;
    // Without an event file there is nothing of it in a calendar.
    const bool keep = m_keepEvents || settings.SharedFilePath.empty();
    int removed = 0;
    const std::string status = controller.RemoveSubscription(index, keep, removed);
    if (status != CFeedController::kStatusSyncSuccessful) {
        const SSyncOutcome outcome = CSyncReport::Describe(controller, status, 0);
        output.Error("feed remove: " + name + " stays subscribed: " + outcome.text);
        return outcome.exitCode == kExitOk ? kExitFailed : outcome.exitCode;
    }
    if (!Save(settings, output)) return kExitFailed;
    output.Info("Removed '" + name + "'" +
                (m_keepEvents
                     ? std::string("; its events stay as your own")
                     : "; " + std::to_string(removed) + " of its events left the calendar"));
    return kExitOk;
}

int CFeedCommand::RunList(CConsoleOutput& output) {
    CFeedSettings settings(CPlatform::Default());
    std::string folder;
    CFeedSettings::GetSettingsFolder(CPlatform::Default(), folder);
    settings.LoadSettings(CFeedSettings::GetSettingsFile(folder));
    const std::vector<CSubscription>& items = settings.Subscriptions.Items;
    std::ostream& out = output.Out();
    if (m_json) {
        out << "[";
        const char* separator = "";
        for (const CSubscription& feed : items) {
            const std::optional<CDateTime> next = NextCheck(feed);
            out << separator << "{\"name\": " << CJsonText::String(feed.Name)
                << ", \"source\": " << CJsonText::String(CFeedAddress::Masked(feed.Source))
                << ", \"enabled\": " << (feed.Enabled ? "true" : "false") << ", \"lastSync\": "
                << (feed.LastSync ? CJsonText::String(feed.LastSync->Format(kTimeFormat)) : "null")
                << ", \"lastStatus\": " << CJsonText::String(feed.LastStatus) << ", \"imported\": "
                << (feed.Imported ? std::to_string(*feed.Imported) : std::string("null"))
                << ", \"leftAlone\": " << feed.LeftAlone << ", \"nextCheck\": "
                << (next ? CJsonText::String(next->Format(kTimeFormat)) : "null") << "}";
            separator = ",\n ";
        }
        out << "]\n";
        return kExitOk;
    }
    if (items.empty()) {
        output.Info("No subscriptions; add one with 'zelvarofeed feed add NAME SOURCE'.");
        return kExitOk;
    }
    for (const CSubscription& feed : items) {
        out << feed.Name << (feed.Enabled ? "" : "  (disabled)") << "\n";
        out << "  source:      " << CFeedAddress::Masked(feed.Source) << "\n";
        out << "  last sync:   "
            << (feed.LastSync ? feed.LastSync->Format(kTimeFormat) + "  " + feed.LastStatus
                              : std::string("never"))
            << "\n";
        out << "  imported:    "
            << (feed.Imported ? std::to_string(*feed.Imported) + " events" : std::string("-"));
        if (feed.LeftAlone > 0) {
            out << " (" << feed.LeftAlone
                << " left to an earlier subscription that carries them too)";
        }
        out << "\n";
        const std::optional<CDateTime> next = NextCheck(feed);
        out << "  next check:  "
            << (!feed.Enabled ? std::string("none (disabled)")
                : next        ? next->Format(kTimeFormat)
                              : std::string("at the first tick of watch"))
            << " (every " << feed.EffectiveInterval() << " seconds)\n";
        out << "  choices:     " << Choices(feed) << "\n";
    }
    const std::string note = settings.Subscriptions.ModeNote();
    if (!note.empty()) out << note << "\n";
    return kExitOk;
}

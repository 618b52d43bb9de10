#include "AgendaCommand.h"

#include <CLI/CLI.hpp>

#include "ConsoleOutput.h"
#include "EventFileIo.h"
#include "JsonText.h"
#include "OptionChecks.h"
#include "datetime/DateTimeSpan.h"
#include "store/Agenda.h"
#include "store/EventData.h"

namespace {

// The days listed when --from or --to is left out: today and the 7 days after it.
constexpr int kDefaultDaysAfter = 7;

}  // namespace

CLI::App* CAgendaCommand::Declare(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "agenda",
        "List every occurrence of every date entry that starts within a span of days, as the "
        "calendar computes them, sorted by start.");
    command->add_option("EVENTFILE", m_path, "the event file (*.dat)")->type_name("")->required();
    command->add_option("--from", m_from, "the first day listed (default: today)")
        ->type_name("YYYY-MM-DD")
        ->check(COptionChecks::Date());
    command->add_option("--to", m_to, "the last day listed (default: 7 days after --from)")
        ->type_name("YYYY-MM-DD")
        ->check(COptionChecks::Date());
    command->add_flag("--json", m_json,
                      "write a JSON array of {guid, description, start, end, wholeDay}");
    command->footer(
        "Text: 'YYYY-MM-DD HH:MM\xE2\x80\x93HH:MM  Description' per occurrence ('YYYY-MM-DD  all "
        "day  Description' for a whole-day one), local times as the calendar stores them.\n"
        "Exit codes: 0 listed, 1 the file cannot be read or is damaged, 2 wrong usage.");
    return command;
}

int CAgendaCommand::Run(CConsoleOutput& output) {
    const CDateTime from =
        m_from.empty() ? CDateTime::Now().GetDateOnly() : COptionChecks::ToDate(m_from);
    CDateTime to = m_to.empty() ? from + CDateTimeSpan(kDefaultDaysAfter, 0, 0, 0)
                                : COptionChecks::ToDate(m_to);
    to.SetTime(23, 59, 59);
    if (to < from) {
        output.Error("agenda: --to lies before --from");
        return kExitUsage;
    }
    CEventData data;
    if (!CEventFileIo::Load(m_path, data, output)) return kExitFailed;
    std::ostream& out = output.Out();
    if (m_json) {
        CJsonText::WriteAgenda(data, from, to, out);
    } else {
        CAgenda::WriteText(data, from, to, out);
    }
    return output.FlushOut("cannot write the listing") ? kExitOk : kExitFailed;
}

#include "feed/FeedVocabulary.h"

#include <array>
#include <string>

namespace {

using P = DateEntryProperties;

constexpr CFeedKey Text(const char* name, std::string P::*member) {
    return {name, EFeedForm::Text, member, nullptr, nullptr};
}
constexpr CFeedKey Integer(const char* name, std::int32_t P::*member) {
    return {name, EFeedForm::Integer, nullptr, member, nullptr};
}
constexpr CFeedKey Color(const char* name, std::int32_t P::*member) {
    return {name, EFeedForm::Color, nullptr, member, nullptr};
}
constexpr CFeedKey Date(const char* name, CDateTime P::*member) {
    return {name, EFeedForm::DateTime, nullptr, nullptr, member};
}

const std::array<CFeedKey, 46> g_keys = {
    Text("GUID", &P::GUID),
    Integer("StorageType", &P::StorageType),
    Text("Category", &P::Category),
    Text("Description", &P::Description),
    Text("Notes", &P::Notes),
    Integer("Display", &P::Display),
    Color("BgColor", &P::BgColor),
    Color("TextColor", &P::TextColor),
    Text("Icon", &P::Icon),
    Date("StartDate", &P::StartDate),
    Date("EndDate", &P::EndDate),
    Integer("ShowStartTime", &P::ShowStartTime),
    Integer("ShowEnd", &P::ShowEnd),
    Integer("Repeat", &P::Repeat),
    Integer("RepeatRate", &P::RepeatRate),
    Integer("RepeatUnit", &P::RepeatUnit),
    Integer("RepeatWeekdayCount", &P::RepeatWeekdayCount),
    Integer("RepeatWeekday", &P::RepeatWeekday),
    Integer("RepeatEnd", &P::RepeatEnd),
    Integer("RepeatEndCount", &P::RepeatEndCount),
    Date("RepeatEndDate", &P::RepeatEndDate),
    Integer("CondTimeEnable", &P::CondTimeEnable),
    Date("CondStartTime", &P::CondStartTime),
    Date("CondEndTime", &P::CondEndTime),
    Integer("CondWeekdays", &P::CondWeekdays),
    Integer("CondMonth", &P::CondMonth),
    Integer("Forewarn", &P::Forewarn),
    Integer("ForewarnSpan", &P::ForewarnSpan),
    Integer("ForewarnUnit", &P::ForewarnUnit),
    Integer("ForewarnSilent", &P::ForewarnSilent),
    Integer("SnoozeSpan", &P::SnoozeSpan),
    Integer("SnoozeUnit", &P::SnoozeUnit),
    Integer("SnoozeType", &P::SnoozeType),
    Integer("OverdueAction", &P::OverdueAction),
    Integer("ExecuteSpan", &P::ExecuteSpan),
    Integer("ExecuteUnit", &P::ExecuteUnit),
    Integer("Action", &P::Action),
    Integer("Sound", &P::Sound),
    Text("SoundFile", &P::SoundFile),
    Integer("SoundRepeatEndless", &P::SoundRepeatEndless),
    Integer("SoundRepeatCount", &P::SoundRepeatCount),
    Text("DocumentFile", &P::DocumentFile),
    Integer("AckOpen", &P::AckOpen),
    Text("CmdLine", &P::CmdLine),
    Text("Parameter", &P::Parameter),
    Integer("AckExecute", &P::AckExecute),
};

}  // namespace

std::span<const CFeedKey> CFeedVocabulary::GetKeys() {
    return g_keys;
}

const CFeedKey* CFeedVocabulary::FindKey(const std::string& name) {
    for (const CFeedKey& key : g_keys) {
        if (name == key.name) return &key;
    }
    return nullptr;
}

std::string CFeedVocabulary::DroppedOccurrenceKey(int index) {
    return "DroppedOccurence " + std::to_string(index);
}

std::string CFeedVocabulary::DateEntrySection(int index) {
    return "DateEntry " + std::to_string(index);
}

std::string CFeedVocabulary::RemoveSection(int index) {
    return "Remove " + std::to_string(index);
}

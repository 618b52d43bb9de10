#include "IcsPublisher.h"

#include <cerrno>
#include <chrono>
#include <memory>

#include "ConsoleOutput.h"
#include "EventFileIo.h"
#include "SystemReason.h"
#include "ical/TzifZone.h"
#include "ical/VtimezoneWriter.h"
#include "icalmap/IcalExport.h"
#include "platform/FileRemover.h"
#include "platform/Platform.h"
#include "store/EventData.h"

namespace {

// The present instant in UTC, from the system clock (seconds since 1970-01-01T00:00:00Z).
CCivilFields UtcNow() {
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return CCivilTime::FromSeconds(
        CCivilTime::DaysFromCivil(1970, 1, 1) * CCivilTime::kSecondsPerDay + sinceEpoch.count());
}

}  // namespace

bool CIcsPublisher::Publish(const std::string& eventPath, const std::string& icsPath,
                            CConsoleOutput& output, const CTzifZone* zone) {
    CEventData data;
    if (!CEventFileIo::Load(eventPath, data, output)) return false;
    const CDateTime now = CDateTime::Now();
    CIcalExport exporter(now, UtcNow(), ZF_VERSION);
    if (zone != nullptr) {
        // Offsets since 1970 listed, and the zone's yearly rule for the years after its data.
        const IcalSeconds from = CCivilTime::DaysFromCivil(1970, 1, 1) * CCivilTime::kSecondsPerDay;
        const CDateTime horizon = CIcalExport::Horizon(now);
        const IcalSeconds to =
            CCivilTime::DaysFromCivil(horizon.GetYear(), 1, 1) * CCivilTime::kSecondsPerDay;
        exporter.SetTimeZone(*zone, CVtimezoneWriter::Write(*zone, from, to));
    }
    const std::string text = exporter.Write(data);
    if (!output.IsQuiet()) {
        for (const std::string& note : exporter.Notes()) {
            output.Out().flush();
            output.Err() << "zelvarofeed: export: " << note << '\n';
        }
        output.Err().flush();
    }
    if (icsPath.empty()) {
        output.Out() << text;
        return output.FlushOut("cannot write the export");
    }
    errno = 0;
    if (!ReplaceWithText(icsPath, text)) {
        const int failure = errno;
        output.Error(CSystemReason::Append("cannot write " + icsPath,
                                           CSystemReason::ForWriting(icsPath, failure)));
        return false;
    }
    return true;
}

std::unique_ptr<CTzifZone> CIcsPublisher::LoadZone(const std::string& name) {
    std::string tzif;
    if (!CPlatform::Default().ReadZoneData(name, tzif)) return nullptr;
    return CTzifZone::Parse(name, tzif);
}

bool CIcsPublisher::ReplaceWithText(const std::string& path, const std::string& text) {
    CPlatform& platform = CPlatform::Default();
    std::string folder;
    std::string tempPath;
    if (!platform.GetTempFolder(folder) || !platform.CreateTempFile(folder, "ics", tempPath)) {
        return false;
    }
    const CFileRemover guard(platform, std::move(tempPath));
    {
        const std::unique_ptr<CFile> file =
            platform.OpenFile(guard.GetPath(), EFileOpen::WriteExclusive);
        if (file == nullptr || !file->Write(text.data(), text.size()) || !file->Flush()) {
            return false;
        }
    }
    return platform.ReplaceFileWithCopy(guard.GetPath(), path);
}

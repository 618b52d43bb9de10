// The removal state of one sync of a feed that is its publisher's whole calendar, kept so that
// no stop of the process between the event file's replace and the state's save loses a
// removal: before the replace the state names what was imported before and what is imported
// now, after it what is imported now alone. Both saves happen under the event file's lock, as
// does the read, so that two syncs of one feed cannot interleave their states.
#pragma once

#include <string>
#include <vector>

#include "archive/Array.h"

class CPlatform;
class CSharedGuids;

class CImportState {
public:
    // The state of `feed` synced into `eventPath`, in the settings folder `folder` (ending
    // with a separator; empty when there is none). `imported`: the GUIDs this sync imports.
    // REQUIRES: `platform` outlives the object.
    CImportState(CPlatform& platform, const std::string& folder, const std::string& feed,
                 const std::string& eventPath, std::vector<std::string> imported);

    // The last imports of the calendar's other subscriptions: a GUID that one of them holds
    // is not removed when it leaves this feed. REQUIRES: `others` outlives Prepare.
    void KeepHeldBy(const CSharedGuids& others) { m_others = &others; }
    // The GUIDs of the last import of `feed` into `eventPath` that its state file names
    // (under the earlier name when only that one exists); none when it names nothing that
    // can be trusted.
    static std::vector<std::string> LastImport(CPlatform& platform, const std::string& folder,
                                               const std::string& feed,
                                               const std::string& eventPath);
    // Deletes the state file of `feed` in `eventPath`, under either name: the feed's
    // subscription has ended.
    static void Forget(CPlatform& platform, const std::string& folder, const std::string& feed,
                       const std::string& eventPath);

    // Under the lock, before the merge. In add mode reads the state (under the name earlier
    // versions gave it when only that one exists), appends to `removeGuids` the GUIDs it
    // names that this sync no longer imports, and saves both lists' union. A state that
    // cannot be trusted removes nothing.
    void Prepare(bool addMode, CStringArray& removeGuids);
    // Under the lock, once the event file has been replaced: saves this sync's GUIDs alone and
    // deletes a state under the earlier name.
    void Commit();
    // Why removals are not possible, or empty when they are: "the state file PATH is damaged",
    // "... cannot be read", "... is not a regular file", "... cannot be written".
    const std::string& GetProblem() const { return m_problem; }

private:
    void Save(const std::vector<std::string>& guids);

    CPlatform& m_platform;
    const std::string m_owner;
    const std::string m_path;
    const std::string m_earlierPath;
    const std::vector<std::string> m_imported;
    std::string m_problem;
    const CSharedGuids* m_others = nullptr;
};

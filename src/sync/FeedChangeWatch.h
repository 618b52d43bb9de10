// Change notifications for feed files: one folder watch per folder however many followed
// files it holds, and per file a settle (CChangeSettle) that turns its notifications into one
// check due soon. Only changes of a followed file's own name count: the event file replaced
// beside the feed, its lock and staging files, and any other entry wake nothing. A folder
// that cannot be watched, or whose watch broke (the folder deleted or moved), leaves its
// files to the timer; Follow tries it again.
//
// Usage, from the loop that the timer drives:
//     CFeedChangeWatch watch(platform);
//     watch.Follow({feedPath});            // at the start and at every timer tick
//     wait for the timer, a signal or GetWaitHandles(), at most WaitMs(now)
//     watch.Collect(now);
//     for (file : watch.GetDue(now)) {
//         if (watch.MayHideChange(file)) forget the file's remembered last-write time;
//         watch.OnChecked(file, now); check file;
//     }
//     on a timer tick: the same for every followed file
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/FolderWatch.h"
#include "sync/ChangeSettle.h"

class CPlatform;

// A folder whose watch could not be made or broke.
struct SWatchFailure {
    std::string folder;
    std::string reason;
    std::vector<std::string> files;  // the followed files in it, left to the timer
};

class CFeedChangeWatch {
public:
    // REQUIRES: `platform` outlives the object.
    explicit CFeedChangeWatch(CPlatform& platform) : m_platform(platform) {}

    // Follows exactly these files (empty paths and feed addresses are left out), watching
    // their folders: a watch no file needs any more is ended, a folder not yet watched or
    // whose watch failed or broke is asked for one again.
    void Follow(const std::vector<std::string>& files);
    // Reads every watch without waiting; a change of a followed file at `nowMs` (wall clock,
    // milliseconds since 1970) starts or extends its settle. A lost notification counts as a
    // change of every file of its folder; a broken watch is ended and reported.
    void Collect(std::int64_t nowMs);
    // Milliseconds until the first check is due (0: now), -1 when none is waiting.
    std::int64_t WaitMs(std::int64_t nowMs) const;
    // The followed files whose check is due at `nowMs`.
    std::vector<std::string> GetDue(std::int64_t nowMs) const;
    // Whether the last-write time that the last check of `file` remembered may hide a change
    // (CChangeSettle::MayHideChange): the next check must not rely on it.
    bool MayHideChange(const std::string& file) const;
    // A check of `file` starts at `nowMs`, brought by its settle or by a timer tick: what its
    // settle waited for is done.
    void OnChecked(const std::string& file, std::int64_t nowMs);

    // The handles of the working watches, to wait on (see CFolderWatch::GetWaitHandle).
    std::vector<std::intptr_t> GetWaitHandles() const;
    // Whether every followed file's folder is being watched.
    bool IsWatchingAll() const;
    // The failures not yet taken: a folder is reported when its watch could not be made or
    // broke, and again only after it worked in between.
    std::vector<SWatchFailure> TakeFailures();
    // "No change notification for FOLDER: REASON; checking every N seconds", for a failure
    // of TakeFailures when the timer checks its files every `intervalSeconds`.
    static std::string FailureText(const SWatchFailure& failure, int intervalSeconds);

private:
    struct SFolder {
        std::unique_ptr<CFolderWatch> watch;
        bool reported = false;  // its failure has been reported since it last worked
    };
    struct SFile {
        std::string folder;
        std::string name;
        CChangeSettle settle;
    };

    void Fail(const std::string& folder, SFolder& state, const std::string& reason);
    void SplitPath(const std::string& path, std::string& folder, std::string& name) const;

    CPlatform& m_platform;
    std::map<std::string, SFolder> m_folders;
    std::map<std::string, SFile> m_files;
    std::vector<SWatchFailure> m_failures;
};

// CFolderWatch on Windows: ReadDirectoryChangesW on the folder, overlapped, one request
// always outstanding, its completion signalling a manual-reset event.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/FolderWatch.h"
#include "platform/win32/Win32Handle.h"

class CWin32FolderWatch : public CFolderWatch {
public:
    // The watch on `folder`; nullptr, with the system's reason, when it cannot be made.
    static std::unique_ptr<CFolderWatch> Open(const std::string& folder, std::string& reason);
    // Cancels the outstanding request and waits for it before the buffer goes.
    ~CWin32FolderWatch() override;

    EFolderWatchRead Read(std::vector<std::string>& names) override;
    // The event of the outstanding request.
    std::intptr_t GetWaitHandle() const override {
        return reinterpret_cast<std::intptr_t>(m_event.Get());
    }

private:
    CWin32FolderWatch(CWin32Handle folder, CWin32Handle event);
    // Asks for the next changes; false when the folder can no longer be watched.
    bool Request();

    CWin32Handle m_folder;
    CWin32Handle m_event;
    OVERLAPPED m_overlapped{};
    // FILE_NOTIFY_INFORMATION records, which must be DWORD-aligned.
    std::vector<DWORD> m_buffer;
    bool m_pending = false;
    bool m_gone = false;
};

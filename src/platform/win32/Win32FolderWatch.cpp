#include "platform/win32/Win32FolderWatch.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr DWORD kChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE |
                           FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_CREATION;

std::string SystemReason(DWORD code) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason = length > 0 && text != nullptr ? std::string(text, length) : "";
    if (text != nullptr) ::LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == ' ' || reason.back() == '.')) {
        reason.pop_back();
    }
    return reason.empty() ? "system error " + std::to_string(code) : reason;
}

std::string ToAnsi(const wchar_t* wide, int count) {
    const int size = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, count, nullptr, 0,
                                           nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, count, text.data(), size, nullptr,
                          nullptr);
    return text;
}

}  // namespace

std::unique_ptr<CFolderWatch> CWin32FolderWatch::Open(const std::string& folder,
                                                      std::string& reason) {
    CWin32Handle handle(::CreateFileA(
        folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    if (!handle.IsValid()) {
        reason = SystemReason(::GetLastError());
        return nullptr;
    }
    CWin32Handle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event.IsValid()) {
        reason = SystemReason(::GetLastError());
        return nullptr;
    }
    std::unique_ptr<CWin32FolderWatch> watch(
        new CWin32FolderWatch(std::move(handle), std::move(event)));
    if (!watch->Request()) {
        reason = SystemReason(::GetLastError());
        return nullptr;
    }
    return watch;
}

CWin32FolderWatch::CWin32FolderWatch(CWin32Handle folder, CWin32Handle event)
    : m_folder(std::move(folder)), m_event(std::move(event)), m_buffer(16 * 1024) {}

CWin32FolderWatch::~CWin32FolderWatch() {
    if (!m_pending) return;
    ::CancelIoEx(m_folder.Get(), &m_overlapped);
    DWORD bytes = 0;
    ::GetOverlappedResult(m_folder.Get(), &m_overlapped, &bytes, TRUE);
}

bool CWin32FolderWatch::Request() {
    m_overlapped = OVERLAPPED{};
    m_overlapped.hEvent = m_event.Get();
    ::ResetEvent(m_event.Get());
    m_pending = ::ReadDirectoryChangesW(m_folder.Get(), m_buffer.data(),
                                        static_cast<DWORD>(m_buffer.size() * sizeof(DWORD)), FALSE,
                                        kChanges, nullptr, &m_overlapped, nullptr) != FALSE;
    return m_pending;
}

EFolderWatchRead CWin32FolderWatch::Read(std::vector<std::string>& names) {
    if (m_gone) return EFolderWatchRead::Gone;
    if (::WaitForSingleObject(m_event.Get(), 0) != WAIT_OBJECT_0) return EFolderWatchRead::Ok;
    DWORD bytes = 0;
    const bool done = ::GetOverlappedResult(m_folder.Get(), &m_overlapped, &bytes, FALSE) != FALSE;
    m_pending = false;
    const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
    EFolderWatchRead result = EFolderWatchRead::Ok;
    if (!done && error != ERROR_NOTIFY_ENUM_DIR) {
        // The folder was deleted (access denied to a folder pending deletion) or the watch broke.
        m_gone = true;
        return EFolderWatchRead::Gone;
    }
    if (!done || bytes == 0) {
        // Too many changes for the buffer: the system kept none of them.
        result = EFolderWatchRead::Overflow;
    } else {
        const auto* base = reinterpret_cast<const unsigned char*>(m_buffer.data());
        for (DWORD at = 0;;) {
            FILE_NOTIFY_INFORMATION record;
            std::memcpy(&record, base + at, sizeof record);
            const auto* name = reinterpret_cast<const wchar_t*>(
                base + at + offsetof(FILE_NOTIFY_INFORMATION, FileName));
            names.push_back(
                ToAnsi(name, static_cast<int>(record.FileNameLength / sizeof(wchar_t))));
            if (record.NextEntryOffset == 0) break;
            at += record.NextEntryOffset;
        }
    }
    if (!Request()) {
        m_gone = true;
        return EFolderWatchRead::Gone;
    }
    return result;
}

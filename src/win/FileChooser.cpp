#include "win/FileChooser.h"

#include <commdlg.h>

#include <array>
#include <vector>

namespace {

// The common dialog wants description and pattern pairs separated by NUL characters and the
// list ended by two; the readable form uses "|" for each NUL.
std::vector<char> ToFilterList(const char* filter) {
    std::vector<char> list;
    for (const char* c = filter; *c != '\0'; ++c) list.push_back(*c == '|' ? '\0' : *c);
    list.push_back('\0');
    list.push_back('\0');
    return list;
}

}  // namespace

bool CFileChooser::Choose(HWND owner, const char* filter, std::string& path) {
    const std::vector<char> filterList = ToFilterList(filter);
    std::array<char, MAX_PATH> chosen{};
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filterList.data();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen.data();
    dialog.nMaxFile = static_cast<DWORD>(chosen.size());
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!::GetOpenFileNameA(&dialog)) return false;
    path = chosen.data();
    return true;
}

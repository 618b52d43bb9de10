// A console helper for the UI tests: finds a top-level window by its caption and prints its
// state and its controls as JSON, or sends it messages, from outside the program under test.
//
//   UiProbe state [caption]          the window and every child control (JSON on one line);
//                                    a caption "class:NAME" finds the window by class instead,
//                                    "class:NAME=TEXT" by class and caption. A list view also
//                                    gives its rows' texts, screen rectangles and selection.
//   UiProbe windows                  every top-level window of the desktop
//   UiProbe click <id> [caption]     BM_CLICK on a control
//   UiProbe settext <id> <text> [caption]
//   UiProbe post <message> <wParam> <lParam> [caption]   numbers in decimal or 0x hex
//   UiProbe broadcast <name>         posts the registered window message <name> to every
//                                    top-level window, as the shell does with "TaskbarCreated"
//   UiProbe forgeticon <id> [caption]   deletes the window's tray icon <id> from the shell,
//                                    as a shell that crashes loses every icon
//   UiProbe refusingtray <seconds>   runs a stand-in shell that refuses every tray icon,
//                                    until it is closed or the seconds have passed
//
// Exit code 0 on success, 2 when the window or control does not exist, 1 on bad usage.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const kDefaultCaption = "ZelvaroFeed";

std::string Escape(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c >= 0x7F) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof(buffer), "\\u%04x", c);
                    out += buffer;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out;
}

std::string WindowText(HWND hWnd) {
    // WM_GETTEXT is marshalled across processes, unlike GetWindowText on a foreign edit.
    char buffer[1024] = {};
    ::SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer),
                          SMTO_ABORTIFHUNG, 5000, nullptr);
    return buffer;
}

std::string ClassName(HWND hWnd) {
    char buffer[256] = {};
    ::GetClassNameA(hWnd, buffer, sizeof(buffer));
    return buffer;
}

std::string RectJson(const RECT& rect) {
    char buffer[96];
    std::snprintf(buffer, sizeof(buffer), "[%ld,%ld,%ld,%ld]", rect.left, rect.top, rect.right,
                  rect.bottom);
    return buffer;
}

long long ParseNumber(const char* text) {
    return std::strtoll(text, nullptr, 0);
}

// "class:NAME" finds by window class, "class:NAME=TEXT" by class and caption, anything else
// by caption.
HWND FindTopLevel(const char* caption) {
    const std::string text = caption;
    if (text.rfind("class:", 0) != 0) return ::FindWindowA(nullptr, caption);
    const std::string query = text.substr(6);
    const std::size_t equals = query.find('=');
    if (equals == std::string::npos) return ::FindWindowA(query.c_str(), nullptr);
    return ::FindWindowA(query.substr(0, equals).c_str(), query.substr(equals + 1).c_str());
}

// Memory in the process of a window, for the messages whose pointers the system does not
// carry across processes (a list view's item text and rectangle).
class CRemoteBuffer {
public:
    CRemoteBuffer(HWND hWnd, std::size_t size) {
        DWORD processId = 0;
        ::GetWindowThreadProcessId(hWnd, &processId);
        m_process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                  processId);
        if (m_process != nullptr) {
            m_address = ::VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                         PAGE_READWRITE);
        }
    }
    CRemoteBuffer(const CRemoteBuffer&) = delete;
    CRemoteBuffer& operator=(const CRemoteBuffer&) = delete;
    ~CRemoteBuffer() {
        if (m_address != nullptr) ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        if (m_process != nullptr) ::CloseHandle(m_process);
    }
    bool IsValid() const { return m_address != nullptr; }
    char* Address(std::size_t offset = 0) const { return static_cast<char*>(m_address) + offset; }
    bool Write(const void* data, std::size_t size, std::size_t offset = 0) const {
        return ::WriteProcessMemory(m_process, Address(offset), data, size, nullptr) != 0;
    }
    bool Read(void* data, std::size_t size, std::size_t offset = 0) const {
        return ::ReadProcessMemory(m_process, Address(offset), data, size, nullptr) != 0;
    }

private:
    HANDLE m_process = nullptr;
    void* m_address = nullptr;
};

LRESULT SendWithTimeout(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(hWnd, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

// ,"rows":[["text", ...], ...],"rowRects":[[l,t,r,b], ...],"selected":N of a list view in
// report view (N -1 when no row is selected).
std::string ListViewJson(HWND hWnd) {
    constexpr std::size_t kTextSize = 512;
    CRemoteBuffer buffer(hWnd, sizeof(LVITEMA) + kTextSize);
    if (!buffer.IsValid()) return {};
    const int rows = static_cast<int>(SendWithTimeout(hWnd, LVM_GETITEMCOUNT, 0, 0));
    const HWND header = reinterpret_cast<HWND>(SendWithTimeout(hWnd, LVM_GETHEADER, 0, 0));
    const int columns =
        header != nullptr ? static_cast<int>(SendWithTimeout(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    std::string texts = ",\"rows\":[";
    std::string rects = ",\"rowRects\":[";
    for (int row = 0; row < rows; ++row) {
        texts += row > 0 ? ",[" : "[";
        for (int column = 0; column < columns; ++column) {
            LVITEMA item{};
            item.iSubItem = column;
            item.pszText = buffer.Address(sizeof(LVITEMA));
            item.cchTextMax = static_cast<int>(kTextSize);
            char text[kTextSize] = {};
            if (buffer.Write(&item, sizeof(item)) &&
                SendWithTimeout(hWnd, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                                reinterpret_cast<LPARAM>(buffer.Address())) >= 0) {
                buffer.Read(text, kTextSize - 1, sizeof(LVITEMA));
            }
            texts += std::string(column > 0 ? "," : "") + "\"" + Escape(text) + "\"";
        }
        texts += "]";
        RECT rect{};
        rect.left = LVIR_BOUNDS;
        if (buffer.Write(&rect, sizeof(rect)) &&
            SendWithTimeout(hWnd, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                            reinterpret_cast<LPARAM>(buffer.Address())) != 0 &&
            buffer.Read(&rect, sizeof(rect))) {
            ::MapWindowPoints(hWnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
        }
        rects += std::string(row > 0 ? "," : "") + RectJson(rect);
    }
    char selected[48];
    std::snprintf(selected, sizeof(selected), "],\"selected\":%d",
                  static_cast<int>(SendWithTimeout(hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                   LVNI_SELECTED)));
    return texts + "]" + rects + selected;
}

std::string WindowJson(HWND hWnd) {
    std::string json = "{";
    char buffer[256];
    std::snprintf(buffer, sizeof(buffer), "\"hwnd\":%llu,\"id\":%d,",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hWnd)),
                  ::GetDlgCtrlID(hWnd));
    json += buffer;
    json += "\"class\":\"" + Escape(ClassName(hWnd)) + "\",";
    json += "\"text\":\"" + Escape(WindowText(hWnd)) + "\",";
    std::snprintf(
        buffer, sizeof(buffer), "\"style\":%lu,\"exstyle\":%lu,\"visible\":%s,\"enabled\":%s,",
        static_cast<unsigned long>(::GetWindowLongA(hWnd, GWL_STYLE)),
        static_cast<unsigned long>(::GetWindowLongA(hWnd, GWL_EXSTYLE)),
        ::IsWindowVisible(hWnd) ? "true" : "false", ::IsWindowEnabled(hWnd) ? "true" : "false");
    json += buffer;
    if (ClassName(hWnd) == "Button") {
        DWORD_PTR check = 0;
        ::SendMessageTimeoutA(hWnd, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &check);
        std::snprintf(buffer, sizeof(buffer), "\"checked\":%d,", static_cast<int>(check));
        json += buffer;
    }
    RECT rect{};
    ::GetWindowRect(hWnd, &rect);
    json += "\"rect\":" + RectJson(rect);
    const HWND parent = ::GetParent(hWnd);
    if (parent != nullptr && (::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD) != 0) {
        // Position in the parent's client area, as the dialog template places it.
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
        json += ",\"client\":" + RectJson(rect);
    }
    if (ClassName(hWnd) == WC_LISTVIEWA) json += ListViewJson(hWnd);
    json += "}";
    return json;
}

std::string DialogJson(HWND hWnd) {
    std::string json = WindowJson(hWnd);
    json.pop_back();
    char buffer[128];
    RECT client{};
    ::GetClientRect(hWnd, &client);
    json += ",\"clientSize\":" + RectJson(client);
    std::snprintf(buffer, sizeof(buffer), ",\"iconic\":%s", ::IsIconic(hWnd) ? "true" : "false");
    json += buffer;
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const DWORD thread = ::GetWindowThreadProcessId(hWnd, nullptr);
    if (::GetGUIThreadInfo(thread, &info)) {
        std::snprintf(buffer, sizeof(buffer), ",\"focusId\":%d,\"activeIsThis\":%s",
                      info.hwndFocus != nullptr ? ::GetDlgCtrlID(info.hwndFocus) : 0,
                      info.hwndActive == hWnd ? "true" : "false");
        json += buffer;
    }
    std::snprintf(buffer, sizeof(buffer), ",\"foreground\":%s",
                  ::GetForegroundWindow() == hWnd ? "true" : "false");
    json += buffer;
    json += ",\"controls\":[";
    bool first = true;
    for (HWND child = ::GetWindow(hWnd, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!first) json += ",";
        first = false;
        json += WindowJson(child);
    }
    json += "]}";
    return json;
}

BOOL CALLBACK ListWindow(HWND hWnd, LPARAM lParam) {
    auto* windows = reinterpret_cast<std::vector<HWND>*>(lParam);
    windows->push_back(hWnd);
    return TRUE;
}

// The stand-in shell. Shell_NotifyIcon hands each request as WM_COPYDATA to the first
// top-level window of class "Shell_TrayWnd"; a topmost one created after the real shell's
// taskbar comes first, and a FALSE result is the shell's refusal.
const char* const kRefusingTrayCaption = "UiProbe refusing tray";

LRESULT CALLBACK RefusingTrayProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COPYDATA:
            return FALSE;
        case WM_TIMER:
            ::DestroyWindow(hWnd);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcA(hWnd, message, wParam, lParam);
    }
}

int RunRefusingTray(int seconds) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &RefusingTrayProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "Shell_TrayWnd";
    if (::RegisterClassA(&windowClass) == 0) return 1;
    const HWND hWnd =
        ::CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd", kRefusingTrayCaption,
                          WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (hWnd == nullptr) return 1;
    ::SetTimer(hWnd, 1, static_cast<UINT>(seconds) * 1000, nullptr);
    std::printf("%s\n", kRefusingTrayCaption);
    std::fflush(stdout);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: UiProbe state [caption] | windows | click <id> [caption] |"
                 " settext <id> <text> [caption] | post <msg> <wParam> <lParam> [caption] |"
                 " broadcast <name> | forgeticon <id> [caption] | refusingtray <seconds>\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    auto captionAt = [&](int index) { return argc > index ? argv[index] : kDefaultCaption; };

    if (command == "windows") {
        std::vector<HWND> windows;
        ::EnumWindows(&ListWindow, reinterpret_cast<LPARAM>(&windows));
        std::string json = "[";
        for (std::size_t i = 0; i < windows.size(); ++i) {
            if (i > 0) json += ",";
            json += WindowJson(windows[i]);
        }
        json += "]";
        std::printf("%s\n", json.c_str());
        return 0;
    }
    if (command == "state") {
        const HWND hWnd = FindTopLevel(captionAt(2));
        if (hWnd == nullptr) {
            std::printf("{\"found\":false}\n");
            return 2;
        }
        std::string json = DialogJson(hWnd);
        json.insert(1, "\"found\":true,");
        std::printf("%s\n", json.c_str());
        return 0;
    }
    if (command == "click" && argc >= 3) {
        const HWND hWnd = FindTopLevel(captionAt(3));
        const HWND control =
            hWnd != nullptr ? ::GetDlgItem(hWnd, static_cast<int>(ParseNumber(argv[2]))) : nullptr;
        if (control == nullptr) return 2;
        // Posted, so that a click that opens a modal dialog does not block the probe.
        ::PostMessageA(control, BM_CLICK, 0, 0);
        return 0;
    }
    if (command == "settext" && argc >= 4) {
        const HWND hWnd = FindTopLevel(captionAt(4));
        const HWND control =
            hWnd != nullptr ? ::GetDlgItem(hWnd, static_cast<int>(ParseNumber(argv[2]))) : nullptr;
        if (control == nullptr) return 2;
        ::SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]),
                              SMTO_ABORTIFHUNG, 5000, nullptr);
        return 0;
    }
    if (command == "post" && argc >= 5) {
        const HWND hWnd = FindTopLevel(captionAt(5));
        if (hWnd == nullptr) return 2;
        ::PostMessageA(hWnd, static_cast<UINT>(ParseNumber(argv[2])),
                       static_cast<WPARAM>(ParseNumber(argv[3])),
                       static_cast<LPARAM>(ParseNumber(argv[4])));
        return 0;
    }
    if (command == "broadcast" && argc >= 3) {
        const UINT message = ::RegisterWindowMessageA(argv[2]);
        if (message == 0) return 1;
        return ::PostMessageA(HWND_BROADCAST, message, 0, 0) ? 0 : 1;
    }
    if (command == "forgeticon" && argc >= 3) {
        const HWND hWnd = FindTopLevel(captionAt(3));
        if (hWnd == nullptr) return 2;
        NOTIFYICONDATAA data{};
        data.cbSize = NOTIFYICONDATAA_V2_SIZE;
        data.hWnd = hWnd;
        data.uID = static_cast<UINT>(ParseNumber(argv[2]));
        return ::Shell_NotifyIconA(NIM_DELETE, &data) ? 0 : 2;
    }
    if (command == "refusingtray" && argc >= 3) {
        return RunRefusingTray(static_cast<int>(ParseNumber(argv[2])));
    }
    return Usage();
}

#include "win/FeedDialog.h"

#include <commdlg.h>
#include <shellapi.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

#include "win/AboutDialog.h"
#include "win/resource.h"

// The controller names the controls by the dialog's own control identifiers.
static_assert(static_cast<int>(EFeedControl::SharedFile) == IDC_SHARED_FILE);
static_assert(static_cast<int>(EFeedControl::BrowseShared) == IDC_BROWSE_SHARED);
static_assert(static_cast<int>(EFeedControl::FeedFile) == IDC_FEED_FILE);
static_assert(static_cast<int>(EFeedControl::BrowseFeed) == IDC_BROWSE_FEED);
static_assert(static_cast<int>(EFeedControl::Interval) == IDC_INTERVAL);
static_assert(static_cast<int>(EFeedControl::EnableFeed) == IDC_ENABLE_FEED);
static_assert(static_cast<int>(EFeedControl::Status) == IDC_STATUS);
static_assert(static_cast<int>(EFeedControl::ModeAdd) == IDC_MODE_ADD);
static_assert(static_cast<int>(EFeedControl::ModeReplace) == IDC_MODE_REPLACE);
static_assert(WM_FEEDTRAY == 0x8005);

namespace {

constexpr UINT kTrayIconId = IDI_MAINFRAME;
// The sync timer is identifier 1 (the controller starts it); this one-shot timer runs the
// cycle that a settled change brings forward.
constexpr UINT_PTR kSettleTimerId = 2;

std::int64_t WallMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

constexpr const char kSharedFileFilter[] =
    "Zelvaro Event Files (*.dat)|*.dat|All Files (*.*)|*.*||";
// An iCalendar file is read as such whatever its name; the filter only helps to find one.
constexpr const char kFeedFileFilter[] =
    "Text Files (*.txt)|*.txt|iCalendar Files (*.ics)|*.ics|All Files (*.*)|*.*||";

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

CFeedDialog::CFeedDialog(HWND parent, CPlatform& platform)
    : CDialog(IDD_ZELVAROFEED_DIALOG, parent),
      m_hWindowIcon(::LoadIconA(GetInstance(), MAKEINTRESOURCEA(IDI_MAINFRAME))),
      // The notification area shows small icons: take the icon's own small image rather than
      // a scaled-down large one.
      m_hTrayIcon(static_cast<HICON>(::LoadImageA(GetInstance(), MAKEINTRESOURCEA(IDI_MAINFRAME),
                                                  IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                                  ::GetSystemMetrics(SM_CYSMICON), LR_SHARED))),
      m_controller(*this, platform),
      m_changes(platform),
      m_nTaskbarCreatedMessage(::RegisterWindowMessageA("TaskbarCreated")) {}

std::string CFeedDialog::GetControlText(EFeedControl control) {
    const HWND item = ::GetDlgItem(m_hWnd, static_cast<int>(control));
    if (item == nullptr) return {};
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(item)) + 1, '\0');
    const int length = ::GetWindowTextA(item, text.data(), static_cast<int>(text.size()));
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return text;
}

void CFeedDialog::SetControlText(EFeedControl control, const std::string& text) {
    ::SetDlgItemTextA(m_hWnd, static_cast<int>(control), text.c_str());
}

bool CFeedDialog::IsControlChecked(EFeedControl control) {
    return ::SendDlgItemMessageA(m_hWnd, static_cast<int>(control), BM_GETCHECK, 0, 0) ==
           BST_CHECKED;
}

void CFeedDialog::SetControlChecked(EFeedControl control, bool checked) {
    ::SendDlgItemMessageA(m_hWnd, static_cast<int>(control), BM_SETCHECK,
                          checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CFeedDialog::EnableControl(EFeedControl control, bool enable) {
    ::EnableWindow(::GetDlgItem(m_hWnd, static_cast<int>(control)), enable ? TRUE : FALSE);
}

unsigned int CFeedDialog::StartTimer(unsigned int periodMs) {
    return static_cast<unsigned int>(::SetTimer(m_hWnd, 1, periodMs, nullptr));
}

void CFeedDialog::StopTimer(unsigned int timerId) {
    ::KillTimer(m_hWnd, timerId);
}

INT_PTR CFeedDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // A registered message has no constant value to switch on.
    if (message == m_nTaskbarCreatedMessage && message != 0) {
        OnTaskbarCreated();
        return TRUE;
    }
    switch (message) {
        case WM_SYSCOMMAND:
            return OnSysCommand(wParam);
        case WM_PAINT:
            return OnPaint() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(m_hWindowIcon);
        case WM_TIMER:
            OnTimer(wParam);
            return TRUE;
        case WM_SIZE:
            OnSize(wParam);
            return FALSE;
        case WM_FEEDTRAY:
            OnTrayNotify(lParam);
            return TRUE;
        case WM_COMMAND:
            if (OnCommand(LOWORD(wParam), HIWORD(wParam))) return TRUE;
            break;
        default:
            break;
    }
    return CDialog::HandleMessage(message, wParam, lParam);
}

BOOL CFeedDialog::OnInitDialog() {
    AddAboutMenuItem();
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hWindowIcon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hWindowIcon));
    m_controller.Initialize();
    CDialog::SetLoopWaits(this);
    FollowFeed();
    // Without a shell that takes the icon the program runs on silently and minimises to the
    // taskbar; a shell that starts later announces itself with TaskbarCreated.
    m_trayIcon.Add(m_hWnd, kTrayIconId, WM_FEEDTRAY, m_hTrayIcon);
    return TRUE;
}

void CFeedDialog::AddAboutMenuItem() {
    const HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (systemMenu == nullptr) return;
    std::array<char, 256> text{};
    if (::LoadStringA(GetInstance(), IDS_ABOUTBOX, text.data(), static_cast<int>(text.size())) <=
        0) {
        return;
    }
    ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(systemMenu, MF_STRING, IDM_SYSMENU_ABOUT, text.data());
}

void CFeedDialog::OnCancel() {
    if (IsEnding()) return;
    CDialog::SetLoopWaits(nullptr);
    ::KillTimer(m_hWnd, kSettleTimerId);
    m_controller.Close();
    m_trayIcon.Remove();
    EndDialog(IDCANCEL);
}

BOOL CFeedDialog::OnSysCommand(WPARAM command) {
    // The system uses the low four bits of a system command internally.
    if ((command & 0xFFF0) != IDM_SYSMENU_ABOUT) return FALSE;
    CAboutDialog about(m_hWnd);
    about.DoModal();
    return TRUE;
}

bool CFeedDialog::OnPaint() {
    if (!::IsIconic(m_hWnd)) return false;
    PAINTSTRUCT paint{};
    const HDC dc = ::BeginPaint(m_hWnd, &paint);
    ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hWindowIcon);
    ::EndPaint(m_hWnd, &paint);
    return true;
}

void CFeedDialog::OnTimer(WPARAM timerId) {
    const bool tick = timerId != kSettleTimerId;
    const std::int64_t checkMs = WallMs();
    m_changes.Collect(checkMs);
    if (tick || !m_changes.GetDue(checkMs).empty()) {
        CFeedSettings& settings = m_controller.m_Settings;
        if (m_changes.MayHideChange(settings.FeedFilePath)) settings.ForgetFeedFileTime();
        m_changes.OnChecked(settings.FeedFilePath, checkMs);
        RunCycle();
    }
    // A folder that could not be watched may be back.
    if (tick) FollowFeed();
    ScheduleSettle();
}

void CFeedDialog::RunCycle() {
    // The system merges due timer messages into one, so at most one tick follows a long
    // cycle; the flag keeps a tick from nesting inside a running cycle.
    if (m_bInCycle) return;
    m_bInCycle = true;
    m_controller.RunSyncCycle();
    m_bInCycle = false;
}

void CFeedDialog::FollowFeed() {
    if (m_controller.GetTimerPeriodMs() == 0) {
        m_changes.Follow({});
    } else {
        m_changes.Follow({m_controller.m_Settings.FeedFilePath});
    }
    ShowWatchFailures();
}

void CFeedDialog::ShowWatchFailures() {
    for (const std::string& failure : m_changes.TakeFailures()) {
        SetControlText(
            EFeedControl::Status,
            CFeedChangeWatch::FailureText(failure, m_controller.m_Settings.CheckFeedInterval));
    }
}

void CFeedDialog::ScheduleSettle() {
    const std::int64_t wait = m_changes.WaitMs(WallMs());
    if (wait < 0) {
        ::KillTimer(m_hWnd, kSettleTimerId);
        return;
    }
    ::SetTimer(m_hWnd, kSettleTimerId, static_cast<UINT>(wait), nullptr);
}

std::vector<HANDLE> CFeedDialog::GetHandles() {
    std::vector<HANDLE> handles;
    for (const std::intptr_t handle : m_changes.GetWaitHandles()) {
        handles.push_back(reinterpret_cast<HANDLE>(handle));
    }
    return handles;
}

void CFeedDialog::OnSignalled() {
    m_changes.Collect(WallMs());
    ShowWatchFailures();
    ScheduleSettle();
}

void CFeedDialog::OnSize(WPARAM sizeType) {
    // A minimised window lives on in the tray only: hiding it also drops its taskbar button.
    // Without the icon that would leave no way back, so the window stays on the taskbar.
    if (sizeType == SIZE_MINIMIZED && m_trayIcon.IsAdded()) ::ShowWindow(m_hWnd, SW_HIDE);
}

void CFeedDialog::OnTrayNotify(LPARAM mouseMessage) {
    if (static_cast<UINT>(mouseMessage) != WM_LBUTTONDBLCLK || !::IsIconic(m_hWnd)) return;
    ::ShowWindow(m_hWnd, SW_RESTORE);
    // The shell lets the process whose tray icon was clicked take the foreground.
    ::SetForegroundWindow(m_hWnd);
}

void CFeedDialog::OnTaskbarCreated() {
    if (IsEnding() || m_trayIcon.AddAgain()) return;
    // The shell took the icon away and refuses it now: a window hidden in the tray would stay
    // out of reach, so it comes back minimised, with its taskbar button. Shown active: a
    // taskbar may list a window shown without activation only at its next update (Wine's
    // does).
    if (!::IsWindowVisible(m_hWnd)) ::ShowWindow(m_hWnd, SW_SHOWMINIMIZED);
}

BOOL CFeedDialog::OnCommand(WORD id, WORD notifyCode) {
    switch (id) {
        case IDC_BROWSE_SHARED:
            if (notifyCode == BN_CLICKED) OnBrowseSharedFile();
            return TRUE;
        case IDC_BROWSE_FEED:
            if (notifyCode == BN_CLICKED) OnBrowseFeedFile();
            return TRUE;
        case IDC_ENABLE_FEED:
            if (notifyCode == BN_CLICKED) {
                m_controller.OnEnableFeed();
                FollowFeed();
                ScheduleSettle();
            }
            return TRUE;
        case IDC_EXIT:
            if (notifyCode == BN_CLICKED) OnCancel();
            return TRUE;
        default:
            return FALSE;
    }
}

void CFeedDialog::OnBrowseSharedFile() {
    BrowseForFile(IDC_SHARED_FILE, kSharedFileFilter);
}

void CFeedDialog::OnBrowseFeedFile() {
    BrowseForFile(IDC_FEED_FILE, kFeedFileFilter);
}

void CFeedDialog::BrowseForFile(int edit, const char* filter) {
    const std::vector<char> filterList = ToFilterList(filter);
    std::array<char, MAX_PATH> path{};
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = m_hWnd;
    dialog.lpstrFilter = filterList.data();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!::GetOpenFileNameA(&dialog)) return;
    ::SetDlgItemTextA(m_hWnd, edit, path.data());
}

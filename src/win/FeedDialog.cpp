#include "win/FeedDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "win/AboutDialog.h"
#include "win/FileChooser.h"
#include "win/SubscriptionDialog.h"

// The controller names the controls by the dialog's own control identifiers.
static_assert(static_cast<int>(EFeedControl::SharedFile) == IDC_SHARED_FILE);
static_assert(static_cast<int>(EFeedControl::BrowseShared) == IDC_BROWSE_SHARED);
static_assert(static_cast<int>(EFeedControl::EnableFeed) == IDC_ENABLE_FEED);
static_assert(static_cast<int>(EFeedControl::Status) == IDC_STATUS);
static_assert(static_cast<int>(EFeedControl::ModeAdd) == IDC_MODE_ADD);
static_assert(static_cast<int>(EFeedControl::ModeReplace) == IDC_MODE_REPLACE);
static_assert(static_cast<int>(EFeedControl::Subscriptions) == IDC_SUBSCRIPTIONS);
static_assert(static_cast<int>(EFeedControl::AddFeed) == IDC_ADD_FEED);
static_assert(static_cast<int>(EFeedControl::EditFeed) == IDC_EDIT_FEED);
static_assert(static_cast<int>(EFeedControl::RemoveFeed) == IDC_REMOVE_FEED);
static_assert(WM_FEEDTRAY == 0x8005);

namespace {

constexpr UINT kTrayIconId = IDI_MAINFRAME;
// The sync timer is identifier 1 (the controller starts it); this one-shot timer runs the
// cycle that a settled change brings forward.
constexpr UINT_PTR kSettleTimerId = 2;

constexpr const char kSharedFileFilter[] =
    "Zelvaro Event Files (*.dat)|*.dat|All Files (*.*)|*.*||";

// The list's columns: their titles and widths in dialog units.
struct SColumn {
    UINT title;
    int width;
};
constexpr SColumn kColumns[] = {
    {IDS_COLUMN_NAME, 50},
    {IDS_COLUMN_SOURCE, 80},
    {IDS_COLUMN_STATUS, 75},
    {IDS_COLUMN_LAST_SYNC, 75},
};

// A resource text with "%s" and "%d" filled in.
template <typename... Args>
std::string Formatted(const std::string& format, Args... args) {
    std::array<char, 1024> text{};
    std::snprintf(text.data(), text.size(), format.c_str(), args...);
    return text.data();
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
      m_nTaskbarCreatedMessage(::RegisterWindowMessageA("TaskbarCreated")) {}

std::string CFeedDialog::GetControlText(EFeedControl control) {
    return GetItemText(static_cast<int>(control));
}

void CFeedDialog::SetControlText(EFeedControl control, const std::string& text) {
    SetItemText(static_cast<int>(control), text);
}

bool CFeedDialog::IsControlChecked(EFeedControl control) {
    return IsItemChecked(static_cast<int>(control));
}

void CFeedDialog::SetControlChecked(EFeedControl control, bool checked) {
    SetItemChecked(static_cast<int>(control), checked);
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
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        default:
            break;
    }
    return CDialog::HandleMessage(message, wParam, lParam);
}

BOOL CFeedDialog::OnInitDialog() {
    AddAboutMenuItem();
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hWindowIcon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hWindowIcon));
    AddListColumns();
    m_controller.Initialize();
    CDialog::SetLoopWaits(this);
    ScheduleSettle();
    ShowSubscriptions();
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
    // The system merges due timer messages into one, so at most one tick follows a long
    // cycle; the flag keeps a tick from nesting inside a running cycle.
    if (!m_bInCycle) {
        m_bInCycle = true;
        m_controller.CollectChanges();
        if (timerId != kSettleTimerId) {
            m_controller.RunSyncCycle();
        } else {
            m_controller.RunChangedFeeds();
        }
        m_bInCycle = false;
        ShowSubscriptions();
    }
    ScheduleSettle();
}

void CFeedDialog::ScheduleSettle() {
    const std::int64_t wait = m_controller.ChangeWaitMs();
    if (wait < 0) {
        ::KillTimer(m_hWnd, kSettleTimerId);
        return;
    }
    ::SetTimer(m_hWnd, kSettleTimerId, static_cast<UINT>(wait), nullptr);
}

std::vector<HANDLE> CFeedDialog::GetHandles() {
    std::vector<HANDLE> handles;
    for (const std::intptr_t handle : m_controller.GetChangeHandles()) {
        handles.push_back(reinterpret_cast<HANDLE>(handle));
    }
    return handles;
}

void CFeedDialog::OnSignalled() {
    m_controller.CollectChanges();
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
        case IDC_ADD_FEED:
            if (notifyCode == BN_CLICKED) OnAddSubscription();
            return TRUE;
        case IDC_EDIT_FEED:
            if (notifyCode == BN_CLICKED) OnEditSubscription();
            return TRUE;
        case IDC_REMOVE_FEED:
            if (notifyCode == BN_CLICKED) OnRemoveSubscription();
            return TRUE;
        case IDC_ENABLE_FEED:
            if (notifyCode == BN_CLICKED) {
                m_controller.OnEnableFeed();
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

BOOL CFeedDialog::OnNotify(const NMHDR& header) {
    // A double click on a row is Edit..., while the button is there to click.
    if (header.idFrom != IDC_SUBSCRIPTIONS || header.code != NM_DBLCLK) return FALSE;
    if (::IsWindowEnabled(::GetDlgItem(m_hWnd, IDC_EDIT_FEED))) OnEditSubscription();
    return TRUE;
}

void CFeedDialog::OnBrowseSharedFile() {
    std::string path;
    if (CFileChooser::Choose(m_hWnd, kSharedFileFilter, path)) SetItemText(IDC_SHARED_FILE, path);
}

void CFeedDialog::OnAddSubscription() {
    EditSubscription(-1);
}

void CFeedDialog::OnEditSubscription() {
    const int index = SelectedSubscription();
    if (index >= 0) EditSubscription(index);
}

void CFeedDialog::EditSubscription(int index) {
    const std::vector<CSubscription>& items = m_controller.m_Settings.Subscriptions.Items;
    CSubscriptionDialog dialog(m_hWnd, index < 0, m_controller.SubscriptionForm(index),
                               [this, index](const CSubscriptionForm& saved, std::string& message) {
                                   return m_controller.SaveSubscription(index, saved, message);
                               });
    if (dialog.DoModal() != IDOK) return;
    m_controller.SaveSettings();
    ShowSubscriptions(index < 0 ? static_cast<int>(items.size()) - 1 : index);
}

void CFeedDialog::OnRemoveSubscription() {
    const int index = SelectedSubscription();
    if (index < 0) return;
    const std::string name =
        m_controller.m_Settings.Subscriptions.Items[static_cast<std::size_t>(index)].Name;
    const int answer = ::MessageBoxA(
        m_hWnd, Formatted(LoadText(IDS_REMOVE_QUESTION), name.c_str()).c_str(),
        LoadText(IDS_REMOVE_CAPTION).c_str(), MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1);
    if (answer != IDYES && answer != IDNO) return;
    const bool keep = answer == IDYES;
    // The event file as the edit shows it now.
    m_controller.CollectSettings();
    int removed = 0;
    const std::string status = m_controller.RemoveSubscription(index, keep, removed);
    if (status != CFeedController::kStatusSyncSuccessful) {
        SetItemText(IDC_STATUS,
                    Formatted(LoadText(IDS_STAYS_SUBSCRIBED), name.c_str(), status.c_str()));
    } else {
        m_controller.SaveSettings();
        SetItemText(IDC_STATUS,
                    keep ? Formatted(LoadText(IDS_REMOVED_KEPT), name.c_str())
                         : Formatted(LoadText(IDS_REMOVED_EVENTS), name.c_str(), removed));
    }
    ShowSubscriptions(index);
}

void CFeedDialog::AddListColumns() {
    const HWND list = List();
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (std::size_t i = 0; i < std::size(kColumns); ++i) {
        RECT width{0, 0, kColumns[i].width, 0};
        ::MapDialogRect(m_hWnd, &width);
        std::string title = LoadText(kColumns[i].title);
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = title.data();
        column.cx = width.right;
        column.iSubItem = static_cast<int>(i);
        ::SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

void CFeedDialog::ShowSubscriptions(int select) {
    const HWND list = List();
    if (select < 0) select = SelectedSubscription();
    const std::vector<CSubscription>& items = m_controller.m_Settings.Subscriptions.Items;
    const int count = static_cast<int>(items.size());
    // Rows are changed in place rather than filled anew, so that the list neither flickers
    // nor scrolls back at every tick.
    while (::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > count) {
        ::SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(count), 0);
    }
    for (int i = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); i < count; ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<char*>("");
        ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    for (int i = 0; i < count; ++i) {
        const SSubscriptionRow row = items[static_cast<std::size_t>(i)].Row();
        const std::string* const texts[] = {&row.Name, &row.Source, &row.Status, &row.LastSync};
        for (int column = 0; column < static_cast<int>(std::size(texts)); ++column) {
            LVITEMA item{};
            item.iSubItem = column;
            item.pszText = const_cast<char*>(texts[column]->c_str());
            ::SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(i),
                           reinterpret_cast<LPARAM>(&item));
        }
    }
    if (count > 0) {
        if (select < 0 || select >= count) select = select >= count ? count - 1 : 0;
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(select),
                       reinterpret_cast<LPARAM>(&item));
    }
    SetItemText(IDC_MODE_NOTE, m_controller.m_Settings.Subscriptions.ModeNote());
    m_trayIcon.SetTip(m_controller.TrayTip());
}

int CFeedDialog::SelectedSubscription() const {
    return static_cast<int>(
        ::SendMessageA(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

#include "win/SubscriptionDialog.h"

#include <utility>

#include "win/FileChooser.h"
#include "win/resource.h"

namespace {

// An iCalendar file is read as such whatever its name; the filter only helps to find one.
constexpr const char kFeedFileFilter[] =
    "iCalendar Files (*.ics)|*.ics|Text Files (*.txt)|*.txt|All Files (*.*)|*.*||";
constexpr const char kCaFileFilter[] =
    "Certificate Files (*.pem;*.crt)|*.pem;*.crt|All Files (*.*)|*.*||";

// The edit of each field that a check can refuse, and the name the reason starts with.
struct SFieldControl {
    ESubscriptionField field;
    int id;
    const char* label;
};
constexpr SFieldControl kFieldControls[] = {
    {ESubscriptionField::Name, IDC_FEED_NAME, "Name"},
    {ESubscriptionField::Source, IDC_FEED_SOURCE, "Source"},
    {ESubscriptionField::Interval, IDC_FEED_INTERVAL, "Interval"},
    {ESubscriptionField::Color, IDC_FEED_COLOR, "Color"},
    {ESubscriptionField::Reminder, IDC_FEED_REMINDER, "Reminder"},
    {ESubscriptionField::AllDayReminder, IDC_FEED_ALL_DAY_REMINDER, "All-day reminder"},
};

}  // namespace

CSubscriptionDialog::CSubscriptionDialog(HWND parent, bool adding, CSubscriptionForm form,
                                         SaveFunction save)
    : CDialog(IDD_SUBSCRIPTION, parent),
      m_bAdding(adding),
      m_form(std::move(form)),
      m_save(std::move(save)) {}

INT_PTR CSubscriptionDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
            case IDC_FEED_BROWSE:
                Browse(IDC_FEED_SOURCE, kFeedFileFilter);
                return TRUE;
            case IDC_FEED_BROWSE_CA:
                Browse(IDC_FEED_CA_FILE, kCaFileFilter);
                return TRUE;
            default:
                break;
        }
    }
    return CDialog::HandleMessage(message, wParam, lParam);
}

BOOL CSubscriptionDialog::OnInitDialog() {
    ::SetWindowTextA(m_hWnd,
                     LoadText(m_bAdding ? IDS_ADD_SUBSCRIPTION : IDS_EDIT_SUBSCRIPTION).c_str());
    Fill();
    if (!m_bAdding) {
        ::SendDlgItemMessageA(m_hWnd, IDC_FEED_SOURCE, EM_SETREADONLY, TRUE, 0);
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_FEED_BROWSE), FALSE);
    }
    return TRUE;
}

void CSubscriptionDialog::OnOK() {
    m_form = Collect();
    std::string message;
    const ESubscriptionField field = m_save(m_form, message);
    if (field == ESubscriptionField::None) {
        EndDialog(IDOK);
        return;
    }
    for (const SFieldControl& control : kFieldControls) {
        if (control.field != field) continue;
        SetItemText(IDC_FEED_ERROR, std::string(control.label) + ": " + message);
        const HWND edit = ::GetDlgItem(m_hWnd, control.id);
        // WM_NEXTDLGCTL moves the focus the way the dialog manager does, selecting the text.
        ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    }
}

void CSubscriptionDialog::Fill() {
    SetItemText(IDC_FEED_NAME, m_form.Name);
    SetItemText(IDC_FEED_SOURCE, m_form.Source);
    SetItemChecked(IDC_FEED_ENABLED, m_form.Enabled);
    SetItemText(IDC_FEED_INTERVAL, m_form.Interval);
    SetItemText(IDC_FEED_CA_FILE, m_form.CaFile);
    SetItemText(IDC_FEED_COLOR, m_form.Color);
    SetItemText(IDC_FEED_CATEGORY, m_form.Category);
    SetItemText(IDC_FEED_REMINDER, m_form.Reminder);
    SetItemText(IDC_FEED_ALL_DAY_REMINDER, m_form.AllDayReminder);
    SetItemChecked(IDC_FEED_IGNORE_ALARMS, m_form.IgnoreAlarms);
    SetItemChecked(IDC_FEED_IGNORE_DESCRIPTION, m_form.IgnoreDescription);
}

CSubscriptionForm CSubscriptionDialog::Collect() const {
    CSubscriptionForm form;
    form.Name = GetItemText(IDC_FEED_NAME);
    form.Source = GetItemText(IDC_FEED_SOURCE);
    form.Enabled = IsItemChecked(IDC_FEED_ENABLED);
    form.Interval = GetItemText(IDC_FEED_INTERVAL);
    form.CaFile = GetItemText(IDC_FEED_CA_FILE);
    form.Color = GetItemText(IDC_FEED_COLOR);
    form.Category = GetItemText(IDC_FEED_CATEGORY);
    form.Reminder = GetItemText(IDC_FEED_REMINDER);
    form.AllDayReminder = GetItemText(IDC_FEED_ALL_DAY_REMINDER);
    form.IgnoreAlarms = IsItemChecked(IDC_FEED_IGNORE_ALARMS);
    form.IgnoreDescription = IsItemChecked(IDC_FEED_IGNORE_DESCRIPTION);
    return form;
}

void CSubscriptionDialog::Browse(int edit, const char* filter) {
    std::string path;
    if (CFileChooser::Choose(m_hWnd, filter, path)) SetItemText(edit, path);
}

// The control window: the settings controls, the list of subscriptions, the "Enable Feed"
// switch, the status field and the tray icon, over the window-independent CFeedController.
#pragma once

#include <string>
#include <vector>

#include "app/FeedController.h"
#include "app/FeedView.h"
#include "win/Dialog.h"
#include "win/TrayIcon.h"
#include "win/resource.h"

// Moves values between the controls and the controller and forwards commands; the
// controller holds the settings, the feed lists, the timer identifier and the sync cycle.
// The list view shows the subscriptions (name, source, status, last sync), brought up to date
// after every cycle; Add... and Edit... open CSubscriptionDialog, Remove asks whether to keep
// the events. Like the other setting controls they are disabled while the feed runs. The tray
// icon's tip tells how many subscriptions there are and the last failure.
// Minimising hides the window while its tray icon is shown, and a double click on the icon
// brings it back; without the icon the window minimises to its taskbar button as any window
// does. A shell that (re)starts gets the icon again. Every way of closing (Exit, Escape, the
// close box, Alt+F4) stops the timer, saves the settings and removes the tray icon.
//
// While the feed runs, a change of a feed file brings its check forward: the controller's
// folder watch handles wait in the modal loops (CLoopWaits), and a one-shot window timer
// (kSettleTimerId) runs the checks once the change has settled. The controller shows a folder
// that cannot be watched in the status field and leaves it to the timer.
class CFeedDialog : public CDialog, public CFeedView, private CLoopWaits {
public:
    // REQUIRES: `platform` outlives the dialog.
    CFeedDialog(HWND parent, CPlatform& platform);
    // Takes its handles out of the modal loops, however the dialog ended.
    ~CFeedDialog() override { CDialog::SetLoopWaits(nullptr); }

    // CFeedView over the dialog's controls.
    std::string GetControlText(EFeedControl control) override;
    void SetControlText(EFeedControl control, const std::string& text) override;
    bool IsControlChecked(EFeedControl control) override;
    void SetControlChecked(EFeedControl control, bool checked) override;
    void EnableControl(EFeedControl control, bool enable) override;
    // A window timer with identifier 1 whose WM_TIMER runs one sync cycle.
    unsigned int StartTimer(unsigned int periodMs) override;
    void StopTimer(unsigned int timerId) override;
    // The list of subscriptions takes the place of the one feed's path and interval.
    bool ShowsSubscriptions() const override { return true; }

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    // Enter must not close the window.
    void OnOK() override {}
    // The closing: stop the timer, collect and save the settings, remove the tray icon, end.
    void OnCancel() override;

private:
    void AddAboutMenuItem();
    BOOL OnSysCommand(WPARAM command);
    bool OnPaint();
    // The sync timer runs one sync cycle, the settle timer the checks that changes brought
    // forward; neither while a cycle runs.
    void OnTimer(WPARAM timerId);
    // Starts the settle timer for the first due check, or stops it when none waits.
    void ScheduleSettle();
    std::vector<HANDLE> GetHandles() override;
    void OnSignalled() override;
    void OnSize(WPARAM sizeType);
    void OnTrayNotify(LPARAM mouseMessage);
    void OnTaskbarCreated();
    BOOL OnCommand(WORD id, WORD notifyCode);
    BOOL OnNotify(const NMHDR& header);
    void OnBrowseSharedFile();
    void OnAddSubscription();
    void OnEditSubscription();
    void OnRemoveSubscription();
    // Opens the subscription dialog for the subscription at `index` (-1: a new one) and,
    // when it was saved, saves the settings and shows the list again with it selected.
    void EditSubscription(int index);

    void AddListColumns();
    // Brings the list, the note on the sync mode and the tray tip up to date, selecting the
    // row `select` (-1: the one selected before, or the first).
    void ShowSubscriptions(int select = -1);
    // The index of the selected row; -1 when none is.
    int SelectedSubscription() const;
    HWND List() const { return ::GetDlgItem(m_hWnd, IDC_SUBSCRIPTIONS); }

    // Shared resource icons: the system frees them with the module.
    HICON m_hWindowIcon;
    HICON m_hTrayIcon;
    CFeedController m_controller;
    CTrayIcon m_trayIcon;
    // The message that the shell broadcasts to every top-level window when its taskbar is
    // created, after a crash or restart of the shell as well as at log-on; 0 if the system
    // could not register it.
    UINT m_nTaskbarCreatedMessage;
    // Set while a sync cycle runs, so that a timer message dispatched by anything the cycle
    // does cannot start a second cycle inside the first.
    bool m_bInCycle = false;
};

// The dialog of one subscription: every choice of it, for a new one (Add...) or a change
// (Edit...).
#pragma once

#include <functional>
#include <string>

#include "app/SubscriptionForm.h"
#include "win/Dialog.h"

// Moves the form's texts between the controls and the form. OK hands the form to `save`,
// which checks it against the list and keeps it; a refused field keeps the dialog open with
// the reason below the fields and the focus in that field. A change keeps the source: another
// source is another subscription (removed and added), whose state and events are its own.
class CSubscriptionDialog : public CDialog {
public:
    // Checks `form` and keeps it; returns the field refused, with the reason in `message`, or
    // ESubscriptionField::None.
    using SaveFunction =
        std::function<ESubscriptionField(const CSubscriptionForm& form, std::string& message)>;

    // `adding`: a new subscription (the source can be chosen), otherwise a change of `form`'s.
    CSubscriptionDialog(HWND parent, bool adding, CSubscriptionForm form, SaveFunction save);

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    void Fill();
    CSubscriptionForm Collect() const;
    void Browse(int edit, const char* filter);

    bool m_bAdding;
    CSubscriptionForm m_form;
    SaveFunction m_save;
};

#include "ConsoleFeedView.h"

#include "datetime/DateTime.h"

std::string CConsoleFeedView::GetControlText(EFeedControl control) {
    return GetText(control);
}

std::string CConsoleFeedView::GetText(EFeedControl control) const {
    const auto found = m_texts.find(control);
    return found == m_texts.end() ? std::string() : found->second;
}

void CConsoleFeedView::SetControlText(EFeedControl control, const std::string& text) {
    m_texts[control] = text;
    if (control == EFeedControl::Status && m_statusOut != nullptr) {
        *m_statusOut << Stamp(text) << std::endl;
    }
}

bool CConsoleFeedView::IsControlChecked(EFeedControl control) {
    const auto found = m_checked.find(control);
    return found != m_checked.end() && found->second;
}

void CConsoleFeedView::SetControlChecked(EFeedControl control, bool checked) {
    m_checked[control] = checked;
}

unsigned int CConsoleFeedView::StartTimer(unsigned int periodMs) {
    m_timerRunning = true;
    m_timerPeriodMs = periodMs;
    return 1;
}

void CConsoleFeedView::StopTimer(unsigned int) {
    m_timerRunning = false;
}

std::string CConsoleFeedView::Stamp(const std::string& text) {
    return CDateTime::Now().Format("%Y-%m-%d %H:%M:%S") + "  " + text;
}

#include "support/FakeFeedView.h"

std::string CFakeFeedView::GetControlText(EFeedControl control) {
    const auto found = m_texts.find(control);
    return found == m_texts.end() ? std::string() : found->second;
}

void CFakeFeedView::SetControlText(EFeedControl control, const std::string& text) {
    m_texts[control] = text;
    if (control == EFeedControl::Status) m_statuses.push_back(text);
}

bool CFakeFeedView::IsControlChecked(EFeedControl control) {
    const auto found = m_checked.find(control);
    return found != m_checked.end() && found->second;
}

void CFakeFeedView::SetControlChecked(EFeedControl control, bool checked) {
    m_checked[control] = checked;
}

void CFakeFeedView::EnableControl(EFeedControl control, bool enable) {
    m_enabled[control] = enable;
    m_enableOrder.push_back(control);
}

unsigned int CFakeFeedView::StartTimer(unsigned int periodMs) {
    m_timerCalls.push_back({true, periodMs});
    const unsigned int id = m_nextTimerId;
    if (m_nextTimerId != 0) ++m_nextTimerId;
    return id;
}

void CFakeFeedView::StopTimer(unsigned int timerId) {
    m_timerCalls.push_back({false, timerId});
}

bool CFakeFeedView::IsEnabled(EFeedControl control) const {
    const auto found = m_enabled.find(control);
    return found == m_enabled.end() || found->second;
}

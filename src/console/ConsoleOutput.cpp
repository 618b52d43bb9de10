#include "ConsoleOutput.h"

#include <cerrno>

#include "SystemReason.h"

void CConsoleOutput::Info(const std::string& line) {
    if (!IsQuiet()) m_out << line << std::endl;
}

void CConsoleOutput::Detail(const std::string& line) {
    if (IsVerbose()) m_out << line << std::endl;
}

void CConsoleOutput::Error(const std::string& line) {
    // Results already written must come first when both streams go to one terminal or log.
    m_out.flush();
    m_err << "zelvarofeed: " << line << std::endl;
}

bool CConsoleOutput::FlushOut(const std::string& what) {
    m_out.flush();
    if (m_out) return true;
    // No call after the failed write can leave a transfer error, so one found in errno is the
    // write's own.
    const int failure = errno;
    if (!m_outFailureReported) {
        m_outFailureReported = true;
        m_err << "zelvarofeed: "
              << CSystemReason::Append(what, CSystemReason::TransferError(failure)) << std::endl;
    }
    return false;
}

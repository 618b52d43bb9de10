#include "ConsoleOutput.h"

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

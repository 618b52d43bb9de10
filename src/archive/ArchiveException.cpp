#include "archive/ArchiveException.h"

namespace {

const char* CauseText(CArchiveException::ECause cause) {
    switch (cause) {
        case CArchiveException::genericException:
            return "A file error occurred while accessing %1.";
        case CArchiveException::endOfFile:
            return "An attempt was made to access %1 past its end.";
        case CArchiveException::badIndex:
            return "%1 has a bad format.";
        case CArchiveException::badClass:
            return "%1 contained an unexpected object.";
        case CArchiveException::badSchema:
            return "%1 contains an incorrect schema.";
        case CArchiveException::none:
            break;
    }
    return "An unknown error occurred while accessing %1.";
}

}  // namespace

std::string CArchiveException::GetErrorMessage(const std::string& name) const {
    const std::string text = CauseText(m_cause);
    std::string message;
    std::size_t from = 0;
    for (std::size_t at = text.find("%1"); at != std::string::npos; at = text.find("%1", from)) {
        message.append(text, from, at - from);
        message += name;
        from = at + 2;
    }
    message.append(text, from, std::string::npos);
    return message;
}

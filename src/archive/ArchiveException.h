// The one exception of the core: a damaged event-file stream, or a file-system failure
// while the archive reads or writes.
#pragma once

#include <string>

class CArchiveException {
public:
    enum ECause {
        none = 0,
        genericException = 1,  // the file layer failed (read or write error); no stream fault
        endOfFile = 3,         // the stream ends inside a value, a string or a record
        badIndex = 5,          // a class or object number that was never given, or too many
        badClass = 6,          // unregistered or over-long class name, or an unexpected class
        badSchema = 7,         // a stored schema that the class does not accept
    };

    explicit CArchiveException(ECause cause) : m_cause(cause) {}

    ECause GetCause() const { return m_cause; }
    // The cause's text with "%1" replaced by `name` (for example the file name).
    std::string GetErrorMessage(const std::string& name) const;

private:
    ECause m_cause;
};

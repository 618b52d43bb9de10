#include "EventFileIo.h"

#include <cerrno>

#include "ConsoleOutput.h"
#include "SystemReason.h"
#include "platform/Platform.h"
#include "store/EventFile.h"

bool CEventFileIo::Load(const std::string& path, CEventData& data, CConsoleOutput& output) {
    std::string error;
    errno = 0;
    if (CEventFile::Load(CPlatform::Default(), path, data, error)) return true;
    // Damaged content ("cause N: ...") and a lack of memory say all there is to say; an
    // open or read failure gets the system's word for it.
    const int failure = errno;
    if (error.rfind("cannot ", 0) == 0)
        error = CSystemReason::Append(error, CSystemReason::ForReading(path, failure));
    output.Error(error);
    return false;
}

bool CEventFileIo::Save(const std::string& path, const CEventData& data, CConsoleOutput& output) {
    std::string error;
    errno = 0;
    if (CEventFile::Save(CPlatform::Default(), path, data, error)) return true;
    const int failure = errno;
    output.Error(CSystemReason::Append(error, CSystemReason::ForWriting(path, failure)));
    return false;
}

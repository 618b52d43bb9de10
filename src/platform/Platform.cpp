#include "platform/Platform.h"

namespace {
CPlatform* g_current = nullptr;
}

CPlatform& CPlatform::Current() {
    return g_current != nullptr ? *g_current : Default();
}

void CPlatform::SetCurrent(CPlatform* platform) {
    g_current = platform;
}

std::unique_ptr<CFolderWatch> CPlatform::WatchFolder(const std::string&, std::string& reason) {
    reason = "no change notification on this system";
    return nullptr;
}

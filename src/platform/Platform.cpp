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

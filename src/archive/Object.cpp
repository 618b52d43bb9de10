#include "archive/Object.h"

#include <cstring>
#include <vector>

namespace {

// Function-local so that registrations from static objects in other translation units
// never run before the registry exists.
std::vector<const CRuntimeClass*>& Registry() {
    static std::vector<const CRuntimeClass*> classes;
    return classes;
}

}  // namespace

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    if (base == nullptr) return false;
    for (const CRuntimeClass* cls = this; cls != nullptr; cls = cls->m_pBaseClass) {
        if (cls == base) return true;
    }
    return false;
}

std::unique_ptr<CObject> CRuntimeClass::CreateObject() const {
    if (m_pfnCreateObject == nullptr) return nullptr;
    return m_pfnCreateObject();
}

const CRuntimeClass* CRuntimeClass::FromName(const std::string& name) {
    for (const CRuntimeClass* cls : Registry()) {
        if (cls->m_lpszClassName != nullptr && name == cls->m_lpszClassName) return cls;
    }
    return nullptr;
}

CClassRegistration::CClassRegistration(const CRuntimeClass* runtimeClass) {
    if (runtimeClass == nullptr) return;
    std::vector<const CRuntimeClass*>& classes = Registry();
    for (const CRuntimeClass* cls : classes) {
        if (cls == runtimeClass) return;
    }
    classes.push_back(runtimeClass);
}

const CRuntimeClass* CObject::GetThisClass() {
    // Not creatable and never registered: a stream that names "CObject" is refused.
    static const CRuntimeClass classCObject = {"CObject", 0xFFFF, false, nullptr, nullptr};
    return &classCObject;
}

const CRuntimeClass* CObject::GetRuntimeClass() const {
    return GetThisClass();
}

void CObject::Serialize(CArchive& /*ar*/) {}

bool CObject::IsKindOf(const CRuntimeClass* runtimeClass) const {
    return GetRuntimeClass()->IsDerivedFrom(runtimeClass);
}

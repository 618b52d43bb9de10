// The serialisable object base and the run-time class records that name classes in the
// event file's stream.
#pragma once

#include <memory>
#include <string>

class CArchive;
class CObject;

// One serialisable class: its stored name, schema number, whether it reads other stored
// schemas itself (versionable), its factory and its base class. Records register their
// class once at start-up (see CClassRegistration).
struct CRuntimeClass {
    const char* m_lpszClassName;
    unsigned int m_nSchema;
    bool m_bVersionable;
    std::unique_ptr<CObject> (*m_pfnCreateObject)();  // nullptr: not creatable
    const CRuntimeClass* m_pBaseClass;

    bool IsDerivedFrom(const CRuntimeClass* base) const;
    std::unique_ptr<CObject> CreateObject() const;
    // Looks a registered class up by exact name; nullptr when none.
    static const CRuntimeClass* FromName(const std::string& name);
};

// Adds a class to the registry; define one per record as a static object.
class CClassRegistration {
public:
    explicit CClassRegistration(const CRuntimeClass* runtimeClass);
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual void Serialize(CArchive& ar);

    bool IsKindOf(const CRuntimeClass* runtimeClass) const;
    static const CRuntimeClass* GetThisClass();

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

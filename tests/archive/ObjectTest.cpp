#include "archive/Object.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<CObject> CreateBase();

const CRuntimeClass g_baseClass = {"CObjectTestBase", 1, false, &CreateBase,
                                   CObject::GetThisClass()};
const CRuntimeClass g_leafClass = {"CObjectTestLeaf", 1, false, nullptr, &g_baseClass};
const CRuntimeClass g_unrelatedClass = {"CObjectTestUnrelated", 1, false, nullptr,
                                        CObject::GetThisClass()};
const CClassRegistration g_registrations[] = {CClassRegistration(&g_baseClass),
                                              CClassRegistration(&g_leafClass),
                                              CClassRegistration(&g_leafClass)};

class CObjectTestBase : public CObject {
public:
    const CRuntimeClass* GetRuntimeClass() const override { return &g_baseClass; }
};

std::unique_ptr<CObject> CreateBase() {
    return std::make_unique<CObjectTestBase>();
}

TEST(ObjectTest, RegistryMatchesNamesExactly) {
    EXPECT_EQ(CRuntimeClass::FromName("CObjectTestBase"), &g_baseClass);
    EXPECT_EQ(CRuntimeClass::FromName("CObjectTestLeaf"), &g_leafClass);
    for (const char* name : {"cobjecttestbase", "CObjectTestBas", "CObjectTestBase ",
                             "CObjectTestBaseX", "", "CObject", "CObjectTestUnrelated"}) {
        EXPECT_EQ(CRuntimeClass::FromName(name), nullptr) << '"' << name << '"';
    }
}

TEST(ObjectTest, DerivationFollowsTheBaseChain) {
    const struct {
        const CRuntimeClass* cls;
        const CRuntimeClass* base;
        bool derived;
    } cases[] = {
        {&g_leafClass, &g_leafClass, true},
        {&g_leafClass, &g_baseClass, true},
        {&g_leafClass, CObject::GetThisClass(), true},
        {&g_baseClass, &g_leafClass, false},
        {&g_unrelatedClass, &g_baseClass, false},
        {&g_leafClass, nullptr, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.cls->IsDerivedFrom(c.base), c.derived)
            << c.cls->m_lpszClassName << " from "
            << (c.base != nullptr ? c.base->m_lpszClassName : "nullptr");
    }
}

TEST(ObjectTest, FactoryMakesObjectsOfItsClass) {
    const std::unique_ptr<CObject> object = g_baseClass.CreateObject();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->GetRuntimeClass(), &g_baseClass);
    EXPECT_TRUE(object->IsKindOf(CObject::GetThisClass()));
    EXPECT_FALSE(object->IsKindOf(&g_leafClass));
    EXPECT_EQ(g_leafClass.CreateObject(), nullptr);
    EXPECT_EQ(CObject::GetThisClass()->CreateObject(), nullptr);
}

}  // namespace

#include "store/TodoEntry.h"

#include "archive/Archive.h"
#include "store/DateEntry.h"

namespace {

const CRuntimeClass g_todoEntryClass = {"CTodoEntry", CTodoEntry::kSchema, true,
                                        &CTodoEntry::CreateObject, CObject::GetThisClass()};
const CClassRegistration g_todoEntryRegistration(&g_todoEntryClass);

}  // namespace

CTodoEntry::CTodoEntry() : GUID(CDateEntry::CreateGuidString()), Date1(CDateTime::Now()) {
    Date1.SetTime(Date1.GetHour(), Date1.GetMinute(), 0);
}

CTodoEntry::~CTodoEntry() = default;

const CRuntimeClass* CTodoEntry::GetRuntimeClass() const {
    return &g_todoEntryClass;
}

const CRuntimeClass* CTodoEntry::GetThisClass() {
    return &g_todoEntryClass;
}

std::unique_ptr<CObject> CTodoEntry::CreateObject() {
    return std::make_unique<CTodoEntry>();
}

void CTodoEntry::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteString(GUID);
        ar.WriteInt32(Value1);
        ar.WriteString(Text1);
        ar.WriteString(Text2);
        ar.WriteString(Text3);
        ar.WriteInt32(Value2);
        ar.WriteInt32(Value3);
        ar.WriteInt32(Value4);
        ar.WriteInt32(Value5);
        ar << Date1;
        ar.WriteInt32(Value6);
        ar.WriteInt32(Value7);
        ar.WriteInt32(Value8);
        ar.WriteInt32(Value9);
        ar.WriteInt32(Value10);
        ar.WriteInt32(Value11);
        ar.WriteInt32(Value12);
        ar.WriteString(Text4);
        ar.WriteInt32(Value13);
        ar << Date2;
        return;
    }

    int schema = ar.GetObjectSchema();
    if (schema < 0) schema = static_cast<int>(kSchema);
    if (schema > 1) {
        GUID = ar.ReadString();
        Value1 = ar.ReadInt32();
    }
    Text1 = ar.ReadString();
    Text2 = ar.ReadString();
    Text3 = ar.ReadString();
    if (schema > 2) {
        Value2 = ar.ReadInt32();
        Value3 = ar.ReadInt32();
        Value4 = ar.ReadInt32();
        Value5 = ar.ReadInt32();
    }
    ar >> Date1;
    Value6 = ar.ReadInt32();
    Value7 = ar.ReadInt32();
    Value8 = ar.ReadInt32();
    Value9 = ar.ReadInt32();
    Value10 = ar.ReadInt32();
    Value11 = ar.ReadInt32();
    Value12 = ar.ReadInt32();
    Text4 = ar.ReadString();
    Value13 = ar.ReadInt32();
    ar >> Date2;
}

// One to-do item of the calendar's event file. This program never interprets a to-do entry;
// it loads it and writes it back unchanged.
//
// Stored form (schema 3), in order: GUID (string), Value1 (int32), Text1, Text2, Text3
// (strings), Value2..Value5 (int32), Date1 (8 bytes), Value6..Value12 (int32), Text4
// (string), Value13 (int32), Date2 (8 bytes). Schema 1 lacks GUID and Value1, schemas 1 and
// 2 lack Value2..Value5; a schema above 3 is read with the schema 3 layout. Transient is
// never stored.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "archive/Array.h"
#include "archive/Object.h"
#include "datetime/DateTime.h"

class CTodoEntry : public CObject {
public:
    static constexpr unsigned int kSchema = 3;

    // A new GUID, Value3 224, Value6/8/9/11 1, Value10 2, Date1 = now with second 0,
    // Date2 the default date-time; everything else 0 or empty.
    CTodoEntry();
    // Copies every field, Transient included.
    CTodoEntry(const CTodoEntry&) = default;
    CTodoEntry& operator=(const CTodoEntry&) = default;
    CTodoEntry(CTodoEntry&&) noexcept = default;
    CTodoEntry& operator=(CTodoEntry&&) noexcept = default;
    ~CTodoEntry() override;

    const CRuntimeClass* GetRuntimeClass() const override;
    static const CRuntimeClass* GetThisClass();
    static std::unique_ptr<CObject> CreateObject();
    // Storing writes schema 3. Loading reads the stored schema from the archive (outside
    // ReadObject, where no schema is known, the schema 3 layout); fields that schema lacks
    // keep their current values, so a factory-made entry keeps the defaults.
    void Serialize(CArchive& ar) override;

    std::string GUID;
    std::int32_t Value1 = 0;
    std::string Text1;
    std::string Text2;
    std::string Text3;
    std::int32_t Value2 = 0;
    std::int32_t Value3 = 224;
    std::int32_t Value4 = 0;
    std::int32_t Value5 = 0;
    CDateTime Date1;
    std::int32_t Value6 = 1;
    std::int32_t Value7 = 0;
    std::int32_t Value8 = 1;
    std::int32_t Value9 = 1;
    std::int32_t Value10 = 2;
    std::int32_t Value11 = 1;
    std::int32_t Value12 = 0;
    std::string Text4;
    std::int32_t Value13 = 0;
    CDateTime Date2;
    std::int32_t Transient = 0;  // never stored
};

using CTodoEntryArray = CArray<CTodoEntry>;

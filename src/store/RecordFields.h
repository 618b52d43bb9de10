// The stored fields of the event file's records, by name and in stored order, for the
// listings of people who keep these files.
#pragma once

#include <cstdint>
#include <string_view>

class CDateEntry;
class CDateTime;
class CDateTimeList;
class CTodoEntry;

class CRecordFields {
public:
    // Receives the fields of one record, each in the form of its type. Strings are ANSI, as
    // stored.
    class CVisitor {
    public:
        virtual ~CVisitor() = default;
        virtual void Int(const char* name, std::int32_t value) = 0;
        virtual void String(const char* name, std::string_view value) = 0;
        virtual void DateTime(const char* name, const CDateTime& value) = 0;
        virtual void DateTimeList(const char* name, const CDateTimeList& list) = 0;
    };

    // Every stored field of the entry, named as the feed keys and the stored form name them;
    // the never-stored OccurrenceCounter and Transient are left out.
    static void Visit(const CDateEntry& entry, CVisitor& visitor);
    static void Visit(const CTodoEntry& entry, CVisitor& visitor);
};

#include "support/IcsText.h"

std::string CIcsText::Calendar(const std::vector<std::string>& uids) {
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//ZelvaroFeed tests//EN\r\n";
    for (const std::string& uid : uids) {
        text += "BEGIN:VEVENT\r\nUID:" + uid +
                "\r\nDTSTAMP:20240101T000000Z\r\nDTSTART:20240501T090000Z\r\n"
                "DTEND:20240501T100000Z\r\nSUMMARY:" +
                uid + "\r\nEND:VEVENT\r\n";
    }
    return text + "END:VCALENDAR\r\n";
}

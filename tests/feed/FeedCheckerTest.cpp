#include "feed/FeedChecker.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "support/FakePlatform.h"
#include "support/FeedFiles.h"

namespace {

const std::string kGuid0 = "{11111111-2222-3333-4444-555555555555}";
const std::string kGuid1 = "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";

// Every key of a date entry with a valid value.
const std::string kCleanFeed =
    "[DateEntry 0]\r\n"
    "GUID=" +
    kGuid0 +
    "\r\n"
    "StorageType=2\r\n"
    "Category=Work\r\n"
    "Description=Weekly meeting\r\n"
    "Notes=Room 4\\nBring notes\r\n"
    "Display=1\r\n"
    "BgColor=224,0,0\r\n"
    "TextColor=0, 0, 0\r\n"
    "Icon=meeting\r\n"
    "StartDate=2024 05 17 08 00 00\r\n"
    "EndDate=2024-05-17 09:30\r\n"
    "ShowStartTime=1\r\n"
    "ShowEnd=1\r\n"
    "Repeat=1\r\n"
    "RepeatRate=1\r\n"
    "RepeatUnit=3\r\n"
    "RepeatWeekdayCount=0\r\n"
    "RepeatWeekday=4\r\n"
    "RepeatEnd=1\r\n"
    "RepeatEndCount=10\r\n"
    "RepeatEndDate=2024 12 31\r\n"
    "CondTimeEnable=0\r\n"
    "CondStartTime=0001 01 01 08 00 00\r\n"
    "CondEndTime=0001 01 01 17 00 00\r\n"
    "CondWeekdays=127\r\n"
    "CondMonth=4095\r\n"
    "Forewarn=1\r\n"
    "ForewarnSpan=15\r\n"
    "ForewarnUnit=0\r\n"
    "ForewarnSilent=0\r\n"
    "SnoozeSpan=5\r\n"
    "SnoozeUnit=1\r\n"
    "SnoozeType=0\r\n"
    "OverdueAction=0\r\n"
    "ExecuteSpan=1\r\n"
    "ExecuteUnit=1\r\n"
    "Action=0\r\n"
    "Sound=1\r\n"
    "SoundFile=C:\\\\Media\\\\ding.wav\r\n"
    "SoundRepeatEndless=0\r\n"
    "SoundRepeatCount=3\r\n"
    "DocumentFile=\r\n"
    "AckOpen=0\r\n"
    "CmdLine=\r\n"
    "Parameter=\r\n"
    "AckExecute=0\r\n"
    "DroppedOccurence 0=2024 05 24 08 00 00\r\n"
    "DroppedOccurence 1=2024 05 31 08 00 00\r\n"
    "\r\n"
    "[DateEntry 1]\r\n"
    "GUID=" +
    kGuid1 +
    "\r\n"
    "Repeat=0\r\n"
    "\r\n"
    "[Remove 0]\r\n"
    "GUID={00000000-0000-0000-0000-0000000000AB}\r\n"
    "\r\n"
    "[Remove 1]\r\n"
    "GUID={00000000-0000-0000-0000-0000000000CD}\r\n";

// The fixed clock of the fake platform is 2024-05-17 08:30:00, so a new entry's dates are
// 2024-05-17 08:30:00.
class FeedCheckerTest : public ::testing::Test {
protected:
    void SetUp() override { m_platform.Install(); }
    CFakePlatform m_platform;
};

TEST_F(FeedCheckerTest, CleanFeedGivesNoFinding) {
    CFeedChecker checker;
    EXPECT_EQ(checker.CheckText(kCleanFeed), CFeedChecker::kClean);
    for (const CFeedFinding& finding : checker.GetFindings()) ADD_FAILURE() << finding.Format();

    CFeedFiles folder;
    EXPECT_EQ(checker.CheckFile(folder.Write("feed.ini", kCleanFeed)), CFeedChecker::kClean);
    EXPECT_TRUE(checker.GetFindings().empty());
}

struct FindingCase {
    const char* name;
    std::string text;
    int line;
    std::string section;
    std::string key;
    std::string fragment;  // a part of the message that names the problem
};

const std::string kEntry0 = "[DateEntry 0]\nGUID=" + kGuid0 + "\n";

TEST_F(FeedCheckerTest, FindsEachProblemOnItsLine) {
    const FindingCase cases[] = {
        {"numbering gap", kEntry0 + "[DateEntry 2]\nGUID=" + kGuid1 + "\n", 3, "DateEntry 2", "",
         "[DateEntry 1] is missing"},
        {"removal numbering gap", kEntry0 + "[Remove 1]\nGUID=" + kGuid1 + "\n", 3, "Remove 1", "",
         "[Remove 0] is missing"},
        {"repeated header", kEntry0 + "Notes=a\n[DateEntry 0]\nGUID=" + kGuid0 + "\n", 4,
         "DateEntry 0", "", "repeats the one on line 1"},
        {"repeated key", kEntry0 + "Notes=a\nNotes=b\n", 4, "DateEntry 0", "Notes",
         "repeats the one on line 3"},
        {"unknown key", kEntry0 + "Colour=1,2,3\n", 3, "DateEntry 0", "Colour", "not a key"},
        {"key in the wrong case", kEntry0 + "notes=x\n", 3, "DateEntry 0", "notes",
         "write \"Notes\""},
        {"spaces around =", kEntry0 + "Notes = x\n", 3, "DateEntry 0", "Notes ",
         "spaces around \"=\""},
        {"dropped occurrence in English spelling", kEntry0 + "DroppedOccurrence 0=2024 05 17\n", 3,
         "DateEntry 0", "DroppedOccurrence 0", "spelt \"DroppedOccurence 0\""},
        {"key line before the first header", "Notes=x\n" + kEntry0, 1, "", "Notes",
         "before the first section header"},
        {"line that is no key line", kEntry0 + "; a comment\n", 3, "DateEntry 0", "",
         "neither a section header nor a key=value line"},
        {"byte-order mark", "\xEF\xBB\xBF" + kEntry0 + "[DateEntry 1]\nGUID=" + kGuid1 + "\n", 1,
         "", "", "byte-order mark, so it is read as UTF-8 text"},
        {"invalid date", kEntry0 + "StartDate=17.05.2024\n", 3, "DateEntry 0", "StartDate",
         "does not read as a valid date"},
        {"time alone", kEntry0 + "CondStartTime=08:30\n", 3, "DateEntry 0", "CondStartTime",
         "does not read as a valid date"},
        {"invalid time", kEntry0 + "StartDate=2024 05 17 25 00 00\n", 3, "DateEntry 0", "StartDate",
         "invalid time of day, so it becomes 2024-05-17 00:00:00"},
        {"colour with two numbers", kEntry0 + "BgColor=255,0\n", 3, "DateEntry 0", "BgColor",
         "fewer than three numbers"},
        {"colour item without digits", kEntry0 + "TextColor=red,0,0\n", 3, "DateEntry 0",
         "TextColor", "\"red\" has no digits"},
        {"integer without digits", kEntry0 + "ShowEnd=yes\n", 3, "DateEntry 0", "ShowEnd",
         "no digits"},
        {"storage type 3", kEntry0 + "StorageType=3\n", 3, "DateEntry 0", "StorageType",
         "neither 1 nor 2"},
        {"storage type in words", kEntry0 + "StorageType=full\n", 3, "DateEntry 0", "StorageType",
         "neither 1 nor 2"},
        {"GUID not in registry form", "[DateEntry 0]\nGUID=11111111-2222-3333-4444-555555555555\n",
         2, "DateEntry 0", "GUID", "not a GUID of the form"},
        {"GUID with a space after =", "[DateEntry 0]\nGUID= " + kGuid0 + "\n", 2, "DateEntry 0",
         "GUID", "not a GUID of the form"},
        {"GUID in lower case", "[DateEntry 0]\nGUID={aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee}\n", 2,
         "DateEntry 0", "GUID", "lower-case"},
        {"removal GUID not in registry form", kEntry0 + "[Remove 0]\nGUID=entry-7\n", 4, "Remove 0",
         "GUID", "not a GUID of the form"},
        {"removal section without GUID", kEntry0 + "[Remove 0]\n", 3, "Remove 0", "",
         "removes nothing"},
        {"removal section with an empty GUID", kEntry0 + "[Remove 0]\nGUID=\n", 4, "Remove 0",
         "GUID", "removes nothing"},
        {"dropped occurrence after a gap",
         kEntry0 + "DroppedOccurence 0=2024 05 17\nDroppedOccurence 2=2024 05 18\n", 4,
         "DateEntry 0", "DroppedOccurence 2", "\"DroppedOccurence 1\" is missing"},
        {"empty dropped occurrence", kEntry0 + "DroppedOccurence 0=\n", 3, "DateEntry 0",
         "DroppedOccurence 0", "1970-01-01 00:00:00"},
        {"invalid dropped occurrence", kEntry0 + "DroppedOccurence 0=tomorrow\n", 3, "DateEntry 0",
         "DroppedOccurence 0", "does not read as a valid date"},
        {"first date entry without GUID", "[DateEntry 0]\nNotes=x\n", 1, "DateEntry 0", "",
         "new GUID at every reading"},
        {"later date entry without GUID", kEntry0 + "[DateEntry 1]\nNotes=x\n", 3, "DateEntry 1",
         "", "keeps the GUID of [DateEntry 0]"},
        {"end before start",
         kEntry0 + "StartDate=2024 05 17 10 00 00\nEndDate=2024 05 17 09 00 00\n", 4, "DateEntry 0",
         "EndDate", "lies before StartDate"},
        {"start after the default end", kEntry0 + "StartDate=2030 01 01\n", 3, "DateEntry 0",
         "StartDate", "EndDate 2024-05-17 08:30:00 lies before StartDate 2030-01-01 00:00:00"},
        {"end before a carried start",
         kEntry0 +
             "StartDate=2024 06 01 10 00 00\nEndDate=2024 06 01 11 00 00\n[DateEntry 1]\nGUID=" +
             kGuid1 + "\nEndDate=2024 06 01 09 00 00\n",
         7, "DateEntry 1", "EndDate", "lies before StartDate 2024-06-01 10:00:00"},
        {"start after a carried end",
         kEntry0 +
             "StartDate=2024 06 01 10 00 00\nEndDate=2024 06 01 11 00 00\n[DateEntry 1]\nGUID=" +
             kGuid1 + "\nStartDate=2024 06 01 12 00 00\n",
         7, "DateEntry 1", "StartDate", "EndDate 2024-06-01 11:00:00 lies before"},
        {"ShowEnd carried into a later section",
         kEntry0 + "[DateEntry 1]\nGUID=" + kGuid1 +
             "\nStartDate=2024 05 17 10 00 00\nEndDate=2024 05 17 09 00 00\n",
         6, "DateEntry 1", "EndDate", "lies before StartDate"},
        {"name with a leading zero", kEntry0 + "[DateEntry 01]\nGUID=" + kGuid1 + "\n", 3,
         "DateEntry 01", "", "named exactly \"DateEntry N\""},
        {"removal name in another case", kEntry0 + "[remove 0]\nGUID=" + kGuid1 + "\n", 3,
         "remove 0", "", "named exactly \"Remove N\""},
        {"other section", kEntry0 + "[Comments]\nx=1\n", 3, "Comments", "",
         "neither a date entry nor a removal section"},
        {"no section is read", "[DateEntry 1]\nGUID=" + kGuid1 + "\n", 0, "", "",
         "neither a [DateEntry 0] nor a [Remove 0]"},
        {"empty file", "", 0, "", "", "The file is empty"},
        {"blank lines only", "\r\n\r\n", 0, "", "", "neither a [DateEntry 0] nor a [Remove 0]"},
    };
    for (const FindingCase& c : cases) {
        CFeedChecker checker;
        EXPECT_EQ(checker.CheckText(c.text), CFeedChecker::kFindings) << c.name;
        bool found = false;
        for (const CFeedFinding& finding : checker.GetFindings()) {
            if (finding.line == c.line && finding.section == c.section && finding.key == c.key &&
                finding.message.find(c.fragment) != std::string::npos) {
                found = true;
            }
        }
        EXPECT_TRUE(found) << c.name;
        if (!found) {
            for (const CFeedFinding& finding : checker.GetFindings()) {
                ADD_FAILURE() << c.name << " found instead: " << finding.Format();
            }
        }
    }
}

// The characters lost are those that Windows-1252 lacks: the ANSI code page of Western
// Windows systems and of the Linux build.
TEST_F(FeedCheckerTest, Utf8FeedIsCheckedAsTheReaderConvertsIt) {
    CFeedChecker checker;
    EXPECT_EQ(checker.CheckText("\xEF\xBB\xBF" + kCleanFeed), CFeedChecker::kFindings);
    ASSERT_EQ(checker.GetFindings().size(), 1u);
    EXPECT_EQ(checker.GetFindings()[0].line, 1);
    EXPECT_NE(checker.GetFindings()[0].message.find("UTF-8"), std::string::npos);

    const std::string snowman = "\xE2\x98\x83";
    const std::string euro = "\xE2\x82\xAC";
    const std::string smiley = "\xF0\x9F\x98\x80";
    const std::string text = "\xEF\xBB\xBF" + kEntry0 + "Description=" + snowman + euro + snowman +
                             smiley + " \xC3\xA9\nNotes=\xFF and \xE2\x82\n";
    EXPECT_EQ(checker.CheckText(text), CFeedChecker::kFindings);
    std::vector<std::string> lines(5);
    for (const CFeedFinding& finding : checker.GetFindings()) {
        ASSERT_LT(finding.line, 5) << finding.Format();
        lines[static_cast<std::size_t>(finding.line)] += finding.message + "|";
    }
    EXPECT_NE(lines[1].find("UTF-8"), std::string::npos);
    // Each character once, in the order of the text.
    EXPECT_NE(lines[3].find(": \"" + snowman + "\" (U+2603), \"" + smiley + "\" (U+1F600)."),
              std::string::npos)
        << lines[3];
    EXPECT_EQ(lines[3].find(euro), std::string::npos) << lines[3];
    EXPECT_EQ(lines[3].find("U+00E9"), std::string::npos) << lines[3];
    EXPECT_NE(lines[4].find("0xFF, 0xE2, 0x82"), std::string::npos) << lines[4];
    EXPECT_EQ(lines[0] + lines[2], "");
}

// A publisher folds by bytes, so a character may be cut in two between lines: it is named
// once, on the line its property begins on, and no byte reads as broken.
TEST_F(FeedCheckerTest, ICalendarCharactersTheCodePageLacksAreListedByLine) {
    const std::string snowman = "\xE2\x98\x83";
    const std::string text =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:snow@example.org\r\n"
        "DTSTART:20240601T100000Z\r\nSUMMARY:Snow \xE2\x98\r\n \x83 day \xC3\xA9t\xC3\xA9\r\n"
        "LOCATION:Hut \xE2\x82\xAC\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    CFeedChecker checker;
    EXPECT_EQ(checker.CheckText(text), CFeedChecker::kFindings);
    ASSERT_EQ(checker.GetFindings().size(), 1u);
    const CFeedFinding& finding = checker.GetFindings()[0];
    EXPECT_EQ(finding.line, 6);
    EXPECT_NE(finding.message.find("lacks these characters"), std::string::npos);
    EXPECT_NE(finding.message.find("\"" + snowman + "\" (U+2603)."), std::string::npos)
        << finding.message;

    EXPECT_EQ(checker.CheckText("\xEF\xBB\xBF" + text), CFeedChecker::kFindings);
    EXPECT_EQ(checker.GetFindings().size(), 1u);
}

TEST_F(FeedCheckerTest, OneProblemGivesOneFinding) {
    // Neighbouring checks must not pile up on one fault.
    const std::string cases[] = {
        kEntry0 + "StorageType=full\n",
        kEntry0 + "[Remove 0]\nGUID=\n",
        kEntry0 + "DroppedOccurence 1=2024 05 18\n",
        kEntry0 + "Notes=a\nNotes=b\n",
        kEntry0 + "[DateEntry 2]\nGUID=" + kGuid1 + "\n",
    };
    for (const std::string& text : cases) {
        CFeedChecker checker;
        checker.CheckText(text);
        EXPECT_EQ(checker.GetFindings().size(), 1u) << text;
    }
}

TEST_F(FeedCheckerTest, ValuesThatReadAsIntendedAreNotReported) {
    const std::string cases[] = {
        kEntry0 + "StartDate=2024-05-17 08:30\nEndDate=2024/5/17 9:00\n",
        kEntry0 + "StartDate=2024 05 17 10 00 00\nEndDate=2024 05 17 09 00 00\nShowEnd=0\n",
        kEntry0 + "BgColor=,,0,,128,,255,,\nTextColor=1,2,3,4\n",
        kEntry0 + "Display=12abc\nRepeatWeekdayCount=-1\nStorageType= 2\n",
        kEntry0 + "Notes=\nCategory=\nBgColor=\nStartDate=\n",
        kEntry0 + "[Remove 0]\nGUID=" + kGuid1 + "\n[Remove 1]\nGUID=" + kGuid0 + "\n",
        "[Remove 0]\nGUID=" + kGuid1 + "\n",
    };
    for (const std::string& text : cases) {
        CFeedChecker checker;
        EXPECT_EQ(checker.CheckText(text), CFeedChecker::kClean) << text;
        for (const CFeedFinding& finding : checker.GetFindings()) ADD_FAILURE() << finding.Format();
    }
}

TEST_F(FeedCheckerTest, LineNumbersCountEveryKindOfLineEnd) {
    CFeedChecker checker;
    checker.CheckText(kEntry0 + "\r\n\r\rStorageType=0\r\n");
    ASSERT_EQ(checker.GetFindings().size(), 1u);
    EXPECT_EQ(checker.GetFindings()[0].line, 6);
}

TEST_F(FeedCheckerTest, FindingsComeInLineOrder) {
    CFeedChecker checker;
    checker.CheckText("[DateEntry 0]\nDisplay=x\n[DateEntry 2]\nGUID=" + kGuid0 + "\n");
    ASSERT_EQ(checker.GetFindings().size(), 3u);
    EXPECT_EQ(checker.GetFindings()[0].line, 1);
    EXPECT_EQ(checker.GetFindings()[1].line, 2);
    EXPECT_EQ(checker.GetFindings()[2].line, 3);
}

TEST_F(FeedCheckerTest, FormatNamesLineSectionAndKey) {
    const CFeedFinding finding{12, "DateEntry 0", "StartDate", "Something is wrong."};
    EXPECT_EQ(finding.Format(),
              "Line 12, section [DateEntry 0], key \"StartDate\": Something is wrong.");
    const CFeedFinding whole{0, "", "", "The file is empty."};
    EXPECT_EQ(whole.Format(), "File: The file is empty.");
    // Windows-1252 names, shown in UTF-8.
    const CFeedFinding ansi{3, "Caf\xE9 0", "Cl\xE9\x80", "Unknown key."};
    EXPECT_EQ(ansi.Format(),
              "Line 3, section [Caf\xC3\xA9 0], key \"Cl\xC3\xA9\xE2\x82\xAC\": Unknown key.");
}

TEST_F(FeedCheckerTest, UnreadableFiles) {
    CFeedFiles folder;
    CFeedChecker checker;
    EXPECT_EQ(checker.CheckFile(folder.Path("missing.ini")), CFeedChecker::kUnreadable);
    const std::string path = folder.Write("held.ini", kCleanFeed);
    const std::unique_ptr<CFile> holder =
        CPlatform::Current().OpenFile(path, EFileOpen::ReadExclusive);
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(checker.CheckFile(path), CFeedChecker::kUnreadable);
}

TEST_F(FeedCheckerTest, EmptyFileIsAFinding) {
    CFeedFiles folder;
    CFeedChecker checker;
    EXPECT_EQ(checker.CheckFile(folder.Write("empty.ini", "")), CFeedChecker::kFindings);
    ASSERT_EQ(checker.GetFindings().size(), 1u);
}

}  // namespace

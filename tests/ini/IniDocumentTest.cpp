#include "ini/IniDocument.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "feed/RecordingReporter.h"
#include "platform/Platform.h"
#include "support/FakePlatform.h"
#include "support/FeedFiles.h"

namespace {

const std::string kAbsent = "<absent>";

CIniDocument Parsed(const std::string& text) {
    CIniDocument document;
    document.Parse(text);
    return document;
}

std::string TextOf(const CIniDocument& document) {
    std::string text;
    document.GetText(text);
    return text;
}

// --- Parsing ---

struct ParseCase {
    const char* name;
    std::string text;
    std::string section;
    std::string key;
    std::string expected;  // kAbsent: the key (or its section) does not exist
};

TEST(IniDocumentTest, ParsesLinesHeadersAndKeyLines) {
    const ParseCase cases[] = {
        {"CR LF", "[S]\r\nk=v\r\n", "S", "k", "v"},
        {"LF", "[S]\nk=v", "S", "k", "v"},
        {"lone CR", "[S]\rk=v\r", "S", "k", "v"},
        {"LF CR and blank lines", "\n\n[S]\n\r\n\r\rk=v\n\n", "S", "k", "v"},
        {"header trimmed", " \t[S]\v\f\r\nk=v", "S", "k", "v"},
        {"key line trimmed", "[S]\n \t\v\fk=v\f\v\t ", "S", "k", "v"},
        {"spaces inside header kept", "[ S ]\nk=v", " S ", "k", "v"},
        {"spaces inside header: trimmed name not found", "[ S ]\nk=v", "S", "k", kAbsent},
        {"empty section name", "[]\nk=v", "", "k", "v"},
        {"brackets inside a header", "[a]b]\nk=v", "a]b", "k", "v"},
        {"equals sign inside a header", "[x=y]\nk=v", "x=y", "k", "v"},
        {"lone [ is no header", "[\nk=v", "", "k", kAbsent},
        {"spaces around =", "[S]\nk = v", "S", "k ", " v"},
        {"spaces around =: bare key not found", "[S]\nk = v", "S", "k", kAbsent},
        {"empty key", "[S]\n=v", "S", "", "v"},
        {"second = belongs to the value", "[S]\na=b=c", "S", "a", "b=c"},
        {"empty value", "[S]\nk=", "S", "k", ""},
        {"line without = ignored", "[S]\nk\nj=1", "S", "k", kAbsent},
        {"key line before the first header ignored", "k=v\n[S]\nj=1", "S", "k", kAbsent},
        {"semicolon is no comment", "[S]\n;k=v", "S", ";k", "v"},
        {"hash is no comment", "[S]\n#k=v", "S", "#k", "v"},
        {"repeated key: last value counts", "[S]\nk=1\nk=2\nk=3", "S", "k", "3"},
        {"names are case-sensitive", "[S]\nKey=v", "S", "key", kAbsent},
        {"section names are case-sensitive", "[S]\nk=v", "s", "k", kAbsent},
        {"repeated header: later keys remain", "[S]\na=1\n[T]\n[S]\nb=2", "S", "b", "2"},
        {"repeated header: earlier keys lost", "[S]\na=1\n[T]\n[S]\nb=2", "S", "a", kAbsent},
        {"byte-order mark spoils the first header", "\xEF\xBB\xBF[S]\nk=v\n[T]\nj=w", "S", "k",
         kAbsent},
        {"byte-order mark: later sections read", "\xEF\xBB\xBF[S]\nk=v\n[T]\nj=w", "T", "j", "w"},
        {"trailing spaces of a value trimmed", "[S]\nk=v  ", "S", "k", "v"},
        {"header line ends the previous section", "[S]\n[T]\nk=v", "S", "k", kAbsent},
    };
    for (const ParseCase& c : cases) {
        const CIniDocument document = Parsed(c.text);
        EXPECT_EQ(document.GetString(c.section, c.key, kAbsent), c.expected) << c.name;
        EXPECT_EQ(document.HasKey(c.section, c.key), c.expected != kAbsent) << c.name;
    }
}

TEST(IniDocumentTest, HasSectionAndHasKey) {
    const CIniDocument document = Parsed("[A]\nempty=\n[B]\n");
    EXPECT_TRUE(document.HasSection("A"));
    EXPECT_TRUE(document.HasSection("B"));
    EXPECT_FALSE(document.HasSection("C"));
    EXPECT_TRUE(document.HasKey("A", "empty"));
    EXPECT_FALSE(document.HasKey("B", "empty"));
    EXPECT_FALSE(document.HasKey("C", "empty"));
}

TEST(IniDocumentTest, ParseReplacesTheWholeContent) {
    CIniDocument document;
    document.Parse("[A]\nk=1");
    document.SetString("B", "k", "2");
    document.Parse("[C]\nk=3");
    EXPECT_FALSE(document.HasSection("A"));
    EXPECT_FALSE(document.HasSection("B"));
    EXPECT_EQ(document.GetString("C", "k", ""), "3");
}

// --- Escapes ---

struct EscapeCase {
    const char* name;
    std::string stored;     // as it stands after "=" in the file
    std::string unescaped;  // what GetString returns
};

TEST(IniDocumentTest, UnescapesStoredValues) {
    const EscapeCase cases[] = {
        {"plain", "C:/x", "C:/x"},
        {"backslash", "C:\\\\Media\\\\ding.wav", "C:\\Media\\ding.wav"},
        {"line feed", "a\\nb", "a\nb"},
        {"carriage return", "a\\rb", "a\rb"},
        {"tab", "a\\tb", "a\tb"},
        {"other escape dropped with its character", "a\\qb", "ab"},
        {"lone trailing backslash dropped", "end\\", "end"},
        {"escaped backslash before n", "\\\\n", "\\n"},
        {"single backslash eats the next character", "C:\\Media", "C:edia"},
        {"only a backslash", "\\", ""},
    };
    for (const EscapeCase& c : cases) {
        EXPECT_EQ(CIniDocument::Unescape(c.stored), c.unescaped) << c.name;
        EXPECT_EQ(Parsed("[S]\nk=" + c.stored).GetString("S", "k", ""), c.unescaped) << c.name;
    }
}

TEST(IniDocumentTest, EscapesBackslashesFirst) {
    const EscapeCase cases[] = {
        {"backslash", "a\\\\b", "a\\b"},
        {"controls", "\\n\\r\\t", "\n\r\t"},
        {"backslash then n", "\\\\n", "\\n"},
        {"backslash then a line feed", "\\\\\\n", "\\\n"},
        {"equals signs and spaces untouched", " a=b ", " a=b "},
    };
    for (const EscapeCase& c : cases) {
        EXPECT_EQ(CIniDocument::Escape(c.unescaped), c.stored) << c.name;
        CIniDocument document;
        document.SetString("S", "k", c.unescaped);
        EXPECT_EQ(TextOf(document), "[S]\r\nk=" + c.stored + "\r\n") << c.name;
    }
}

TEST(IniDocumentTest, DefaultsAreUnescapedToo) {
    const CIniDocument document = Parsed("[S]\nk=v");
    EXPECT_EQ(document.GetString("S", "missing", "a\\tb"), "a\tb");
    EXPECT_EQ(document.GetString("T", "k", "C:\\\\x"), "C:\\x");
    EXPECT_EQ(document.GetString("T", "k", "C:\\Media"), "C:edia");
}

TEST(IniDocumentTest, LookupStringLeavesTheValueAloneWhenAbsent) {
    const CIniDocument document = Parsed("[S]\nk=a\\\\b\nempty=");
    std::string value = "C:\\Media";
    EXPECT_FALSE(document.LookupString("S", "missing", value));
    EXPECT_EQ(value, "C:\\Media");
    EXPECT_FALSE(document.LookupString("T", "k", value));
    EXPECT_EQ(value, "C:\\Media");
    EXPECT_TRUE(document.LookupString("S", "k", value));
    EXPECT_EQ(value, "a\\b");
    EXPECT_TRUE(document.LookupString("S", "empty", value));
    EXPECT_EQ(value, "");
}

// --- Getters ---

struct IntCase {
    const char* value;  // nullptr: the key is absent
    std::int32_t expected;
};

TEST(IniDocumentTest, GetIntReadsTheLeadingNumberOrFallsBack) {
    const std::int32_t fallback = 77;
    const IntCase cases[] = {
        {nullptr, fallback},
        {"", fallback},
        {"42", 42},
        {"-42", -42},
        {"+42", 42},
        {"  \\t\\n 7", 7},
        {"12abc", 12},
        {"abc", 0},
        {"-", 0},
        {"- 5", 0},
        {"+-5", 0},
        {"0x1F", 0},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", INT32_MIN},
        {"-2147483649", 2147483647},
        {"4294967297", 1},
        {"99999999999", 1215752191},
        {"-99999999999", -1215752191},
        {"123456789012345678901234567890", 1312754386},
    };
    for (const IntCase& c : cases) {
        const std::string text = c.value == nullptr ? "[S]\n" : std::string("[S]\nk=") + c.value;
        EXPECT_EQ(Parsed(text).GetInt("S", "k", fallback), c.expected)
            << (c.value ? c.value : "(absent)");
    }
    EXPECT_EQ(Parsed("").GetInt("S", "k", fallback), fallback);
}

TEST(IniDocumentTest, ConvertIntTellsWhetherDigitsWereRead) {
    bool hasDigits = true;
    EXPECT_EQ(CIniDocument::ConvertInt("yes", &hasDigits), 0);
    EXPECT_FALSE(hasDigits);
    EXPECT_EQ(CIniDocument::ConvertInt(" -0", &hasDigits), 0);
    EXPECT_TRUE(hasDigits);
}

struct ColorCase {
    const char* value;
    std::uint32_t expected;
};

TEST(IniDocumentTest, GetColorNeedsThreeNumbers) {
    const std::uint32_t fallback = 0x0000E0;
    const ColorCase cases[] = {
        {nullptr, fallback},       {"", fallback},
        {"0,128,255", 0xFF8000},   {"1, 2, 3", 0x030201},
        {",,1,,2,,3,,", 0x030201}, {"300,0,0", 44},
        {"-1,0,0", 255},           {"1,2,3,4", 0x030201},
        {"1,2", fallback},         {"255", fallback},
        {",,,", fallback},         {"a,b,c", 0},
        {"10x,20y,30z", 0x1E140A},
    };
    for (const ColorCase& c : cases) {
        const std::string text = c.value == nullptr ? "[S]\n" : std::string("[S]\nk=") + c.value;
        EXPECT_EQ(Parsed(text).GetColor("S", "k", fallback), c.expected)
            << (c.value ? c.value : "(absent)");
    }
}

struct DateCase {
    const char* value;
    CDateTime expected;
};

TEST(IniDocumentTest, GetDateTimeParsesFromTheDefaultDateTime) {
    const CDateTime fallback(1999, 12, 31, 23, 59, 58);
    const DateCase cases[] = {
        {nullptr, fallback},
        {"", fallback},
        {"2024 05 17 08 30 00", CDateTime(2024, 5, 17, 8, 30, 0)},
        {"2024-05-17 08:30", CDateTime(2024, 5, 17, 8, 30, 0)},
        {"2024/5/17", CDateTime(2024, 5, 17)},
        {"2024-05-17", CDateTime(2024, 5, 17)},
        // Not the caller's default: a value that does not read leaves a new CDateTime.
        {"17.05.2024", CDateTime()},
        {"08:30", CDateTime()},
        {"garbage", CDateTime()},
        {"2024 02 30", CDateTime()},
        {"2024 02 29 25 00 00", CDateTime(2024, 2, 29)},
    };
    for (const DateCase& c : cases) {
        const std::string text = c.value == nullptr ? "[S]\n" : std::string("[S]\nk=") + c.value;
        EXPECT_EQ(Parsed(text).GetDateTime("S", "k", fallback).FormatStorage(),
                  c.expected.FormatStorage())
            << (c.value ? c.value : "(absent)");
    }
}

TEST(IniDocumentTest, TypedSettersStoreTheirTextForms) {
    CIniDocument document;
    document.SetInt("S", "n", -17);
    document.SetInt("S", "min", INT32_MIN);
    document.SetDateTime("S", "d", CDateTime(2024, 5, 17, 8, 30, 0));
    EXPECT_EQ(document.GetString("S", "n", ""), "-17");
    EXPECT_EQ(document.GetString("S", "min", ""), "-2147483648");
    EXPECT_EQ(document.GetString("S", "d", ""), "2024 05 17 08 30 00");
    EXPECT_EQ(document.GetInt("S", "min", 0), INT32_MIN);
    EXPECT_EQ(document.GetDateTime("S", "d", CDateTime()), CDateTime(2024, 5, 17, 8, 30, 0));
}

// --- Setters ---

TEST(IniDocumentTest, SetStringAfterGetStringOfAMissingSectionCreatesIt) {
    CIniDocument document;
    EXPECT_EQ(document.GetString("Settings", "SyncMode", "x"), "x");
    document.SetString("Settings", "SyncMode", "1");
    EXPECT_TRUE(document.HasSection("Settings"));
    EXPECT_EQ(document.GetString("Settings", "SyncMode", ""), "1");
    EXPECT_EQ(TextOf(document), "[Settings]\r\nSyncMode=1\r\n");
}

TEST(IniDocumentTest, EmptySectionNameIsASectionLikeAnyOther) {
    CIniDocument fresh;
    fresh.SetString("", "k", "v");
    EXPECT_TRUE(fresh.HasSection(""));
    EXPECT_EQ(TextOf(fresh), "[]\r\nk=v\r\n");

    const CIniDocument parsed = Parsed("[]\nk=v");
    EXPECT_EQ(parsed.GetString("", "k", kAbsent), "v");
    EXPECT_EQ(parsed.GetInt("", "k", 5), 0);
}

TEST(IniDocumentTest, SetStringCreatesSectionsOneAfterAnother) {
    CIniDocument document;
    document.SetString("A", "k", "1");
    document.SetString("B", "k", "2");
    document.SetString("A", "j", "3");
    EXPECT_EQ(document.GetString("A", "k", ""), "1");
    EXPECT_EQ(document.GetString("B", "k", ""), "2");
    EXPECT_EQ(document.GetString("A", "j", ""), "3");
    EXPECT_FALSE(document.HasKey("B", "j"));
}

TEST(IniDocumentTest, SettersFollowClearAndParse) {
    CIniDocument document = Parsed("[S]\nk=old");
    EXPECT_EQ(document.GetString("S", "k", ""), "old");
    document.Clear();
    EXPECT_FALSE(document.HasSection("S"));
    EXPECT_EQ(document.GetString("S", "k", kAbsent), kAbsent);
    document.SetString("S", "k", "new");
    EXPECT_EQ(document.GetString("S", "k", ""), "new");
    document.Parse("[S]\nk=parsed");
    EXPECT_EQ(document.GetString("S", "k", ""), "parsed");
}

// --- Written form ---

TEST(IniDocumentTest, WritesInBucketOrderNewestFirstWithinAChain) {
    // Buckets (h mod 17): "a" 12, "r" 12, "b" 13; keys "x" 1, "y" 2, "k" 5.
    CIniDocument document;
    for (const char* section : {"a", "r", "b"}) {
        document.SetString(section, "k", "1");
        document.SetString(section, "x", "2");
        document.SetString(section, "y", "3");
    }
    const std::string keys = "x=2\r\ny=3\r\nk=1\r\n";
    EXPECT_EQ(TextOf(document), "[r]\r\n" + keys + "\r\n[a]\r\n" + keys + "\r\n[b]\r\n" + keys);
}

TEST(IniDocumentTest, HashTakesBytesAsSigned) {
    // "\xE9x" falls into bucket 8 with signed bytes (6 if they were unsigned), "DateEntry 0"
    // into bucket 7.
    CIniDocument document;
    document.SetString("S", "\xE9x", "1");
    document.SetString("S", "DateEntry 0", "2");
    EXPECT_EQ(TextOf(document), "[S]\r\nDateEntry 0=2\r\n\xE9x=1\r\n");
}

TEST(IniDocumentTest, ReplacingKeepsThePlace) {
    // "a" and "r" share bucket 12; the repeated header and the repeated key stay where the
    // first ones were.
    const CIniDocument document = Parsed("[a]\nk=1\n[r]\nk=2\nx=3\n[a]\nk=4\n[r]\nk=5\nx=6\nk=7");
    EXPECT_EQ(TextOf(document), "[r]\r\nx=6\r\nk=7\r\n\r\n[a]\r\nk=4\r\n");
}

TEST(IniDocumentTest, RemovingSectionsAndKeysKeepsTheRestAsWritten) {
    CIniDocument doc;
    doc.Parse("[A]\nx=1\ny=2\nx=3\n[B]\nz=a\\\\b\n[C]\nw=  spaced \n");
    doc.SetString("B", "v", "new ");
    doc.RemoveKey("A", "x");
    doc.RemoveKey("A", "missing");
    doc.RemoveSection("C");
    doc.RemoveSection("missing");
    EXPECT_EQ(doc.GetSectionNames(), (std::vector<std::string>{"A", "B"}));
    EXPECT_FALSE(doc.HasKey("A", "x"));
    EXPECT_EQ(doc.GetString("A", "y", ""), "2");
    EXPECT_EQ(doc.GetString("B", "z", ""), "a\\b");
    EXPECT_EQ(doc.GetString("B", "v", ""), "new ");
    // The order written is the one the document would have had without the removed lines.
    CIniDocument expected;
    expected.Parse("[A]\ny=2\n[B]\nz=a\\\\b\n");
    expected.SetString("B", "v", "new ");
    std::string text;
    std::string expectedText;
    doc.GetText(text);
    expected.GetText(expectedText);
    EXPECT_EQ(text, expectedText);
    // Setters go on working on the rebuilt tables.
    doc.SetString("C", "w", "back");
    doc.SetString("A", "x", "9");
    EXPECT_EQ(doc.GetString("C", "w", ""), "back");
    EXPECT_EQ(doc.GetInt("A", "x", 0), 9);
}

TEST(IniDocumentTest, ManySectionsKeepTheChainOrder) {
    // Beyond the size at which lookups go through an index, the written order is still the
    // bucket order with the newest name first.
    CIniDocument document;
    std::vector<std::vector<std::string>> buckets(17);
    for (int i = 0; i < 300; ++i) {
        const std::string name = "DateEntry " + std::to_string(i);
        document.SetString(name, "k", std::to_string(i));
        std::uint32_t h = 0;
        for (const char c : name) h = 33u * h + static_cast<std::uint32_t>(c);
        buckets[h % 17].insert(buckets[h % 17].begin(), name);
    }
    std::string expected;
    for (const auto& bucket : buckets) {
        for (const std::string& name : bucket) {
            if (!expected.empty()) expected += "\r\n";
            expected += "[" + name + "]\r\nk=" + name.substr(10) + "\r\n";
        }
    }
    EXPECT_EQ(TextOf(document), expected);
    for (int i = 0; i < 300; i += 37) {
        EXPECT_EQ(document.GetInt("DateEntry " + std::to_string(i), "k", -1), i);
    }
}

TEST(IniDocumentTest, EditsOfAParsedTextKeepTheWrittenOrder) {
    // Buckets: sections "a" and "r" 12, "b" 13, "A" 14, "B" 15, "S" 15, "T" 16; keys "a" and
    // "r" 12, "w" 0, "x" 1, "y" 2, "z" 3, "j" 4, "k" 5, "t" 14.
    struct SSet {
        const char* section;
        const char* key;
        const char* value;
    };
    struct SCase {
        const char* name;
        std::string text;
        std::vector<SSet> sets;
        std::string written;
    };
    const SCase cases[] = {
        {"a key repeated in the text is written once, at its first place",
         "[S]\na=1\nr=2\na=3\n",
         {{"S", "a", "4"}},
         "[S]\r\nr=2\r\na=4\r\n"},
        {"a new key is the newest of its bucket",
         "[S]\na=1\n",
         {{"S", "r", "2"}},
         "[S]\r\nr=2\r\na=1\r\n"},
        {"keys added to a section before another one",
         "[a]\nx=1\n[b]\ny=2\n",
         {{"a", "z", "3"}, {"b", "w", "4"}, {"a", "x", "5"}},
         "[a]\r\nx=5\r\nz=3\r\n\r\n[b]\r\nw=4\r\ny=2\r\n"},
        {"a repeated header keeps only its own keys",
         "[S]\nk=1\n[T]\nt=1\n[S]\nj=2\n",
         {{"S", "k", "3"}},
         "[S]\r\nj=2\r\nk=3\r\n\r\n[T]\r\nt=1\r\n"},
        {"an empty section between others",
         "[A]\n[B]\nb=1\n",
         {{"A", "a", "1"}},
         "[A]\r\na=1\r\n\r\n[B]\r\nb=1\r\n"},
        {"a new section is the newest of its bucket",
         "[a]\nk=1\n",
         {{"r", "k", "2"}},
         "[r]\r\nk=2\r\n\r\n[a]\r\nk=1\r\n"},
        {"a value set twice", "[S]\nk=1\n", {{"S", "k", "2"}, {"S", "k", "3"}}, "[S]\r\nk=3\r\n"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        CIniDocument document = Parsed(c.text);
        for (const SSet& set : c.sets) document.SetString(set.section, set.key, set.value);
        EXPECT_EQ(TextOf(document), c.written);
        for (const SSet& set : c.sets) {
            EXPECT_TRUE(document.HasKey(set.section, set.key)) << set.section << "/" << set.key;
        }
        const SSet& last = c.sets.back();
        EXPECT_EQ(document.GetString(last.section, last.key, kAbsent), last.value);
    }
}

TEST(IniDocumentTest, DocumentWithoutSectionsIsEmptyText) {
    EXPECT_EQ(TextOf(Parsed("")), "");
    EXPECT_EQ(TextOf(Parsed("k=v\n\n")), "");
    std::string out = "kept";
    Parsed("[S]").GetText(out);
    EXPECT_EQ(out, "kept[S]\r\n");
}

// --- Files ---

TEST(IniDocumentTest, SaveAndLoadRoundTripValues) {
    CFeedFiles folder;
    const std::string path = folder.Path("round.ini");
    const std::string tricky = "C:\\Media\\ding.wav\nline two\r\tend=\\";
    CIniDocument written;
    written.SetString("S", "tricky", tricky);
    written.SetString("S", "spaces", "  padded  ");
    written.SetString("S", "tabs", "tabbed\t\t");
    ASSERT_TRUE(written.Save(path));

    CIniDocument read;
    ASSERT_TRUE(read.Load(path));
    EXPECT_EQ(read.GetString("S", "tricky", ""), tricky);
    // Lines are trimmed on reading, so only the trailing spaces go; tabs are written
    // escaped, so they survive.
    EXPECT_EQ(read.GetString("S", "spaces", ""), "  padded");
    EXPECT_EQ(read.GetString("S", "tabs", ""), "tabbed\t\t");
    EXPECT_EQ(read.GetPath(), path);
    EXPECT_EQ(read.GetLoadedLength(), folder.Read("round.ini").size());
}

TEST(IniDocumentTest, LoadedSettingsFileEditedAndSaved) {
    // Buckets: sections "New" 11, "Other" 12, "Settings" 13; keys "SyncMode" 0, "x" 1, "y" 2,
    // "k" 5, "SharedFilePath" and "FeedFilePath" 8, "Unknown" 14.
    CFeedFiles folder;
    const std::string path = folder.Write("Settings.ini",
                                          "[Settings]\r\n"
                                          "SharedFilePath=C:\\\\old.dat\r\n"
                                          "SyncMode=1\r\n"
                                          "Unknown=kept\r\n"
                                          "SyncMode=2\r\n"
                                          "\r\n"
                                          "[Other]\r\n"
                                          "x=1\r\n");
    CIniDocument document;
    ASSERT_TRUE(document.Load(path));
    EXPECT_EQ(document.GetInt("Settings", "SyncMode", -1), 2);
    document.SetString("Settings", "SharedFilePath", "D:\\new.dat");
    document.SetInt("Settings", "SyncMode", 0);
    document.SetString("Settings", "FeedFilePath", "E:\\feed.ini");
    document.SetString("Other", "y", "2");
    document.SetString("New", "k", "v");
    ASSERT_TRUE(document.Save(std::string()));
    const std::string expected =
        "[New]\r\nk=v\r\n"
        "\r\n[Other]\r\nx=1\r\ny=2\r\n"
        "\r\n[Settings]\r\nSyncMode=0\r\nFeedFilePath=E:\\\\feed.ini\r\n"
        "SharedFilePath=D:\\\\new.dat\r\nUnknown=kept\r\n";
    EXPECT_EQ(folder.Read("Settings.ini"), expected);

    // Saving again, as the settings are at every change: the same values give the same
    // bytes, a changed one changes only its line.
    document.SetString("Settings", "SharedFilePath", "D:\\new.dat");
    document.SetInt("Settings", "SyncMode", 0);
    ASSERT_TRUE(document.Save(std::string()));
    EXPECT_EQ(folder.Read("Settings.ini"), expected);
    document.SetInt("Settings", "SyncMode", 7);
    ASSERT_TRUE(document.Save(std::string()));
    std::string changed = expected;
    changed.replace(changed.find("SyncMode=0"), 10, "SyncMode=7");
    EXPECT_EQ(folder.Read("Settings.ini"), changed);

    CIniDocument reread;
    ASSERT_TRUE(reread.Load(path));
    EXPECT_EQ(reread.GetString("Settings", "SharedFilePath", kAbsent), "D:\\new.dat");
    EXPECT_EQ(reread.GetString("Settings", "FeedFilePath", kAbsent), "E:\\feed.ini");
    EXPECT_EQ(reread.GetInt("Settings", "SyncMode", -1), 7);
    EXPECT_EQ(reread.GetString("Settings", "Unknown", kAbsent), "kept");
    EXPECT_EQ(reread.GetString("Other", "x", kAbsent), "1");
    EXPECT_EQ(reread.GetString("New", "k", kAbsent), "v");
    // Read back, the names of one bucket come the other way round: the first one read is
    // the oldest.
    ASSERT_TRUE(reread.Save(folder.Path("copy.ini")));
    EXPECT_EQ(folder.Read("copy.ini"),
              "[New]\r\nk=v\r\n"
              "\r\n[Other]\r\nx=1\r\ny=2\r\n"
              "\r\n[Settings]\r\nSyncMode=7\r\nSharedFilePath=D:\\\\new.dat\r\n"
              "FeedFilePath=E:\\\\feed.ini\r\nUnknown=kept\r\n");
}

// --- Files with a UTF-8 byte-order mark ---

// The expectations hold for Windows-1252, the ANSI code page of Western Windows systems and
// of the Linux build.
TEST(IniDocumentTest, ByteOrderMarkMakesTheFileUtf8Text) {
    CFeedFiles folder;
    const std::string path =
        folder.Write("feed.ini",
                     "\xEF\xBB\xBF[DateEntry 0]\r\n"
                     "Description=Caf\xC3\xA9 \xE2\x80\x93 \xE2\x82\xAC 5 \xE2\x98\x83\r\n"
                     "Notes=bad \xFF byte\r\n");
    CIniDocument document;
    ASSERT_TRUE(document.Load(path));
    EXPECT_TRUE(document.HasSection("DateEntry 0"));
    EXPECT_EQ(document.GetString("DateEntry 0", "Description", kAbsent), "Caf\xE9 \x96 \x80 5 ?");
    EXPECT_EQ(document.GetString("DateEntry 0", "Notes", kAbsent), "bad ? byte");
    EXPECT_EQ(document.GetLoadedLength(), folder.Read("feed.ini").size());
}

TEST(IniDocumentTest, WithoutTheMarkBytesStayAsTheyAre) {
    const std::string texts[] = {
        "[S]\r\nk=Caf\xC3\xA9\r\n",
        "[S]\r\nk=\xEF\xBB\xBF\xFF\r\n",
        "\xEF\xBB[S]\r\nk=\xC3\xA9\r\n",
    };
    for (const std::string& text : texts) {
        CFeedFiles folder;
        CIniDocument document;
        ASSERT_TRUE(document.Load(folder.Write("plain.ini", text)));
        CIniDocument parsed;
        parsed.Parse(text);
        EXPECT_EQ(TextOf(document), TextOf(parsed)) << text;
    }
}

TEST(IniDocumentTest, MarkAloneLoadsAsNoSections) {
    CFeedFiles folder;
    CIniDocument document = Parsed("[Old]\nk=v");
    ASSERT_TRUE(document.Load(folder.Write("mark.ini", "\xEF\xBB\xBF")));
    EXPECT_EQ(TextOf(document), "");
    EXPECT_EQ(document.GetLoadedLength(), 3u);
}

TEST(IniDocumentTest, EmptyFileLoadsAsNoSectionsAndSavesAsZeroBytes) {
    CFeedFiles folder;
    const std::string path = folder.Write("empty.ini", "");
    CIniDocument document = Parsed("[Old]\nk=v");
    ASSERT_TRUE(document.Load(path));
    EXPECT_FALSE(document.HasSection("Old"));
    EXPECT_EQ(document.GetLoadedLength(), 0u);
    folder.Write("out.ini", "previous content");
    ASSERT_TRUE(document.Save(folder.Path("out.ini")));
    EXPECT_TRUE(folder.Exists("out.ini"));
    EXPECT_EQ(folder.Read("out.ini"), "");
}

TEST(IniDocumentTest, FailedLoadKeepsTheContentAndRemembersThePath) {
    CFeedFiles folder;
    CIniDocument document = Parsed("[S]\nk=v");
    const std::string missing = folder.Path("missing.ini");
    EXPECT_FALSE(document.Load(missing));
    EXPECT_EQ(document.GetString("S", "k", ""), "v");
    EXPECT_EQ(document.GetPath(), missing);
    // Saving with an empty path goes to the remembered one and creates it.
    ASSERT_TRUE(document.Save(""));
    EXPECT_EQ(folder.Read("missing.ini"), "[S]\r\nk=v\r\n");
}

TEST(IniDocumentTest, SaveRemembersOnlyNonEmptyPaths) {
    CFeedFiles folder;
    CIniDocument document = Parsed("[S]\nk=1");
    ASSERT_TRUE(document.Save(folder.Path("first.ini")));
    document.SetInt("S", "k", 2);
    ASSERT_TRUE(document.Save(""));
    EXPECT_EQ(folder.Read("first.ini"), "[S]\r\nk=2\r\n");
    EXPECT_EQ(document.GetPath(), folder.Path("first.ini"));
}

TEST(IniDocumentTest, SaveFailsWhereTheFileCannotBeCreated) {
    CFeedFiles folder;
    CIniDocument document = Parsed("[S]\nk=1");
    EXPECT_FALSE(document.Save(folder.Path("no-such-folder/x.ini")));
    CIniDocument noPath;
    EXPECT_FALSE(noPath.Save(""));
}

TEST(IniDocumentTest, OpensForExclusiveUse) {
    CFeedFiles folder;
    const std::string path = folder.Write("held.ini", "[S]\r\nk=v\r\n");
    CIniDocument document = Parsed("[Before]\nk=1");
    {
        const std::unique_ptr<CFile> holder =
            CPlatform::Current().OpenFile(path, EFileOpen::ReadExclusive);
        ASSERT_NE(holder, nullptr);
        EXPECT_FALSE(document.Load(path));
        EXPECT_TRUE(document.HasSection("Before"));
        EXPECT_FALSE(document.Save(path));
    }
    EXPECT_EQ(folder.Read("held.ini"), "[S]\r\nk=v\r\n");
    EXPECT_TRUE(document.Load(path));
    EXPECT_EQ(document.GetString("S", "k", ""), "v");
}

// --- Double-byte text ---

class IniDocumentDoubleByteTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int c = 0x81; c <= 0x9F; ++c) m_platform.SetLeadByte(static_cast<unsigned char>(c));
        m_platform.Install();
    }
    CFakePlatform m_platform;
};

TEST_F(IniDocumentDoubleByteTest, TrailBytesAreNeitherEqualsNorBackslashNorBlank) {
    const ParseCase cases[] = {
        // No double-byte code page has a trail byte below 0x40.
        {"= after a lead byte", "[S]\nk\x81=v=w", "S", "k\x81", "v=w"},
        {"backslash as a trail byte", "[S]\nk=\x81\\n", "S", "k", "\x81\\n"},
        {"backslash after a double-byte character", "[S]\nk=\x81x\\n", "S", "k", "\x81x\n"},
        {"space after a lead byte", "[S]\nk=v\x81 ", "S", "k", "v\x81"},
        {"blank after the double-byte character", "[S]\nk=v\x81x \t", "S", "k", "v\x81x"},
        {"lead byte at the very end", "[S]\nk=v\x81", "S", "k", "v\x81"},
        {"header looks at the last byte", "[\x81]\nk=v", "\x81", "k", "v"},
        {"high bytes that lead nothing", "[S]\nk=\xE9\\t", "S", "k", "\xE9\t"},
    };
    for (const ParseCase& c : cases) {
        const CIniDocument document = Parsed(c.text);
        EXPECT_EQ(document.GetString(c.section, c.key, kAbsent), c.expected) << c.name;
    }
}

TEST_F(IniDocumentDoubleByteTest, EscapingSkipsTrailBytes) {
    const std::string value = "\x81\\\\x\n";
    EXPECT_EQ(CIniDocument::Escape(value), "\x81\\\\\\x\\n");
    CIniDocument document;
    document.SetString("S", "k", value);
    const CIniDocument reread = Parsed(TextOf(document));
    EXPECT_EQ(reread.GetString("S", "k", ""), value);
}

TEST_F(IniDocumentDoubleByteTest, LineBreaksAfterALeadByteAreEscaped) {
    // A lead byte before CR or LF must not carry the break into the file: the rest of the
    // value would start a key or a section of its own.
    const std::string values[] = {
        "\x81\n[Injected]\r\nkey=1",
        "\x81\r[Injected]",
        "x\x81\nkey=1",
        "\x81\r\n\x81\t\x81",
    };
    for (const std::string& value : values) {
        CIniDocument document;
        document.SetString("S", "k", value);
        const std::string text = TextOf(document);
        const std::string head = "[S]\r\nk=";
        ASSERT_GE(text.size(), head.size() + 2) << text;
        EXPECT_EQ(text.substr(0, head.size()), head);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        const std::string stored = text.substr(head.size(), text.size() - head.size() - 2);
        EXPECT_EQ(stored.find_first_of("\r\n"), std::string::npos) << text;
        const CIniDocument reread = Parsed(text);
        EXPECT_FALSE(reread.HasSection("Injected")) << text;
        EXPECT_FALSE(reread.HasKey("S", "key")) << text;
        EXPECT_TRUE(reread.HasKey("S", "k")) << text;
    }
}

TEST_F(IniDocumentDoubleByteTest, LoneLeadBytesReadBackAsQuestionMarks) {
    struct SCase {
        const char* name;
        std::string value;
        std::string expected;
    };
    const SCase cases[] = {
        {"before LF", "\x81\n", "?\n"},
        {"before CR", "a\x81\rb", "a?\rb"},
        {"before CR LF", "\x9F\r\n", "?\r\n"},
        {"before tab", "\x81\tx", "?\tx"},
        {"at the end", "ab\x81", "ab?"},
        {"alone", "\x81", "?"},
        {"before a digit",
         "\x81"
         "1",
         "?1"},
        {"two in a row before LF", "\x81\x81\n", "\x81\x81\n"},
        {"three in a row before LF", "\x81\x81\x81\n", "\x81\x81?\n"},
        {"paired with a backslash", "\x81\\n", "\x81\\n"},
        {"a pair, then LF", "\x81\x40\n", "\x81\x40\n"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        CIniDocument document;
        document.SetString("S", "k", c.value);
        EXPECT_EQ(document.GetString("S", "k", kAbsent), c.expected);
        EXPECT_EQ(Parsed(TextOf(document)).GetString("S", "k", kAbsent), c.expected);
        // What reads back is stored as it is.
        document.SetString("S", "k", c.expected);
        EXPECT_EQ(document.GetString("S", "k", kAbsent), c.expected);
    }
}

TEST(IniDocumentSingleByteTest, HighBytesAreSingleCharactersWithoutLeadBytes) {
    CFakePlatform platform;
    platform.Install();
    const CIniDocument document = Parsed("[S]\nk\x81=v=w\nj=\x81\\n");
    EXPECT_EQ(document.GetString("S", "k\x81", kAbsent), "v=w");
    EXPECT_EQ(document.GetString("S", "j", kAbsent), "\x81\n");
}

// --- Reporting ---

TEST(IniDocumentTest, ParseTellsTheReporterAboutEveryNonBlankLine) {
    CRecordingReporter reporter;
    CIniDocument document;
    document.Parse("k=0\r\njunk\r\n[A]\r\n\r\nk=1\n  k=2 \rnote\n[A]\nx\\n=y=z\n[]\n", &reporter);
    EXPECT_EQ(reporter.calls, (std::vector<std::string>{
                                  "1: key outside a section k",
                                  "2: ignored",
                                  "3: section [A]",
                                  "5: key k=1",
                                  "6: key k=2, replaces",
                                  "7: ignored",
                                  "8: section [A], replaces",
                                  "9: key x\\n=y=z",
                                  "10: section []",
                              }));
    // The reporter changes nothing in what is read.
    std::string text;
    document.GetText(text);
    EXPECT_EQ(text,
              TextOf(Parsed("k=0\r\njunk\r\n[A]\r\n\r\nk=1\n  k=2 \rnote\n[A]\nx\\n=y=z\n[]\n")));
}

TEST(IniDocumentTest, GettersTellTheReporterWhatDoesNotReadAsWritten) {
    const CIniDocument document =
        Parsed("[S]\ni=abc\nj=7\nc=red,0\nk=1,x,3,y\nd=2024 02 30\nt=2024 02 29 24 00 00\ne=\n");
    CRecordingReporter reporter;
    EXPECT_EQ(document.GetInt("S", "i", 5, &reporter), 0);
    EXPECT_EQ(document.GetInt("S", "j", 5, &reporter), 7);
    EXPECT_EQ(document.GetInt("S", "e", 5, &reporter), 5);
    EXPECT_EQ(document.GetInt("S", "absent", 5, &reporter), 5);
    EXPECT_EQ(document.GetColor("S", "c", 9u, &reporter), 9u);
    EXPECT_EQ(document.GetColor("S", "k", 9u, &reporter), 0x030001u);
    EXPECT_EQ(document.GetColor("S", "e", 9u, &reporter), 9u);
    EXPECT_EQ(document.GetDateTime("S", "d", CDateTime(2000, 1, 1), &reporter), CDateTime());
    EXPECT_EQ(document.GetDateTime("S", "t", CDateTime(2000, 1, 1), &reporter),
              CDateTime(2024, 2, 29));
    EXPECT_EQ(document.GetDateTime("S", "e", CDateTime(2000, 1, 1), &reporter),
              CDateTime(2000, 1, 1));
    EXPECT_EQ(reporter.calls, (std::vector<std::string>{
                                  "S/i: no digits",
                                  "S/c: colour item without digits red",
                                  "S/c: colour too short",
                                  "S/k: colour item without digits x",
                                  "S/d: invalid date, 0001 01 01 00 00 00",
                                  "S/t: invalid time, 2024 02 29 00 00 00",
                              }));
}

}  // namespace

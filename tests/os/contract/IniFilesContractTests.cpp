// Initialization files as both backends must answer them.

#include "Backend.h"

#include "os/IniFiles.h"

#include <gtest/gtest.h>

namespace prolamo::os::contract {
namespace {

constexpr const char* kOpera = "Opera Preferences version 2.1\r\n"
                               "; comment before the sections\r\n"
                               "\r\n"
                               "[User Prefs]\r\n"
                               "Home URL=https://example.org/\r\n"
                               "\r\n"
                               "[Proxy]\r\n"
                               "; a comment inside\r\n"
                               "Use HTTP = 1\r\n"
                               "HTTP server=proxy:8080\r\n"
                               "\r\n"
                               "[Cache]\r\n"
                               "Docs=2\r\n";

class IniFilesContract : public BackendTest {
protected:
    IniFilesContract() { WriteAll(file_, kOpera); }
    std::vector<std::u16string> Section(std::u16string_view name, ErrorCode expected = ErrorSuccess) {
        std::vector<std::u16string> lines{u"stale"};
        EXPECT_EQ(IniFiles().GetPrivateProfileSection(name, file_, &lines), expected);
        return lines;
    }
    using Lines = std::vector<std::u16string>;
    const std::string file_ = PathOf("opera6.ini");
};

TEST_F(IniFilesContract, SectionsReadAsTrimmedKeyValueLinesWithoutComments) {
    EXPECT_EQ(Section(u"PROXY"), (Lines{u"Use HTTP=1", u"HTTP server=proxy:8080"}));
    EXPECT_EQ(Section(u"Cache"), (Lines{u"Docs=2"}));
    EXPECT_TRUE(Section(u"Missing").empty());
    std::filesystem::remove(Folder() / "opera6.ini");
    EXPECT_TRUE(Section(u"Proxy", ErrorFileNotFound).empty());
}

TEST_F(IniFilesContract, OneKeyIsReadOrItsDefaultGivenWhenAbsent) {
    WriteAll(file_, "[Profile0]\r\nIsRelative=1\r\nPath=\"Profiles/a b.default\"\r\n");
    std::u16string value;
    EXPECT_EQ(IniFiles().GetPrivateProfileString(u"profile0", u"PATH", u"", &value, file_), ErrorSuccess);
    EXPECT_EQ(value, u"Profiles/a b.default") << "the quotes around the value go";
    EXPECT_EQ(IniFiles().GetPrivateProfileString(u"Profile0", u"Name", u"none", &value, file_), ErrorFileNotFound);
    EXPECT_EQ(value, u"none");
    EXPECT_EQ(IniFiles().GetPrivateProfileString(u"Profile1", u"Path", u"", &value, file_), ErrorFileNotFound);
    EXPECT_EQ(value, u"");
    EXPECT_EQ(IniFiles().GetPrivateProfileString(u"Profile0", u"Path", u"x", &value, PathOf("missing.ini")),
              ErrorFileNotFound);
    EXPECT_EQ(value, u"x");
}

TEST_F(IniFilesContract, ErasingASectionKeepsTheOthersWhole) {
    ASSERT_EQ(IniFiles().WritePrivateProfileString(u"proxy", nullptr, nullptr, file_), ErrorSuccess);
    EXPECT_TRUE(Section(u"Proxy").empty());
    EXPECT_EQ(Section(u"User Prefs"), (Lines{u"Home URL=https://example.org/"}));
    EXPECT_EQ(Section(u"Cache"), (Lines{u"Docs=2"}));
    const std::string text = ReadAll(file_);
    EXPECT_NE(text.find("Opera Preferences version 2.1"), std::string::npos) << text;
    EXPECT_NE(text.find("; comment before the sections"), std::string::npos) << text;
    EXPECT_EQ(text.find("a comment inside"), std::string::npos) << "the erased section's comment goes with it";
    EXPECT_EQ(text.find("HTTP server"), std::string::npos) << text;
}

TEST_F(IniFilesContract, WritingReplacesAKeyOrAddsItToItsSection) {
    ASSERT_EQ(IniFiles().WritePrivateProfileString(u"proxy", u"Use HTTP", u"0", file_), ErrorSuccess);
    ASSERT_EQ(IniFiles().WritePrivateProfileString(u"Proxy", u"FTP server", u"ftp:21", file_), ErrorSuccess);
    ASSERT_EQ(IniFiles().WritePrivateProfileString(u"New", u"Key", u"Value", file_), ErrorSuccess);
    EXPECT_EQ(Section(u"Proxy"), (Lines{u"Use HTTP=0", u"HTTP server=proxy:8080", u"FTP server=ftp:21"}));
    EXPECT_EQ(Section(u"New"), (Lines{u"Key=Value"}));
    EXPECT_EQ(Section(u"Cache"), (Lines{u"Docs=2"}));
    ASSERT_EQ(IniFiles().WritePrivateProfileString(u"Proxy", u"HTTP server", nullptr, file_), ErrorSuccess);
    EXPECT_EQ(Section(u"Proxy"), (Lines{u"Use HTTP=0", u"FTP server=ftp:21"})) << "a null value removes the key";
    const std::string text = ReadAll(file_);
    EXPECT_LT(text.find("[Proxy]"), text.find("FTP server=ftp:21"));
    EXPECT_LT(text.find("FTP server=ftp:21"), text.find("[Cache]")) << text;
}

TEST_F(IniFilesContract, LongSectionsAndValuesAreReadWhole) {
    std::string text = "[Long]\r\n";
    Lines expected;
    for (int i = 0; i < 300; ++i) {
        const std::string line = "Key" + std::to_string(i) + "=" + std::string(40, static_cast<char>('a' + i % 26));
        text += line + "\r\n";
        expected.emplace_back(line.begin(), line.end());
    }
    const std::string longValue(3000, 'v');
    text += "[Other]\r\nValue=" + longValue + "\r\n";
    WriteAll(file_, text);
    EXPECT_EQ(Section(u"Long"), expected);
    std::u16string value;
    ASSERT_EQ(IniFiles().GetPrivateProfileString(u"Other", u"Value", u"", &value, file_), ErrorSuccess);
    EXPECT_EQ(value, std::u16string(longValue.begin(), longValue.end()));
}

TEST_F(IniFilesContract, AMissingFileIsCreatedButNotItsFolder) {
    const std::string fresh = PathOf("fresh.ini");
    ASSERT_EQ(IniFiles().WritePrivateProfileString(u"Proxy", u"Use HTTP", u"1", fresh), ErrorSuccess);
    std::vector<std::u16string> lines;
    ASSERT_EQ(IniFiles().GetPrivateProfileSection(u"Proxy", fresh, &lines), ErrorSuccess);
    EXPECT_EQ(lines, (Lines{u"Use HTTP=1"}));
    EXPECT_EQ(IniFiles().WritePrivateProfileString(u"Proxy", u"k", u"v", PathOf("no/such/x.ini")), ErrorPathNotFound);
    EXPECT_FALSE(std::filesystem::exists(Folder() / "no"));
}

} // namespace
} // namespace prolamo::os::contract

#include "TestSupport.h"

#include "os/IniFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace prolamo::os::test {
namespace {

class IniFilesTest : public ::testing::Test {
protected:
    std::string Write(const std::string& bytes) {
        std::ofstream(path_, std::ios::binary) << bytes;
        return path_;
    }
    std::string Read() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::u16string> Section(std::u16string_view name, ErrorCode expected = ErrorSuccess) {
        std::vector<std::u16string> lines{u"stale"};
        EXPECT_EQ(IniFiles().GetPrivateProfileSection(name, path_, &lines), expected);
        return lines;
    }

    TempFolder temp_;
    std::string path_ = (temp_.Path() / "opera6.ini").string();
};

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
                               "no value line\r\n"
                               "\r\n"
                               "[Cache]\r\n"
                               "Docs=2";

TEST_F(IniFilesTest, SectionsReadAsTrimmedKeyValueLinesWithoutComments) {
    Write(kOpera);
    EXPECT_EQ(Section(u"PROXY"), (std::vector<std::u16string>{u"Use HTTP=1", u"HTTP server=proxy:8080"}));
    EXPECT_EQ(Section(u"Cache"), (std::vector<std::u16string>{u"Docs=2"}));
    EXPECT_TRUE(Section(u"Missing").empty());
    std::filesystem::remove(path_);
    EXPECT_TRUE(Section(u"Proxy", ErrorFileNotFound).empty());
}

TEST_F(IniFilesTest, ErasingASectionKeepsEveryOtherLineByteForByte) {
    Write(kOpera);
    ASSERT_EQ(IniFiles().WritePrivateProfileString(u"proxy", nullptr, nullptr, path_), ErrorSuccess);
    EXPECT_EQ(Read(), "Opera Preferences version 2.1\r\n"
                      "; comment before the sections\r\n"
                      "\r\n"
                      "[User Prefs]\r\n"
                      "Home URL=https://example.org/\r\n"
                      "\r\n"
                      "[Cache]\r\n"
                      "Docs=2");
    const std::string before = Read();
    EXPECT_EQ(IniFiles().WritePrivateProfileString(u"Proxy", nullptr, nullptr, path_), ErrorSuccess);
    EXPECT_EQ(Read(), before) << "erasing a missing section changes nothing";
}

TEST_F(IniFilesTest, WritingReplacesInPlaceOrAddsAtTheSectionsEnd) {
    Write(kOpera);
    ASSERT_EQ(IniFiles().WritePrivateProfileString(u"Proxy", u"use http", u"0", path_), ErrorSuccess);
    ASSERT_EQ(IniFiles().WritePrivateProfileString(u"Proxy", u"FTP server", u"ftp:21", path_), ErrorSuccess);
    ASSERT_EQ(IniFiles().WritePrivateProfileString(u"Cache", u"Images", u"3", path_), ErrorSuccess);
    ASSERT_EQ(IniFiles().WritePrivateProfileString(u"New", u"Key", u"Wert ü", path_), ErrorSuccess);
    EXPECT_EQ(Read(), "Opera Preferences version 2.1\r\n"
                      "; comment before the sections\r\n"
                      "\r\n"
                      "[User Prefs]\r\n"
                      "Home URL=https://example.org/\r\n"
                      "\r\n"
                      "[Proxy]\r\n"
                      "; a comment inside\r\n"
                      "use http=0\r\n"
                      "HTTP server=proxy:8080\r\n"
                      "no value line\r\n"
                      "FTP server=ftp:21\r\n"
                      "\r\n"
                      "[Cache]\r\n"
                      "Docs=2\r\n"
                      "Images=3\r\n"
                      "\r\n"
                      "[New]\r\n"
                      "Key=Wert \xC3\xBC\r\n");
    ASSERT_EQ(IniFiles().WritePrivateProfileString(u"Cache", u"Docs", nullptr, path_), ErrorSuccess);
    EXPECT_EQ(Section(u"Cache"), (std::vector<std::u16string>{u"Images=3"})) << "a null value removes the key";
}

TEST_F(IniFilesTest, Utf16FilesStayUtf16AndMissingFilesAreCreatedButNotTheirFolders) {
    const std::string utf16("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0v\0\r\0\n\0", 20);
    Write(utf16);
    ASSERT_EQ(IniFiles().WritePrivateProfileString(u"A", u"n", u"w", path_), ErrorSuccess);
    EXPECT_EQ(Read(), utf16 + std::string("n\0=\0w\0\r\0\n\0", 10));
    EXPECT_EQ(Section(u"A"), (std::vector<std::u16string>{u"k=v", u"n=w"}));

    std::filesystem::remove(path_);
    ASSERT_EQ(IniFiles().WritePrivateProfileString(u"Proxy", u"Use HTTP", u"1", path_), ErrorSuccess);
    EXPECT_EQ(Read(), "[Proxy]\r\nUse HTTP=1\r\n");
    EXPECT_EQ(IniFiles().WritePrivateProfileString(u"Proxy", u"k", u"v", (temp_.Path() / "no/such/x.ini").string()),
              ErrorPathNotFound);
}

} // namespace
} // namespace prolamo::os::test

#include "TestSupport.h"

#include "os/VersionInfo.h"
#include "os/VersionRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace prolamo::os {
namespace {

std::array<std::uint32_t, 13> FixedPart(const void* block) {
    const void* value = nullptr;
    std::uint32_t length = 0;
    std::array<std::uint32_t, 13> words{};
    EXPECT_EQ(VersionInfo().VerQueryValue(block, u"\\", &value, &length), ErrorSuccess);
    EXPECT_EQ(length, 52u);
    if (value != nullptr && length == 52)
        std::memcpy(words.data(), value, 52);
    return words;
}

std::u16string StringValue(const void* block, std::u16string_view path) {
    const void* value = nullptr;
    std::uint32_t length = 0;
    if (VersionInfo().VerQueryValue(block, path, &value, &length) != ErrorSuccess || length == 0)
        return u"<missing>";
    std::u16string text(length, u'\0');
    std::memcpy(text.data(), value, length * 2);
    EXPECT_EQ(text.back(), u'\0') << "string lengths count the terminating zero";
    text.pop_back();
    return text;
}

std::vector<std::uint32_t> Translations(const void* block) {
    const void* value = nullptr;
    std::uint32_t length = 0;
    if (VersionInfo().VerQueryValue(block, u"\\VarFileInfo\\Translation", &value, &length) != ErrorSuccess)
        return {};
    std::vector<std::uint32_t> entries(length / 4);
    std::memcpy(entries.data(), value, entries.size() * 4);
    return entries;
}

// Reads a file's record the way the program does: size, then the record.
std::vector<std::uint8_t> LoadRecord(const std::string& file, ErrorCode* error) {
    std::uint32_t size = 0;
    *error = VersionInfo().GetFileVersionInfoSize(file, &size);
    if (*error != ErrorSuccess)
        return {};
    std::vector<std::uint8_t> block(size);
    *error = VersionInfo().GetFileVersionInfo(file, size, block.data());
    return block;
}

class VersionRecordFile : public ::testing::Test {
protected:
    // A record somewhere inside other bytes, as in an executable.
    std::string WriteFileWith(const VersionRecordContent& content) {
        const auto record = BuildVersionRecord(content);
        std::vector<std::uint8_t> file(1000 + record.size() + 333, 0x11);
        std::fill_n(file.begin(), 1000, std::uint8_t{0xCC});
        std::copy(record.begin(), record.end(), file.begin() + 1000);
        const std::string path = (temp_.Path() / "program.exe").string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        return path;
    }
    test::TempFolder temp_;
};

TEST_F(VersionRecordFile, FixedPartTranslationsAndStringsComeBack) {
    VersionRecordContent content;
    content.fixed.fileVersionMs = 0x00010002;
    content.fixed.fileVersionLs = 0x00030004;
    content.stringTables.push_back({u"040904B0", {{u"CompanyName", u"Orvenik"}, {u"FileVersion", u"1.2.3.4"}}});
    content.stringTables.push_back({u"040704E4", {{u"FileVersion", u"1,2,3,4 (de)"}}});
    content.translations = {0x04B00409, 0x04E40407};
    ErrorCode error = ErrorGenFailure;
    const auto block = LoadRecord(WriteFileWith(content), &error);
    ASSERT_EQ(error, ErrorSuccess);

    const auto fixed = FixedPart(block.data());
    EXPECT_EQ(fixed, content.fixed.Words());
    EXPECT_EQ(fixed[0], 0xFEEF04BDu);
    EXPECT_EQ(Translations(block.data()), (std::vector<std::uint32_t>{0x04B00409, 0x04E40407}));
    EXPECT_EQ(StringValue(block.data(), u"\\StringFileInfo\\040904B0\\FileVersion"), u"1.2.3.4");
    EXPECT_EQ(StringValue(block.data(), u"\\StringFileInfo\\040904B0\\CompanyName"), u"Orvenik");
    EXPECT_EQ(StringValue(block.data(), u"\\stringfileinfo\\040704e4\\fileversion"), u"1,2,3,4 (de)");

    const void* value = nullptr;
    std::uint32_t length = 0;
    EXPECT_EQ(VersionInfo().VerQueryValue(block.data(), u"\\StringFileInfo\\041104B0\\FileVersion", &value, &length),
              ErrorResourceTypeNotFound);
    EXPECT_EQ(VersionInfo().VerQueryValue(block.data(), u"\\StringFileInfo\\040904B0\\Comments", &value, &length),
              ErrorResourceTypeNotFound);
}

TEST_F(VersionRecordFile, RecordWithoutStringsOrTranslationsStillHasItsFixedPart) {
    VersionRecordContent content;
    content.fixed.fileVersionMs = 0;
    content.fixed.fileVersionLs = 0;
    ErrorCode error = ErrorGenFailure;
    const auto block = LoadRecord(WriteFileWith(content), &error);
    ASSERT_EQ(error, ErrorSuccess);
    EXPECT_EQ(FixedPart(block.data())[2], 0u);
    EXPECT_TRUE(Translations(block.data()).empty());
}

TEST_F(VersionRecordFile, TooSmallBufferIsRefused) {
    const std::string file = WriteFileWith(VersionRecordContent{});
    std::uint32_t size = 0;
    ASSERT_EQ(VersionInfo().GetFileVersionInfoSize(file, &size), ErrorSuccess);
    std::vector<std::uint8_t> block(size);
    EXPECT_EQ(VersionInfo().GetFileVersionInfo(file, size - 1, block.data()), ErrorInsufficientBuffer);
}

TEST_F(VersionRecordFile, FilesWithoutARecordOrMissingFilesFail) {
    const std::string plain = (temp_.Path() / "plain.txt").string();
    std::ofstream(plain, std::ios::binary) << "no record in here";
    std::uint32_t size = 123;
    EXPECT_EQ(VersionInfo().GetFileVersionInfoSize(plain, &size), ErrorResourceTypeNotFound);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(VersionInfo().GetFileVersionInfoSize((temp_.Path() / "none.exe").string(), &size), ErrorFileNotFound);
}

TEST(VersionRecordParsing, DamagedRecordsAreRejectedNotOverrun) {
    auto record = BuildVersionRecord(VersionRecordContent{});
    const auto found = FindVersionRecord(record);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->first, 0u);
    EXPECT_EQ(found->second, record.size());
    // The key with a sound header but no fixed-part signature is not a record.
    auto unsigned_ = record;
    const std::size_t signatureAt = 6 + 16 * 2 + 2; // header, key with its zero, padding
    ASSERT_EQ(unsigned_[signatureAt], 0xBD);
    unsigned_[signatureAt] = 0;
    EXPECT_FALSE(FindVersionRecord(unsigned_).has_value());
    // A length that claims more than there is.
    record[0] = 0xFF;
    record[1] = 0xFF;
    EXPECT_FALSE(FindVersionRecord(record).has_value());
}

TEST(OwnExecutable, CarriesTheProjectVersion) {
    ErrorCode error = ErrorGenFailure;
    const auto block = LoadRecord("/proc/self/exe", &error);
    ASSERT_EQ(error, ErrorSuccess);
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(PROLAMO_TEST_VERSION, "%u.%u.%u", &major, &minor, &patch), 3);
    const auto fixed = FixedPart(block.data());
    EXPECT_EQ(fixed[2], (major << 16) | minor);
    EXPECT_EQ(fixed[3], patch << 16);
    ASSERT_EQ(Translations(block.data()), (std::vector<std::uint32_t>{0x04B00409}));
    const std::string expected = std::string(PROLAMO_TEST_VERSION) + ".0";
    EXPECT_EQ(StringValue(block.data(), u"\\StringFileInfo\\040904B0\\FileVersion"),
              std::u16string(expected.begin(), expected.end()));
}

} // namespace
} // namespace prolamo::os

// The dump walks any stream generically; these streams are built by hand, so that every value
// type and record form appears, also ones this system never writes.

#include "cli/uDataFileDump.h"
#include "framework/Stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace prolamo::cli {
namespace {

template <class T> void Raw(std::vector<std::uint8_t>& out, TValueType type, T value, std::size_t size = sizeof(T)) {
    out.push_back(static_cast<std::uint8_t>(type));
    std::uint8_t bytes[16] = {};
    std::memcpy(bytes, &value, sizeof value);
    out.insert(out.end(), bytes, bytes + size);
}

std::vector<std::uint8_t> WithHeader(const std::vector<std::uint8_t>& stream) {
    std::vector<std::uint8_t> file = {0xFF, 10, 0};
    for (char c : std::string("TPERSISTENTDATA"))
        file.push_back(static_cast<std::uint8_t>(c));
    file.insert(file.end(), {0, 0x30, 0x10});
    const auto length = static_cast<std::uint32_t>(stream.size());
    for (int i = 0; i < 4; ++i)
        file.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

std::string Dump(const std::vector<std::uint8_t>& file) {
    std::ostringstream out;
    DumpDataFile(file, out);
    return out.str();
}

TEST(DataFileDumpTest, EveryValueTypeAndRecordFormIsShown) {
    std::vector<std::uint8_t> s;
    TWriter w(s);
    w.WriteSignature();
    w.WriteShortString("TPersistentData");
    w.WriteShortString("PersistentData");
    w.WriteListEnd();
    // A child record with the prefix of an inherited record that has a position.
    s.push_back(0xF3);
    w.WriteInteger(3);
    w.WriteShortString("TGadget");
    w.WriteShortString("Gadget1");
    w.WriteShortString("Small");
    w.WriteInteger(-5);
    w.WriteShortString("Medium");
    w.WriteInteger(1000);
    w.WriteShortString("Large");
    w.WriteInteger(-100000);
    w.WriteShortString("Huge");
    w.WriteInteger(1LL << 40);
    w.WriteShortString("Text");
    w.WriteString("it's\tok");
    w.WriteShortString("Long");
    w.WriteString(std::string(300, 'a'));
    w.WriteShortString("Utf8");
    w.WriteString("caf\xC3\xA9");
    w.WriteShortString("Wide");
    w.WriteWideString(u"\u65E5\u672C");
    w.WriteShortString("Kind");
    w.WriteValueType(TValueType::Ident);
    w.WriteShortString("gkRound");
    w.WriteShortString("Off");
    w.WriteBoolean(false);
    w.WriteShortString("On");
    w.WriteBoolean(true);
    w.WriteShortString("Parent");
    w.WriteValueType(TValueType::Nil);
    w.WriteShortString("Blob");
    std::vector<std::uint8_t> blob(40);
    for (std::size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<std::uint8_t>(i * 7);
    w.WriteBinary(blob);
    w.WriteShortString("Empty");
    w.WriteBinary({});
    w.WriteShortString("Styles");
    w.WriteValueType(TValueType::Set);
    w.WriteShortString("fsBold");
    w.WriteShortString("fsItalic");
    w.WriteShortString("");
    w.WriteShortString("Ratio");
    Raw(s, TValueType::Double, 1.5);
    w.WriteShortString("Quarter");
    Raw(s, TValueType::Single, 0.25f);
    w.WriteShortString("Price");
    Raw(s, TValueType::Currency, std::int64_t{12345678});
    w.WriteShortString("When");
    Raw(s, TValueType::Date, 45000.5);
    w.WriteShortString("Precise");
    Raw(s, TValueType::Extended, 2.5L, 10);
    w.WriteShortString("Lines.Strings");
    w.WriteListBegin();
    w.WriteString("one");
    w.WriteListBegin();
    w.WriteInteger(2);
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteShortString("Nothing");
    w.WriteListBegin();
    w.WriteListEnd();
    w.WriteShortString("Parts");
    w.WriteListBegin();
    w.WriteShortString("TPart");
    w.WriteShortString("");
    w.WriteShortString("Size");
    w.WriteInteger(1);
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteShortString("Items");
    w.WriteValueType(TValueType::Collection);
    w.WriteInteger(7);
    w.WriteListBegin();
    w.WriteShortString("Name");
    w.WriteString("first");
    w.WriteListEnd();
    w.WriteListBegin();
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteShortString("None");
    w.WriteValueType(TValueType::Collection);
    w.WriteListEnd();
    w.WriteListEnd(); // properties of Gadget1
    w.WriteListEnd(); // its children
    w.WriteListEnd(); // the root's children

    const std::string expected =
        "# resource TPERSISTENTDATA, flags 0x1030, component stream of " + std::to_string(s.size()) +
        " bytes\n"
        "object PersistentData: TPersistentData\n"
        "  object Gadget1: TGadget inherited [3]\n"
        "    # class not known to this program\n"
        "    Small = -5\n"
        "    Medium = 1000\n"
        "    Large = -100000\n"
        "    Huge = 1099511627776\n"
        "    Text = 'it''s'#9'ok'\n"
        "    Long = '" +
        std::string(300, 'a') +
        "'\n"
        "    Utf8 = 'caf\xC3\xA9'\n"
        "    Wide = '\xE6\x97\xA5\xE6\x9C\xAC'\n"
        "    Kind = gkRound\n"
        "    Off = False\n"
        "    On = True\n"
        "    Parent = nil\n"
        "    Blob = {40 bytes: 00 07 0E 15 1C 23 2A 31 38 3F 46 4D 54 5B 62 69 70 77 7E 85 8C 93 9A A1 A8 AF B6 BD"
        " C4 CB D2 D9 ...}\n"
        "    Empty = {0 bytes}\n"
        "    Styles = [fsBold, fsItalic]\n"
        "    Ratio = 1.5\n"
        "    Quarter = 0.25\n"
        "    Price = 1234.5678 (currency)\n"
        "    When = 45000.5 (date)\n"
        "    Precise = 2.5\n"
        "    Lines.Strings = (\n"
        "      'one'\n"
        "      (\n"
        "        2\n"
        "      )\n"
        "    )\n"
        "    Nothing = ()\n"
        "    Parts = (\n"
        "      object TPart\n"
        "        # class not known to this program\n"
        "        Size = 1\n"
        "      end\n"
        "    )\n"
        "    Items = <\n"
        "      item [7]\n"
        "        Name = 'first'\n"
        "      end\n"
        "      item\n"
        "      end\n"
        "    >\n"
        "    None = <>\n"
        "  end\n"
        "end\n";
    EXPECT_EQ(Dump(WithHeader(s)), expected);
}

TEST(DataFileDumpTest, DamageStopsTheDumpAfterWhatCouldBeShown) {
    std::vector<std::uint8_t> s;
    TWriter w(s);
    w.WriteSignature();
    w.WriteShortString("TPersistentData");
    w.WriteShortString("PersistentData");
    w.WriteShortString("Caption");
    w.WriteString("kept");
    w.WriteShortString("Odd");
    s.push_back(0x63); // no value type has this byte
    w.WriteListEnd();
    w.WriteListEnd();
    const auto file = WithHeader(s);

    std::ostringstream out;
    try {
        DumpDataFile(file, out);
        FAIL() << "the damage went unnoticed";
    } catch (const EDumpError& e) {
        EXPECT_EQ(e.Offset(), file.size() - 3); // the bad type byte
        EXPECT_STREQ(e.what(), "Invalid property value");
    }
    EXPECT_TRUE(out.str().ends_with("object PersistentData: TPersistentData\n  Caption = 'kept'\n  Odd = "))
        << out.str();

    auto badHeader = file;
    badHeader[1] = 9;
    EXPECT_THROW(Dump(badHeader), EDumpError);
    auto longer = file;
    longer[21] += 1; // the header claims a byte more than there is
    EXPECT_THROW(Dump(longer), EDumpError);
}

} // namespace
} // namespace prolamo::cli

#include "framework/Stream.h"
#include "framework/StreamText.h"

#include <gtest/gtest.h>

using namespace prolamo;

namespace {

::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << part << "\" not in:\n" << text;
}

// A stream as the writer makes it, one value of every type it writes, by hand: no class needs
// to be registered for the text form.
std::vector<std::uint8_t> EveryValueStream() {
    std::vector<std::uint8_t> out;
    TWriter w(out);
    const auto prop = [&](const char* name) { w.WriteShortString(name); };
    w.WriteSignature();
    w.WriteShortString("TThing");
    w.WriteShortString("Thing");
    prop("Small"), w.WriteInteger(5);
    prop("Medium"), w.WriteInteger(-300);
    prop("Large"), w.WriteInteger(-2147483647 - 1);
    prop("Huge"), w.WriteInteger(std::int64_t{1} << 40);
    prop("Ascii"), w.WriteString("it's");
    prop("Long"), w.WriteString(std::string(300, 'a'));
    prop("Utf8"), w.WriteString("B\xC3\xBCro\x01");
    prop("Wide"), w.WriteWideString(u"\u6771\u4eac");
    prop("WideOdd"), w.WriteWideString(std::u16string{u'\xD800', u'\u6771', u'\u4eac', u'\n'});
    prop("NarrowWide"), w.WriteWideString(u"plain");
    prop("Flag"), w.WriteBoolean(true);
    prop("Off"), w.WriteBoolean(false);
    prop("Nothing"), w.WriteValueType(TValueType::Nil);
    prop("Align"), w.WriteValueType(TValueType::Ident), w.WriteShortString("alNone");
    prop("Anchors"), w.WriteValueType(TValueType::Set), w.WriteShortString("akLeft"), w.WriteShortString("akTop"),
        w.WriteShortString("");
    prop("NoBytes"), w.WriteBinary({});
    std::vector<std::uint8_t> blob(70);
    for (std::size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<std::uint8_t>(i * 37);
    prop("Blob"), w.WriteBinary(blob);
    prop("Lines.Strings"), w.WriteListBegin(), w.WriteString("a=1"), w.WriteString(""), w.WriteWideString(u"\u5927"),
        w.WriteListEnd();
    prop("Items"), w.WriteValueType(TValueType::Collection);
    for (int i = 0; i < 2; ++i) {
        w.WriteListBegin();
        prop("Name"), w.WriteString("item " + std::to_string(i));
        prop("Inner"), w.WriteValueType(TValueType::Collection), w.WriteListEnd();
        w.WriteListEnd();
    }
    w.WriteListEnd();
    prop("Members"), w.WriteListBegin();
    w.WriteShortString("TMember"), w.WriteShortString(""), prop("Id"), w.WriteInteger(7), w.WriteListEnd(),
        w.WriteListEnd();
    w.WriteListEnd();
    prop("NoMembers"), w.WriteListBegin(), w.WriteListEnd();
    w.WriteListEnd();
    w.WriteShortString("TKid"), w.WriteShortString("Kid"), w.WriteListEnd(), w.WriteListEnd();
    w.WriteListEnd();
    return out;
}

} // namespace

TEST(StreamText, EveryValueTheWriterMakesReadsBackToTheIdenticalStream) {
    const std::vector<std::uint8_t> stream = EveryValueStream();
    const std::string text = ObjectBinaryToText(stream);
    EXPECT_EQ(ObjectTextToBinary(text), stream) << text;

    for (const char* part : {"object Thing: TThing\n",
                             "  Large = -2147483648\n",
                             "  Huge = 1099511627776\n",
                             "  Ascii = 'it''s'\n",
                             "  Utf8 = 'B\xC3\xBCro'#1\n",
                             "  Wide = W'\xE6\x9D\xB1\xE4\xBA\xAC'\n",
                             "  WideOdd = W#55296'\xE6\x9D\xB1\xE4\xBA\xAC'#10\n",
                             "  NarrowWide = 'plain'\n",
                             "  Flag = True\n",
                             "  Nothing = nil\n",
                             "  Align = alNone\n",
                             "  Anchors = [akLeft, akTop]\n",
                             "  NoBytes = {}\n",
                             "  Blob = {\n    00254A6F94B9DE03",
                             "\n  }\n",
                             "  Lines.Strings = (\n    'a=1'\n    ''\n",
                             "  Items = <\n    item\n      Name = 'item 0'\n      Inner = <>\n    end\n    item\n",
                             "  Members = (\n    object TMember\n      Id = 7\n    end\n  )\n",
                             "  NoMembers = ()\n",
                             "  object Kid: TKid\n  end\nend\n"})
        EXPECT_TRUE(Contains(text, part));
}

TEST(StreamText, TheTextMayBeLaidOutFreely) {
    const std::vector<std::uint8_t> stream = EveryValueStream();
    std::string text = ObjectBinaryToText(stream);
    // Indentation and line breaks between tokens are only layout.
    std::string squeezed;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && text.compare(i + 1, 2, "  ") == 0)
            squeezed += "\r\n\t";
        else
            squeezed += text[i];
    }
    EXPECT_EQ(ObjectTextToBinary(squeezed), stream);
    EXPECT_EQ(ObjectTextToBinary("object TA X = 'a'#98#10 end"), ObjectTextToBinary("object TA\n X = 'ab'#10\nend"));
}

TEST(StreamText, BrokenTextIsRefusedWithItsLine) {
    struct Case {
        std::string text;
        std::size_t line;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"", 1, "expected object, found the end of the text"},
        {"object A: TA\n  X = 'open\nend\n", 2, "does not end on its line"},
        {"object TA\n  X = {0G}\nend", 2, "not a hex digit: G"},
        {"object TA\n  X = {0A", 2, "a binary value that does not end"},
        {"object TA\n  X = 99999999999999999999\nend", 2, "not a 64-bit integer"},
        {"object TA\n  X = 12ab\nend", 2, "not a 64-bit integer"},
        {"object TA\n  X = #256\nend", 2, "a character code out of range: #256"},
        {"object TA\n  X = W#65536\nend", 2, "a character code out of range"},
        {"object TA\n  X = #\nend", 2, "a character code out of range"},
        {"object TA\nend\nobject TB\nend", 3, "text after the record's end"},
        {"object TA\n  X = 1\n", 3, "expected end, found the end of the text"},
        {"object TA\n  X = ?\nend", 2, "unexpected character 63"},
        {"object TA\n  X 1\nend", 2, "expected =, found a value"},
        {"object TA\n  X = end\nend", 2, "expected value, found end"},
        {"object TA\n  X = [a b]\nend", 2, "expected ,"},
        {"object TA\n  X = <\n  item Y = 1\n  >\nend", 4, "expected end, found >"},
        {"object TA\n  X = -\nend", 2, "not a 64-bit integer: -"},
        {"object A:\nend", 2, "expected class name, found end"},
        {"object " + std::string(256, 'A') + "\nend", 1, "at most 255 characters"},
        {"object TA\n  X = " + std::string(100, '(') + std::string(100, ')') + "\nend", 2, "nested more than 64"},
        {"object TA\n  X = " + std::string(1, '\0') + "\nend", 2, "unexpected character 0"},
    };
    for (const Case& c : cases) {
        try {
            ObjectTextToBinary(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const ETextFormatError& e) {
            EXPECT_EQ(e.Line(), c.line) << c.text << "\n" << e.what();
            EXPECT_TRUE(Contains(e.what(), c.message)) << c.text;
            EXPECT_TRUE(Contains(e.what(), "Line " + std::to_string(c.line) + ": "));
        }
    }
}

TEST(StreamText, StreamsWithoutATextFormAreRefused) {
    std::vector<std::uint8_t> stream;
    TWriter w(stream);
    w.WriteSignature();
    w.WriteShortString("TA");
    w.WriteShortString("");
    w.WriteShortString("Ratio");
    w.WriteValueType(TValueType::Double);
    stream.insert(stream.end(), 8, 0);
    w.WriteListEnd();
    w.WriteListEnd();
    EXPECT_THROW(ObjectBinaryToText(stream), EFilerError) << "floating-point numbers";

    std::vector<std::uint8_t> cut = EveryValueStream();
    cut.resize(cut.size() / 2);
    EXPECT_THROW(ObjectBinaryToText(cut), EReadError);

    std::vector<std::uint8_t> longer = EveryValueStream();
    longer.push_back(0);
    EXPECT_THROW(ObjectBinaryToText(longer), EReadError) << "bytes after the record";
}

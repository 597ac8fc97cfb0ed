#include "framework/ClassRegistry.h"
#include "framework/Collection.h"
#include "framework/Component.h"
#include "framework/Exceptions.h"
#include "framework/Stream.h"
#include "framework/Strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <random>

using namespace prolamo;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Written(const std::function<void(TWriter&)>& write) {
    Bytes out;
    TWriter writer(out);
    write(writer);
    return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes Ascii(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

// Bytes as hex with printable letters, so a failing comparison shows where streams differ.
std::string Dump(const Bytes& bytes) {
    std::string out;
    for (std::uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", b);
        out += b >= 'A' && b <= 'z' ? std::string(1, static_cast<char>(b)) : std::string(hex);
        out += ' ';
    }
    return out;
}

class TItem : public TCollectionItem {
    PROLAMO_CLASS()

public:
    std::string Label() const { return label_; }
    void SetLabel(const std::string& label) { label_ = label; }

private:
    std::string label_;
};

const TClassInfo& TItem::StaticClass() {
    return MakeClassInfo<TItem, TCollectionItem>("TItem", {prop::String("Label", &TItem::Label, &TItem::SetLabel)});
}

// A component with one property of each kind, to pin the writer's rules.
class TSample : public TComponent {
    PROLAMO_CLASS()

public:
    TSample() : items_(TItem::StaticClass()) {}

    std::int32_t Count() const { return count_; }
    void SetCount(std::int32_t count) { count_ = count; }
    std::uint32_t Id() const { return id_; }
    void SetId(std::uint32_t id) { id_ = id; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    std::string Caption() const { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }
    std::u16string Title() const { return title_; }
    void SetTitle(const std::u16string& title) { title_ = title; }
    std::string Summary() const { return "summary"; }
    void SetLegacy(const std::string& legacy) { legacy_ = legacy; }
    std::string Legacy() const { return legacy_; }
    TStrings& Lines() { return lines_; }
    TCollection& Items() { return items_; }

private:
    std::int32_t count_ = 0;
    std::uint32_t id_ = 0;
    bool enabled_ = false;
    std::string caption_;
    std::u16string title_;
    std::string legacy_;
    TStrings lines_;
    TCollection items_;
};

const TClassInfo& TSample::StaticClass() {
    return MakeClassInfo<TSample, TComponent>("TSample",
                                              {prop::Integer("Count", &TSample::Count, &TSample::SetCount).Default(0),
                                               prop::Cardinal("Id", &TSample::Id, &TSample::SetId),
                                               prop::Boolean("Enabled", &TSample::Enabled, &TSample::SetEnabled),
                                               prop::String("Caption", &TSample::Caption, &TSample::SetCaption),
                                               prop::WideString("Title", &TSample::Title, &TSample::SetTitle),
                                               prop::String<TSample>("Summary", &TSample::Summary, nullptr),
                                               prop::String<TSample>("Legacy", nullptr, &TSample::SetLegacy),
                                               prop::Object("Lines", TTypeKind::Strings, &TSample::Lines),
                                               prop::Object("Items", TTypeKind::Collection, &TSample::Items)});
}

class StreamTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterClasses({&TSample::StaticClass(), &TItem::StaticClass()}); }
};

Bytes Record(TComponent& component) {
    return Written([&](TWriter& w) { w.WriteComponent(component); });
}

std::unique_ptr<TSample> ReadSample(const Bytes& bytes) {
    TReader reader(bytes);
    std::unique_ptr<TComponent> c = reader.ReadComponent();
    return std::unique_ptr<TSample>(static_cast<TSample*>(c.release()));
}

} // namespace

TEST_F(StreamTest, IntegersTakeTheShortestType) {
    const std::vector<std::pair<std::int64_t, Bytes>> cases = {
        {0, {2, 0}},
        {127, {2, 0x7F}},
        {-128, {2, 0x80}},
        {128, {3, 0x80, 0}},
        {-129, {3, 0x7F, 0xFF}},
        {32767, {3, 0xFF, 0x7F}},
        {32768, {4, 0, 0x80, 0, 0}},
        {-32769, {4, 0xFF, 0x7F, 0xFF, 0xFF}},
        {INT32_MIN, {4, 0, 0, 0, 0x80}},
    };
    for (const auto& [value, expected] : cases) {
        // A copy: clang 14 cannot capture a structured binding.
        const Bytes bytes = Written([number = value](TWriter& w) { w.WriteInteger(number); });
        EXPECT_EQ(bytes, expected) << value;
        TReader reader(bytes);
        EXPECT_EQ(reader.ReadInteger(), value);
    }
}

TEST_F(StreamTest, StringsTakeTypeSixTwelveOrTwenty) {
    const std::string short255(255, 'a');
    const std::string long256(256, 'a');
    EXPECT_EQ(Written([&](TWriter& w) { w.WriteString(short255); })[0], 6);
    const Bytes longBytes = Written([&](TWriter& w) { w.WriteString(long256); });
    EXPECT_EQ(Bytes(longBytes.begin(), longBytes.begin() + 5), (Bytes{12, 0, 1, 0, 0}));
    EXPECT_EQ(Written([&](TWriter& w) { w.WriteString("Grüße"); }), Concat({{20, 7, 0, 0, 0}, Ascii("Grüße")}));
    for (const std::string& s : {short255, long256, std::string("Grüße"), std::string()}) {
        const Bytes bytes = Written([&](TWriter& w) { w.WriteString(s); });
        TReader reader(bytes);
        EXPECT_EQ(reader.ReadString(), s);
    }
}

TEST_F(StreamTest, WideStringsAreUtf16OnlyWhenUtf8WouldBeTwiceAsLong) {
    // "é" is two UTF-8 bytes for one character: twice as long, so UTF-16.
    EXPECT_EQ(Written([](TWriter& w) { w.WriteWideString(u"é"); }), (Bytes{18, 1, 0, 0, 0, 0xE9, 0}));
    // One ASCII letter brings it below the factor of two: UTF-8.
    EXPECT_EQ(Written([](TWriter& w) { w.WriteWideString(u"éa"); }), Concat({{20, 3, 0, 0, 0}, Ascii("éa")}));
    EXPECT_EQ(Written([](TWriter& w) { w.WriteWideString(u"Local Area Connection"); })[0], 6);
    for (const std::u16string& s : {std::u16string(u"東京"), std::u16string(u"𝄞 clef"), std::u16string(u"plain")}) {
        const Bytes bytes = Written([&](TWriter& w) { w.WriteWideString(s); });
        TReader reader(bytes);
        EXPECT_EQ(reader.ReadWideString(), s);
    }
}

TEST_F(StreamTest, SingleByteStringsFromWindowsFilesAreDecodedFromTheAnsiCodePage) {
    const Bytes bytes{6, 4, 'c', 'a', 'f', 0xE9};
    TReader reader(bytes);
    EXPECT_EQ(reader.ReadString(), "café");
}

TEST_F(StreamTest, TextThatIsNotUtf8IsRefusedByTheWriterAndRepairedByTheReader) {
    for (const std::string& bad :
         {std::string("Caf\xE9"), std::string("\xC0\xAF"), std::string("\xED\xA0\x80"), std::string("cut \xE2\x82")}) {
        Bytes out;
        TWriter writer(out);
        EXPECT_THROW(writer.WriteString(bad), EStreamError) << bad;
        TSample sample;
        sample.SetCaption(bad);
        try {
            Record(sample);
            ADD_FAILURE() << bad;
        } catch (const EStreamError& e) {
            EXPECT_EQ(e.Message(), "The text of Caption is not valid UTF-8");
        }
    }
    // Such a record, written by an earlier version, reads as the single-byte strings do.
    const Bytes earlier{20, 4, 0, 0, 0, 'C', 'a', 'f', 0xE9};
    TReader reader(earlier);
    EXPECT_EQ(reader.ReadString(), "Café");
}

TEST_F(StreamTest, APropertyStoredTwiceIsAReadError) {
    for (const char* second : {"Caption", "caption"}) {
        const Bytes twice = Concat({{7},
                                    Ascii("TSample"),
                                    {1},
                                    Ascii("S"),
                                    {7},
                                    Ascii("Caption"),
                                    {6, 1, 'a'},
                                    {static_cast<std::uint8_t>(std::strlen(second))},
                                    Ascii(second),
                                    {6, 1, 'b'},
                                    {0},
                                    {0}});
        try {
            ReadSample(twice);
            ADD_FAILURE() << second;
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(),
                      std::string("Error reading S.") + second + ": Property " + second + " is stored twice");
        }
    }
    // Every property once reads; one more after all of them is found again.
    TSample sample;
    static_cast<TItem&>(sample.Items().Add()).SetLabel("one");
    static_cast<TItem&>(sample.Items().Add()).SetLabel("two"); // each item has properties of its own
    sample.Lines().Add("line");
    sample.SetCaption("c");
    sample.SetTitle(u"t");
    sample.SetEnabled(true);
    sample.SetCount(3);
    Bytes all = Record(sample);
    EXPECT_EQ(static_cast<TItem&>(ReadSample(all)->Items().Item(1)).Label(), "two");
    const Bytes again = Concat({{5}, Ascii("Count"), {2, 4}});
    all.insert(all.end() - 2, again.begin(), again.end());
    EXPECT_THROW(ReadSample(all), EReadError);
}

TEST_F(StreamTest, DefaultsEmptyStringsAndUnwritablePropertiesAreLeftOut) {
    TSample sample;
    EXPECT_EQ(Record(sample),
              Concat({{7}, Ascii("TSample"), {0}, {2}, Ascii("Id"), {2, 0}, {5}, Ascii("Items"), {14, 0}, {0}, {0}}))
        << "only the integer without default and the collection, which is written even when empty";
}

TEST_F(StreamTest, PropertiesFollowDeclarationOrderAndListsUseTheirStringsProperty) {
    TSample sample;
    sample.SetName("S");
    sample.SetCount(1);
    sample.SetId(0x80000000u);
    sample.SetEnabled(true);
    sample.SetCaption("c");
    sample.Lines().Add("x");
    auto& item = static_cast<TItem&>(sample.Items().Add());
    item.SetLabel("i");
    EXPECT_EQ(Dump(Record(sample)), Dump(Concat({{7},
                                                 Ascii("TSample"),
                                                 {1},
                                                 Ascii("S"),
                                                 {5},
                                                 Ascii("Count"),
                                                 {2, 1},
                                                 {2},
                                                 Ascii("Id"),
                                                 {4, 0, 0, 0, 0x80},
                                                 {7},
                                                 Ascii("Enabled"),
                                                 {9},
                                                 {7},
                                                 Ascii("Caption"),
                                                 {6, 1, 'c'},
                                                 {13},
                                                 Ascii("Lines.Strings"),
                                                 {1, 6, 1, 'x', 0},
                                                 {5},
                                                 Ascii("Items"),
                                                 {14, 1, 5},
                                                 Ascii("Label"),
                                                 {6, 1, 'i', 0, 0},
                                                 {0},
                                                 {0}})));
}

TEST_F(StreamTest, EveryPropertyKindRoundTrips) {
    TSample sample;
    sample.SetName("Sample");
    sample.SetCount(-70000);
    sample.SetId(4000000000u);
    sample.SetEnabled(true);
    sample.SetCaption(std::string(300, 'z'));
    sample.SetTitle(u"Ethernet 東京");
    sample.Lines().Add("a=1");
    sample.Lines().Add("b=2");
    static_cast<TItem&>(sample.Items().Add()).SetLabel("first");
    static_cast<TItem&>(sample.Items().Add()).SetLabel("second");

    const std::unique_ptr<TSample> copy = ReadSample(Record(sample));
    EXPECT_EQ(copy->Name(), "Sample");
    EXPECT_EQ(copy->Count(), -70000);
    EXPECT_EQ(copy->Id(), 4000000000u);
    EXPECT_TRUE(copy->Enabled());
    EXPECT_EQ(copy->Caption(), sample.Caption());
    EXPECT_EQ(copy->Title(), sample.Title());
    EXPECT_EQ(copy->Lines(), sample.Lines());
    ASSERT_EQ(copy->Items().Count(), 2u);
    EXPECT_EQ(static_cast<TItem&>(copy->Items().Item(1)).Label(), "second");
}

TEST_F(StreamTest, WriteOnlyPropertiesAcceptOlderData) {
    const Bytes bytes = Concat({{7}, Ascii("TSample"), {0}, {6}, Ascii("Legacy"), {6, 3}, Ascii("old"), {0}, {0}});
    EXPECT_EQ(ReadSample(bytes)->Legacy(), "old");
}

TEST_F(StreamTest, ReadErrorsNameTheComponentAndProperty) {
    const Bytes unknown = Concat({{7}, Ascii("TSample"), {1}, Ascii("S"), {7}, Ascii("Missing"), {2, 0}, {0}, {0}});
    try {
        ReadSample(unknown);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Error reading S.Missing: Property Missing does not exist");
    }
    const Bytes readOnly = Concat({{7}, Ascii("TSample"), {0}, {7}, Ascii("Summary"), {6, 1, 'x'}, {0}, {0}});
    try {
        ReadSample(readOnly);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Error reading TSample.Summary: Property Summary is read-only");
    }
    const Bytes wrongType = Concat({{7}, Ascii("TSample"), {0}, {2}, Ascii("Id"), {6, 1, 'x'}, {0}, {0}});
    EXPECT_THROW(ReadSample(wrongType), EReadError);
    const Bytes unknownClass = Concat({{8}, Ascii("TMissing"), {0}, {0}, {0}});
    try {
        ReadSample(unknownClass);
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), "Class TMissing not found");
    }
}

namespace {

std::string GermanReadErrors(const char* context, const char* english) {
    static const std::map<std::string, std::string> known{
        {"Error reading %1%2%3: %4", "Fehler beim Lesen von %1%2%3: %4"},
        {"Property %1 does not exist", "Die Eigenschaft %1 gibt es nicht"},
        {"Class %1 not found", "Die Klasse %1 wurde nicht gefunden"}};
    const auto found = known.find(english);
    return std::string(context) == "Engine" && found != known.end() ? found->second : english;
}

} // namespace

TEST_F(StreamTest, ReadErrorsAreToldInTheFrontEndsLanguage) {
    const struct TGerman {
        TGerman() { SetTranslationLookup(&GermanReadErrors); }
        ~TGerman() { SetTranslationLookup(nullptr); }
    } german;
    try {
        ReadSample(Concat({{7}, Ascii("TSample"), {1}, Ascii("S"), {7}, Ascii("Missing"), {2, 0}, {0}, {0}}));
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Fehler beim Lesen von S.Missing: Die Eigenschaft Missing gibt es nicht");
    }
    try {
        ReadSample(Concat({{8}, Ascii("TMissing"), {0}, {0}, {0}}));
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), "Die Klasse TMissing wurde nicht gefunden");
    }
}

TEST_F(StreamTest, EveryValueTypeCanBeSteppedOver) {
    const Bytes values = Concat({
        {1, 2, 5, 3, 1, 0, 0},                   // list of two integers
        {4, 1, 2, 3, 4},                         // 32-bit integer
        {5, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x3F}, // extended
        {6, 2, 'h', 'i'},
        {7, 2, 'o', 'k'}, // string, identifier
        {8},
        {9},
        {13},                              // false, true, nil
        {10, 3, 0, 0, 0, 1, 2, 3},         // binary
        {11, 1, 'a', 1, 'b', 0},           // set
        {12, 1, 0, 0, 0, 'x'},             // long string
        {14, 2, 0, 1, 1, 'p', 2, 1, 0, 0}, // collection with an item index
        {15, 0, 0, 0, 0},                  // single
        {16, 1, 2, 3, 4, 5, 6, 7, 8},      // currency
        {17, 1, 2, 3, 4, 5, 6, 7, 8},      // date
        {18, 1, 0, 0, 0, 'w', 0},          // wide string
        {19, 1, 2, 3, 4, 5, 6, 7, 8},      // 64-bit integer
        {20, 1, 0, 0, 0, 'u'},             // UTF-8 string
        {21, 1, 2, 3, 4, 5, 6, 7, 8},      // double
    });
    TReader reader(values);
    int count = 0;
    while (reader.Position() < values.size()) {
        reader.SkipValue();
        ++count;
    }
    EXPECT_EQ(count, 19);
}

TEST_F(StreamTest, UnknownComponentRecordsCanBeSteppedOver) {
    TSample sample;
    sample.SetCaption("x");
    Bytes bytes = Record(sample);
    bytes.push_back(0xEE);
    TReader reader(bytes);
    reader.SkipComponent();
    EXPECT_EQ(reader.Position(), bytes.size() - 1);
}

TEST_F(StreamTest, EveryTruncationOfAValidRecordIsAReadError) {
    TSample sample;
    sample.SetName("S");
    sample.SetTitle(u"東京");
    sample.Lines().Add("line");
    static_cast<TItem&>(sample.Items().Add()).SetLabel("item");
    const Bytes bytes = Record(sample);
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        const Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_THROW(ReadSample(cut), EReadError) << "cut at " << length;
    }
}

TEST_F(StreamTest, LengthsBeyondTheInputAreRefusedBeforeAllocating) {
    for (const Bytes& value : {Bytes{10, 0xFF, 0xFF, 0xFF, 0x7F}, Bytes{12, 0xFF, 0xFF, 0xFF, 0xFF},
                               Bytes{18, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0}, Bytes{20, 0, 0, 0, 1}}) {
        TReader reader(value);
        EXPECT_THROW(reader.SkipValue(), EReadError);
        TReader again(value);
        EXPECT_THROW(value[0] == 10 ? (void)again.ReadBinary() : (void)again.ReadWideString(), EReadError);
    }
}

TEST_F(StreamTest, SharedBinaryValuesPointIntoTheirOwnersBufferOrAreCopies) {
    auto buffer = std::make_shared<const Bytes>(Bytes{10, 3, 0, 0, 0, 'a', 'b', 'c', 10, 0, 0, 0, 0});
    const std::weak_ptr<const Bytes> watched = buffer;
    TSharedBytes first, empty;
    {
        TReader reader(*buffer, buffer);
        first = reader.ReadSharedBinary();
        empty = reader.ReadSharedBinary();
    }
    EXPECT_EQ(first.bytes.data(), buffer->data() + 5) << "no copy";
    EXPECT_EQ(first.bytes.size(), 3u);
    EXPECT_TRUE(empty.bytes.empty());
    buffer.reset();
    EXPECT_FALSE(watched.expired()) << "the values keep the buffer";
    EXPECT_EQ(Bytes(first.bytes.begin(), first.bytes.end()), Ascii("abc"));
    first = {};
    empty = {};
    EXPECT_TRUE(watched.expired());

    // A reader without an owner cannot know how long its bytes live: the value gets its own.
    Bytes plain{10, 2, 0, 0, 0, 'x', 'y'};
    TReader reader(plain);
    const TSharedBytes copied = reader.ReadSharedBinary();
    std::fill(plain.begin(), plain.end(), 0);
    EXPECT_EQ(Bytes(copied.bytes.begin(), copied.bytes.end()), Ascii("xy"));
    EXPECT_NE(copied.owner, nullptr);
}

TEST_F(StreamTest, TypeBytesOutsideTheTableAndDeepNestingAreReadErrors) {
    for (std::uint8_t type : {std::uint8_t{0}, std::uint8_t{22}, std::uint8_t{0xFF}}) {
        const Bytes bytes{type, 0, 0, 0, 0};
        TReader reader(bytes);
        EXPECT_THROW(reader.SkipValue(), EReadError) << int(type);
    }
    Bytes nested(100000, 1);
    TReader reader(nested);
    EXPECT_THROW(reader.SkipValue(), EReadError);
}

TEST_F(StreamTest, RandomCorruptionNeverCrashes) {
    TSample sample;
    sample.SetName("S");
    sample.SetCaption("caption");
    sample.SetTitle(u"Wireless 東京");
    sample.Lines().Add("a=b");
    static_cast<TItem&>(sample.Items().Add()).SetLabel("item");
    const Bytes bytes = Record(sample);
    std::mt19937 random(7);
    int loaded = 0, refused = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes corrupted = bytes;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i)
            corrupted[random() % corrupted.size()] = static_cast<std::uint8_t>(random());
        std::unique_ptr<TSample> read;
        try {
            read = ReadSample(corrupted);
        } catch (const EFilerError&) { // a damaged structure, or a class name no longer known
            ++refused;
            continue;
        }
        ASSERT_NE(read, nullptr) << round;
        ++loaded;
        // What loaded is a whole component: it records and reads back as itself.
        const Bytes recorded = Record(*read);
        EXPECT_EQ(Record(*ReadSample(recorded)), recorded) << round;
    }
    EXPECT_GT(loaded, 0) << "some flips land in texts and still load";
    EXPECT_GT(refused, 0) << "some flips break the structure and are refused";
}

TEST_F(StreamTest, RegistryRefusesASecondClassUnderATakenName) {
    static const TClassInfo impostor("TSample", &TComponent::StaticClass(), nullptr, {});
    try {
        RegisterClass(impostor);
        FAIL();
    } catch (const EFilerError& e) {
        EXPECT_EQ(e.Message(), "A class named TSample already exists");
    }
    EXPECT_NO_THROW(RegisterClass(TSample::StaticClass()));
    EXPECT_EQ(&FindClass("tsample"), &TSample::StaticClass());
}

TEST_F(StreamTest, ResourceHeaderFramesTheStream) {
    TSample root;
    root.SetName("R");
    const Bytes file = WriteComponentResource(root);
    const Bytes stream = Concat({Ascii("TPF0"), Record(root)});
    ASSERT_EQ(file.size(), 25 - 16 + 8 + stream.size()) << "the name field is the class name and a zero";
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 3), (Bytes{0xFF, 0x0A, 0x00}));
    const std::size_t lengthAt = 3 + 8;
    EXPECT_EQ(Bytes(file.begin() + 3, file.begin() + lengthAt), Ascii(std::string("TSAMPLE") + '\0'));
    EXPECT_EQ(Bytes(file.begin() + lengthAt, file.begin() + lengthAt + 6),
              (Bytes{0x30, 0x10, static_cast<std::uint8_t>(stream.size()), 0, 0, 0}));

    TSample back;
    ReadComponentResource(file, back, false);
    EXPECT_EQ(back.Name(), "R");

    Bytes badHeader = file;
    badHeader[1] = 11;
    EXPECT_THROW(ReadComponentResource(badHeader, back, false), EReadError);
    Bytes badSignature = file;
    badSignature[lengthAt + 6] = 'X';
    try {
        ReadComponentResource(badSignature, back, false);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Invalid stream format");
    }
}

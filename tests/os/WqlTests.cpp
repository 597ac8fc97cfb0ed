#include "os/Text.h"
#include "os/simulated/Wql.h"

#include <gtest/gtest.h>

#include <map>

namespace prolamo::os::test {
namespace {

using simulated::ParseWql;
using simulated::WqlQuery;

// An instrumentation object with a fixed set of properties.
class Object final : public IWmiObject {
public:
    explicit Object(std::map<std::u16string, WmiValue> properties) : properties_(std::move(properties)) {}
    HResult GetProperty(std::u16string_view name, WmiValue* value) override {
        const auto found = properties_.find(std::u16string(name));
        if (found == properties_.end())
            return WbemErrorNotFound;
        *value = found->second;
        return SOk;
    }

private:
    std::map<std::u16string, WmiValue> properties_;
};

Object Adapter() {
    return Object({{u"Index", WmiValue::Int(1)},
                   {u"ServiceName", WmiValue::Str(u"Netwtw10")},
                   {u"NetEnabled", WmiValue::Bool(true)},
                   {u"GUID", WmiValue{}}});
}

// Whether the adapter passes the where clause; a property it lacks fails the test.
bool Passes(std::u16string_view condition) {
    WqlQuery query;
    const std::u16string text = u"select * from Win32_NetworkAdapter where " + std::u16string(condition);
    EXPECT_TRUE(ParseWql(text, &query)) << Utf16ToUtf8(text);
    if (!query.condition)
        return false;
    Object adapter = Adapter();
    bool unknown = false;
    const bool passes = query.condition(adapter, &unknown);
    EXPECT_FALSE(unknown) << Utf16ToUtf8(text);
    return passes;
}

TEST(WqlTest, TheSelectListAndClassAreReadInAnyLetterCase) {
    WqlQuery query;
    ASSERT_TRUE(ParseWql(u"SELECT Index, ServiceName\r\n\tFROM win32_networkadapter", &query));
    EXPECT_EQ(query.className, u"win32_networkadapter");
    EXPECT_EQ(query.selected, (std::vector<std::u16string>{u"Index", u"ServiceName"}));
    Object adapter = Adapter();
    bool unknown = false;
    EXPECT_TRUE(query.condition(adapter, &unknown)); // no where clause: every object passes

    ASSERT_TRUE(ParseWql(u"select * from Win32_NetworkAdapterConfiguration", &query));
    EXPECT_TRUE(query.selected.empty());
    EXPECT_EQ(query.className, u"Win32_NetworkAdapterConfiguration");
}

TEST(WqlTest, ConditionsCompareLikeWindows) {
    // Strings ignore letter case, either quote works, and backslash escapes a quote.
    EXPECT_TRUE(Passes(u"ServiceName = 'NETWTW10'"));
    EXPECT_TRUE(Passes(u"ServiceName = \"netwtw10\""));
    EXPECT_FALSE(Passes(u"ServiceName = 'Netwtw10\\''"));
    EXPECT_TRUE(Passes(u"ServiceName <> 'e1dexpress' and ServiceName != 'kdnic'"));
    // Numbers and booleans compare by value; a value of another type is never equal.
    EXPECT_TRUE(Passes(u"Index = 1 and NetEnabled = TRUE"));
    EXPECT_FALSE(Passes(u"Index = '1'"));
    EXPECT_TRUE(Passes(u"Index <> '1'"));
    EXPECT_FALSE(Passes(u"NetEnabled = false"));
    // A comparison with null is false either way; only "is [not] null" sees it.
    EXPECT_FALSE(Passes(u"GUID = 'x'"));
    EXPECT_FALSE(Passes(u"GUID <> 'x'"));
    EXPECT_TRUE(Passes(u"GUID is null and Index is not null"));
}

TEST(WqlTest, AndBindsTighterThanOrAndParenthesesAndNotGroup) {
    EXPECT_TRUE(Passes(u"Index = 1 or Index = 2 and Index = 3"));
    EXPECT_FALSE(Passes(u"(Index = 1 or Index = 2) and Index = 3"));
    EXPECT_TRUE(Passes(u"not Index = 2 and not not Index = 1"));
    EXPECT_FALSE(Passes(u"not (Index = 1 or Index = 2)"));
    std::u16string nested = u"Index = 1";
    for (int i = 0; i < 50; ++i)
        nested = u"(" + nested + u")";
    EXPECT_TRUE(Passes(nested));
}

TEST(WqlTest, APropertyTheObjectLacksIsReportedWhenTheConditionReadsIt) {
    WqlQuery query;
    ASSERT_TRUE(ParseWql(u"select * from Win32_NetworkAdapter where Index = 2 and NoSuchProperty = 1", &query));
    Object adapter = Adapter();
    bool unknown = false;
    query.condition(adapter, &unknown);
    EXPECT_FALSE(unknown); // "and" stops at the false comparison
    ASSERT_TRUE(ParseWql(u"select * from Win32_NetworkAdapter where Index = 1 and NoSuchProperty is null", &query));
    query.condition(adapter, &unknown);
    EXPECT_TRUE(unknown);
}

TEST(WqlTest, AnythingElseIsRefused) {
    std::u16string tooDeep = u"Index = 1";
    for (int i = 0; i < 200; ++i)
        tooDeep = u"not " + tooDeep;
    std::u16string unbalanced(100000, u'(');
    for (const std::u16string& bad : std::vector<std::u16string>{u"",
                                                                 u"select",
                                                                 u"select from X",
                                                                 u"select a, from X",
                                                                 u"select * X",
                                                                 u"select * from",
                                                                 u"select * from 7",
                                                                 u"select * from X Y",
                                                                 u"delete from X",
                                                                 u"select * from X where",
                                                                 u"select * from X where Index",
                                                                 u"select * from X where Index = ",
                                                                 u"select * from X where Index == 1",
                                                                 u"select * from X where Index is 1",
                                                                 u"select * from X where Index is not",
                                                                 u"select * from X where not",
                                                                 u"select * from X where (Index = 1",
                                                                 u"select * from X where Index = 1)",
                                                                 u"select * from X where Index = 1 or",
                                                                 u"select * from X where ServiceName = 'open",
                                                                 u"select * from X where Index = yes",
                                                                 u"select * from X where Index = 2147483648",
                                                                 u"select * from X where Index = 99999999999999999999",
                                                                 u"select * from X where " + tooDeep,
                                                                 u"select * from X where " + unbalanced}) {
        WqlQuery query;
        EXPECT_FALSE(ParseWql(bad, &query)) << Utf16ToUtf8(bad.substr(0, 80));
    }
    WqlQuery query;
    EXPECT_TRUE(ParseWql(u"select * from X where Index = 2147483647", &query));
}

} // namespace
} // namespace prolamo::os::test

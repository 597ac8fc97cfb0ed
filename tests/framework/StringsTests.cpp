#include "framework/Exceptions.h"
#include "framework/Strings.h"

#include <gtest/gtest.h>

using namespace prolamo;

TEST(Strings, SortedListIgnoresCaseAndDuplicates) {
    TStrings list(true);
    list.Add("network.proxy.http=proxy");
    list.Add("B=2");
    list.Add("a=1");
    EXPECT_EQ(list.Add("A=1"), 0u) << "an equal line without regard to case is not added again";
    list.Add("b=2");
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list[0], "a=1");
    EXPECT_EQ(list[1], "B=2");
    EXPECT_EQ(list[2], "network.proxy.http=proxy");
    EXPECT_EQ(list.IndexOf("NETWORK.PROXY.HTTP=PROXY"), 2);
}

TEST(Strings, UnsortedListKeepsOrderAndDuplicates) {
    TWideStrings list;
    list.Add(u"Z=1");
    list.Add(u"A=2");
    list.Add(u"Z=1");
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list[0], u"Z=1");
    EXPECT_EQ(list[1], u"A=2");
}

TEST(Strings, NameAndValueAroundTheFirstEqualsSign) {
    TStrings list;
    list.Add("Path=C:\\a=b");
    list.Add("no separator");
    EXPECT_EQ(list.Name(0), "Path");
    EXPECT_EQ(list.ValueFromIndex(0), "C:\\a=b");
    EXPECT_EQ(list.Name(1), "");
    EXPECT_EQ(list.Value("path"), "C:\\a=b");
    EXPECT_EQ(list.IndexOfName("missing"), -1);

    list.SetValue("PATH", "x");
    EXPECT_EQ(list[0], "PATH=x");
    list.SetValue("Path", "");
    EXPECT_EQ(list.Count(), 1u) << "an empty value removes the line";
}

TEST(Strings, SetValueInSortedListKeepsItSorted) {
    TStrings list(true);
    list.Add("b=1");
    list.Add("c=1");
    list.SetValue("a", "2");
    list.SetValue("c", "0");
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list[0], "a=2");
    EXPECT_EQ(list[2], "c=0");
}

TEST(Strings, TextSplitsAtAnyLineBreakAndJoinsWithCrLf) {
    TStrings list;
    list.SetText("one\r\ntwo\nthree\rfour");
    ASSERT_EQ(list.Count(), 4u);
    EXPECT_EQ(list[3], "four");
    EXPECT_EQ(list.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
    list.SetText("");
    EXPECT_TRUE(list.Empty());
}

TEST(Strings, SortingAnExistingListDropsDuplicates) {
    TStrings list;
    list.Add("b");
    list.Add("B");
    list.Add("a");
    list.SetSorted(true);
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list[0], "a");
}

TEST(Strings, AssignCopiesAndRefusesOtherClasses) {
    TStrings a, b;
    a.Add("x");
    b.Assign(a);
    EXPECT_EQ(b, a);
    TWideStrings wide;
    EXPECT_THROW(wide.Assign(a), EConvertError);
}

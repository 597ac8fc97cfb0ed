#include "framework/Collection.h"
#include "framework/Exceptions.h"

#include <gtest/gtest.h>

using namespace prolamo;

namespace {

class TNamedItem : public TCollectionItem {
    PROLAMO_CLASS()

public:
    std::string Name() const { return name_; }
    void SetName(const std::string& name) {
        name_ = name;
        Changed();
    }
    void Assign(const TPersistent& source) override {
        if (const auto* item = dynamic_cast<const TNamedItem*>(&source)) {
            name_ = item->name_;
            return;
        }
        TCollectionItem::Assign(source);
    }

private:
    std::string name_;
};

const TClassInfo& TNamedItem::StaticClass() {
    return MakeClassInfo<TNamedItem, TCollectionItem>("TNamedItem");
}

class TOtherItem : public TCollectionItem {
    PROLAMO_CLASS()
};

const TClassInfo& TOtherItem::StaticClass() {
    return MakeClassInfo<TOtherItem, TCollectionItem>("TOtherItem");
}

// Records what the collection reports.
class TRecordingCollection : public TTypedCollection<TNamedItem> {
public:
    std::vector<std::string> events;

protected:
    void Notify(TCollectionItem& item, Action action) override {
        const char* names[] = {"added", "extracting", "deleting"};
        events.push_back(std::string(names[static_cast<int>(action)]) + " " + static_cast<TNamedItem&>(item).Name());
    }
    void Update(TCollectionItem* item) override {
        events.push_back(item ? "update " + static_cast<TNamedItem*>(item)->Name() : "update all");
    }
};

} // namespace

TEST(Collection, ReportsEveryChangeOutsideABatch) {
    TRecordingCollection c;
    auto item = std::make_unique<TNamedItem>();
    item->SetName("a");
    TNamedItem& a = c.Add(std::move(item));
    a.SetName("b");
    c.Delete(0);
    EXPECT_EQ(c.events, (std::vector<std::string>{"added a", "update all", "update b", "deleting b", "update all"}));
}

TEST(Collection, BatchUpdateReportsOnceAtItsEnd) {
    TRecordingCollection c;
    c.BeginUpdate();
    c.Add().SetName("x");
    c.Add().SetName("y");
    c.BeginUpdate();
    c.EndUpdate();
    EXPECT_EQ(c.events, (std::vector<std::string>{"added ", "added "}));
    c.EndUpdate();
    EXPECT_EQ(c.events.back(), "update all");
    EXPECT_EQ(c.events.size(), 3u);
}

TEST(Collection, ItemsMoveBetweenCollectionsAndKnowTheirIndex) {
    TTypedCollection<TNamedItem> first, second;
    first.Add().SetName("one");
    TNamedItem& two = first.Add();
    EXPECT_EQ(two.Index(), 1);
    std::unique_ptr<TCollectionItem> taken = first.Extract(two);
    EXPECT_EQ(taken->Collection(), nullptr);
    EXPECT_EQ(first.Count(), 1u);
    second.Add(std::unique_ptr<TNamedItem>(static_cast<TNamedItem*>(taken.release())));
    EXPECT_EQ(two.Collection(), &second);
    EXPECT_EQ(two.Index(), 0);
}

TEST(Collection, AssignCopiesItemsAndRefusesForeignItems) {
    TTypedCollection<TNamedItem> source, target;
    source.Add().SetName("p");
    source.Add().SetName("q");
    target.Add().SetName("old");
    target.Assign(source);
    ASSERT_EQ(target.Count(), 2u);
    EXPECT_EQ(target[1].Name(), "q");
    EXPECT_NE(&target[1], &source[1]);
    EXPECT_THROW(static_cast<TCollection&>(target).Add(std::make_unique<TOtherItem>()), EConvertError);
    EXPECT_THROW(target.Delete(5), EListError);
}

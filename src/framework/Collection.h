#pragma once

#include "Persistent.h"

#include <functional>
#include <memory>
#include <vector>

namespace prolamo {

class TCollection;

// An item of a collection; it can also live outside any collection until it joins one.
class TCollectionItem : public TPersistent {
    PROLAMO_CLASS()

public:
    TCollectionItem() = default;

    TCollection* Collection() const { return collection_; }
    int Index() const;

protected:
    // Reports a change of this item to its collection.
    void Changed();

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
};

// An owned, ordered list of items of one item class. Every change, and every end of a batch
// update, is reported through Update.
class TCollection : public TPersistent {
    PROLAMO_CLASS()

public:
    explicit TCollection(const TClassInfo& itemClass);
    ~TCollection() override;

    const TClassInfo& ItemClass() const { return itemClass_; }
    std::size_t Count() const { return items_.size(); }
    TCollectionItem& Item(std::size_t index) const { return *items_.at(index); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // Constructs a new item of the item class and appends it.
    TCollectionItem& Add();
    // Appends an item made outside the collection.
    TCollectionItem& Add(std::unique_ptr<TCollectionItem> item);
    void Delete(std::size_t index);
    std::unique_ptr<TCollectionItem> Extract(TCollectionItem& item);
    void Clear();

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    bool Updating() const { return updateCount_ > 0; }

    // Copies the items of another collection of the same item class.
    void Assign(const TPersistent& source) override;

    // Reorders the items in place (quicksort: equal items may swap).
    void Sort(const std::function<bool(const TCollectionItem&, const TCollectionItem&)>& less);

protected:
    enum class Action { Added, Extracting, Deleting };
    virtual void Notify(TCollectionItem& /*item*/, Action /*action*/) {}
    // Item changed, or (nullptr) many items changed; called only outside a batch update.
    virtual void Update(TCollectionItem* /*item*/) {}
    void Changed();

private:
    friend class TCollectionItem;
    std::unique_ptr<TCollectionItem> Take(std::size_t index, Action action);

    const TClassInfo& itemClass_;
    std::vector<std::unique_ptr<TCollectionItem>> items_;
    int updateCount_ = 0;
};

// Typed access to a collection whose items are all of class T.
template <class T> class TTypedCollection : public TCollection {
public:
    TTypedCollection() : TCollection(T::StaticClass()) {}
    T& operator[](std::size_t index) const { return static_cast<T&>(TCollection::Item(index)); }
    T& Add() { return static_cast<T&>(TCollection::Add()); }
    T& Add(std::unique_ptr<T> item) { return static_cast<T&>(TCollection::Add(std::move(item))); }

    class iterator {
    public:
        explicit iterator(std::vector<std::unique_ptr<TCollectionItem>>::const_iterator it) : it_(it) {}
        T& operator*() const { return static_cast<T&>(**it_); }
        iterator& operator++() {
            ++it_;
            return *this;
        }
        bool operator==(const iterator&) const = default;

    private:
        std::vector<std::unique_ptr<TCollectionItem>>::const_iterator it_;
    };
    iterator begin() const { return iterator(TCollection::begin()); }
    iterator end() const { return iterator(TCollection::end()); }
};

} // namespace prolamo

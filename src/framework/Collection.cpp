#include "Collection.h"

#include "Exceptions.h"

#include <algorithm>

namespace prolamo {

const TClassInfo& TCollectionItem::StaticClass() {
    return MakeClassInfo<TCollectionItem, TPersistent>("TCollectionItem");
}

int TCollectionItem::Index() const {
    if (!collection_)
        return -1;
    const auto& items = collection_->items_;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == this)
            return static_cast<int>(i);
    return -1;
}

void TCollectionItem::Changed() {
    if (collection_ && !collection_->Updating())
        collection_->Update(this);
}

const TClassInfo& TCollection::StaticClass() {
    return MakeClassInfo<TCollection, TPersistent>("TCollection");
}

TCollection::TCollection(const TClassInfo& itemClass) : itemClass_(itemClass) {}

TCollection::~TCollection() {
    // Items go without notifications: the collection's subclass part is already gone.
    for (auto& item : items_)
        item->collection_ = nullptr;
}

TCollectionItem& TCollection::Add() {
    std::unique_ptr<TPersistent> created = itemClass_.Create();
    auto* item = dynamic_cast<TCollectionItem*>(created.get());
    if (!item)
        throw EConvertError(itemClass_.ClassName() + " is not a collection item class");
    created.release();
    return Add(std::unique_ptr<TCollectionItem>(item));
}

TCollectionItem& TCollection::Add(std::unique_ptr<TCollectionItem> item) {
    if (!item->InheritsFrom(itemClass_))
        throw EConvertError(Translated("Engine", texts::AssignError, {item->ClassName(), itemClass_.ClassName()}));
    if (item->collection_)
        item->collection_->Extract(*item).release();
    TCollectionItem& ref = *item;
    items_.push_back(std::move(item));
    ref.collection_ = this;
    Notify(ref, Action::Added);
    Changed();
    return ref;
}

std::unique_ptr<TCollectionItem> TCollection::Take(std::size_t index, Action action) {
    if (index >= items_.size())
        throw EListError(Translated("Engine", texts::ListIndexError, {std::to_string(index)}));
    Notify(*items_[index], action);
    std::unique_ptr<TCollectionItem> item = std::move(items_[index]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    item->collection_ = nullptr;
    Changed();
    return item;
}

void TCollection::Delete(std::size_t index) {
    Take(index, Action::Deleting);
}

std::unique_ptr<TCollectionItem> TCollection::Extract(TCollectionItem& item) {
    const int index = item.collection_ == this ? item.Index() : -1;
    if (index < 0)
        throw EListError(Translated("Engine", texts::ListIndexError, {std::to_string(index)}));
    return Take(static_cast<std::size_t>(index), Action::Extracting);
}

void TCollection::Clear() {
    if (items_.empty())
        return;
    BeginUpdate();
    while (!items_.empty())
        Take(items_.size() - 1, Action::Deleting);
    EndUpdate();
}

void TCollection::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0)
        Changed();
}

void TCollection::Changed() {
    if (!Updating())
        Update(nullptr);
}

void TCollection::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TCollection*>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        Clear();
        for (const auto& item : other->items_)
            Add().Assign(*item);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::Sort(const std::function<bool(const TCollectionItem&, const TCollectionItem&)>& less) {
    const auto byItem = [&](const auto& a, const auto& b) { return less(*a, *b); };
    // Collections are kept sorted and so read back: checking takes a comparison per item,
    // sorting many more.
    if (std::is_sorted(items_.begin(), items_.end(), byItem))
        return;
    std::sort(items_.begin(), items_.end(), byItem);
}

} // namespace prolamo

#pragma once

#include "Persistent.h"

#include <memory>
#include <string>
#include <vector>

namespace prolamo {

class TComponent;

// Told when a component it watches is being destroyed, so it can drop its reference.
class IFreeListener {
public:
    virtual void ComponentFreed(TComponent& component) = 0;

protected:
    ~IFreeListener() = default;
};

// A named persistent object with an owner that frees it, and the components it owns.
class TComponent : public TPersistent {
    PROLAMO_CLASS()

public:
    explicit TComponent(TComponent* owner = nullptr);
    ~TComponent() override;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }

    TComponent* Owner() const { return owner_; }
    const std::vector<TComponent*>& Components() const { return components_; }
    TComponent* FindComponent(std::string_view name) const;

    // Takes ownership of Component (which must have no owner).
    TComponent& InsertComponent(std::unique_ptr<TComponent> component);
    TComponent& InsertComponent(std::unique_ptr<TComponent> component, std::size_t position);
    // Gives up ownership of Component.
    std::unique_ptr<TComponent> RemoveComponent(TComponent& component);

    // Listeners are told when this component is destroyed; a listener unregisters before it goes away.
    void AddFreeListener(IFreeListener& listener);
    void RemoveFreeListener(IFreeListener& listener);

    // The components written as this component's children in a stream; none by default.
    virtual std::vector<TComponent*> StreamChildren() const { return {}; }
    // Called once every component of a stream has been read.
    virtual void Loaded() {}

private:
    std::string name_;
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<IFreeListener*> freeListeners_;
};

// A list of components that can own them; a member destroyed elsewhere leaves the list by itself.
template <class T> class TComponentList : private IFreeListener {
public:
    explicit TComponentList(bool ownsObjects) : ownsObjects_(ownsObjects) {}
    virtual ~TComponentList() { Clear(); }
    TComponentList(const TComponentList&) = delete;
    TComponentList& operator=(const TComponentList&) = delete;

    bool OwnsObjects() const { return ownsObjects_; }
    std::size_t Count() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    T& operator[](std::size_t index) const { return *items_.at(index); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    T& Add(std::unique_ptr<T> item) {
        T& ref = *item;
        Attach(item.release());
        return ref;
    }
    // For a list that does not own its members.
    void AddReference(T& item) { Attach(&item); }

    int IndexOf(const T& item) const {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i] == &item)
                return static_cast<int>(i);
        return -1;
    }

    // Removes the member at Index; an owning list frees it.
    void Delete(std::size_t index) {
        T* item = items_.at(index);
        Notify(*item, Action::Deleting);
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
        item->RemoveFreeListener(*this);
        if (ownsObjects_)
            delete item;
    }
    void Remove(const T& item) {
        if (int i = IndexOf(item); i >= 0)
            Delete(static_cast<std::size_t>(i));
    }
    void Clear() {
        while (!items_.empty())
            Delete(items_.size() - 1);
    }

    // For reordering in place.
    std::vector<T*>& Items() { return items_; }

protected:
    enum class Action { Added, Deleting };
    virtual void Notify(T& /*item*/, Action /*action*/) {}

private:
    void Attach(T* item) {
        items_.push_back(item);
        item->AddFreeListener(*this);
        Notify(*item, Action::Added);
    }
    // The member is already half destroyed: drop it without notifying.
    void ComponentFreed(TComponent& component) override { std::erase(items_, static_cast<T*>(&component)); }

    bool ownsObjects_;
    std::vector<T*> items_;
};

} // namespace prolamo

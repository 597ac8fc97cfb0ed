#include "Component.h"

#include "AsciiText.h"
#include "Exceptions.h"

#include <algorithm>

namespace prolamo {

const TClassInfo& TComponent::StaticClass() {
    return MakeClassInfo<TComponent, TPersistent>("TComponent");
}

TComponent::TComponent(TComponent* owner) {
    if (owner) {
        owner->components_.push_back(this);
        owner_ = owner;
    }
}

TComponent::~TComponent() {
    // Listeners may unregister others while being told, so work on a copy.
    const auto listeners = freeListeners_;
    for (IFreeListener* listener : listeners)
        if (std::find(freeListeners_.begin(), freeListeners_.end(), listener) != freeListeners_.end())
            listener->ComponentFreed(*this);
    if (owner_)
        std::erase(owner_->components_, this);
    while (!components_.empty()) {
        TComponent* child = components_.back();
        components_.pop_back();
        child->owner_ = nullptr;
        delete child;
    }
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty())
        return nullptr;
    for (TComponent* c : components_)
        if (SameText(c->name_, name))
            return c;
    return nullptr;
}

TComponent& TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
    return InsertComponent(std::move(component), components_.size());
}

TComponent& TComponent::InsertComponent(std::unique_ptr<TComponent> component, std::size_t position) {
    if (component->owner_)
        throw EListError("Component " + component->name_ + " already has an owner");
    TComponent* c = component.release();
    components_.insert(components_.begin() + static_cast<std::ptrdiff_t>(std::min(position, components_.size())), c);
    c->owner_ = this;
    return *c;
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent& component) {
    auto it = std::find(components_.begin(), components_.end(), &component);
    if (it == components_.end())
        throw EListError("Component " + component.name_ + " is not owned by " + name_);
    components_.erase(it);
    component.owner_ = nullptr;
    return std::unique_ptr<TComponent>(&component);
}

void TComponent::AddFreeListener(IFreeListener& listener) {
    if (std::find(freeListeners_.begin(), freeListeners_.end(), &listener) == freeListeners_.end())
        freeListeners_.push_back(&listener);
}

void TComponent::RemoveFreeListener(IFreeListener& listener) {
    std::erase(freeListeners_, &listener);
}

} // namespace prolamo

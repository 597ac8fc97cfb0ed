#include "Persistent.h"

#include "AsciiText.h"
#include "Exceptions.h"

namespace prolamo {

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent, Factory factory, std::vector<TPropInfo> properties)
    : name_(std::move(name)), parent_(parent), factory_(std::move(factory)), own_(std::move(properties)) {}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
    for (const TClassInfo* c = this; c; c = c->parent_)
        if (c == &other)
            return true;
    return false;
}

std::unique_ptr<TPersistent> TClassInfo::Create() const {
    if (!factory_)
        throw EConvertError("Cannot create an instance of the abstract class " + name_);
    return factory_();
}

const std::vector<const TPropInfo*>& TClassInfo::Properties() const {
    // Class references are built once at start-up, on one thread; the list is computed on first use.
    if (!allBuilt_) {
        if (parent_)
            all_ = parent_->Properties();
        for (const TPropInfo& p : own_)
            all_.push_back(&p);
        allBuilt_ = true;
    }
    return all_;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
    for (const TPropInfo* p : Properties())
        if (SameText(p->name, name))
            return p;
    return nullptr;
}

const TClassInfo& TPersistent::StaticClass() {
    static const TClassInfo info("TPersistent", nullptr, nullptr, {});
    return info;
}

void TPersistent::Assign(const TPersistent& source) {
    source.AssignTo(*this);
}

void TPersistent::AssignTo(TPersistent& dest) const {
    throw EConvertError(Translated("Engine", texts::AssignError, {ClassName(), dest.ClassName()}));
}

} // namespace prolamo

#include "framework/Component.h"

#include <gtest/gtest.h>

using namespace prolamo;

namespace {

// Counts destructions, to see who frees what.
class TCounted : public TComponent {
public:
    explicit TCounted(int& destroyed, TComponent* owner = nullptr) : TComponent(owner), destroyed_(destroyed) {}
    ~TCounted() override { ++destroyed_; }

private:
    int& destroyed_;
};

} // namespace

TEST(Component, OwnerFreesWhatItOwns) {
    int destroyed = 0;
    {
        TComponent owner;
        new TCounted(destroyed, &owner);
        owner.InsertComponent(std::make_unique<TCounted>(destroyed));
        EXPECT_EQ(owner.Components().size(), 2u);
    }
    EXPECT_EQ(destroyed, 2);
}

TEST(Component, AComponentFreedElsewhereLeavesItsOwner) {
    int destroyed = 0;
    TComponent owner;
    auto* child = new TCounted(destroyed, &owner);
    child->SetName("Child");
    EXPECT_EQ(owner.FindComponent("child"), child);
    delete child;
    EXPECT_TRUE(owner.Components().empty());

    TComponent& inserted = owner.InsertComponent(std::make_unique<TCounted>(destroyed));
    std::unique_ptr<TComponent> taken = owner.RemoveComponent(inserted);
    EXPECT_EQ(taken->Owner(), nullptr);
    EXPECT_TRUE(owner.Components().empty());
    EXPECT_EQ(destroyed, 1) << "removing gives up ownership without freeing";
}

TEST(ComponentList, OwningListFreesOnDeleteAndDropsMembersFreedElsewhere) {
    int destroyed = 0;
    TComponentList<TComponent> list(true);
    list.Add(std::make_unique<TCounted>(destroyed));
    list.Delete(0);
    EXPECT_EQ(destroyed, 1);

    TComponentList<TComponent> references(false);
    auto outside = std::make_unique<TCounted>(destroyed);
    references.AddReference(*outside);
    outside.reset();
    EXPECT_TRUE(references.Empty()) << "a destroyed member must not stay in the list";
}

TEST(ComponentList, NonOwningListLeavesMembersAlive) {
    int destroyed = 0;
    TCounted member(destroyed);
    {
        TComponentList<TComponent> references(false);
        references.AddReference(member);
    }
    EXPECT_EQ(destroyed, 0);
}

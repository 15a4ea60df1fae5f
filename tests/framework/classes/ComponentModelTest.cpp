#include "framework/Classes.h"
#include "framework/TypInfo.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

// Records every notification it hears, and its own destruction.
class Listener : public TComponent
{
public:
    using TComponent::TComponent;
    ~Listener() override
    {
        if (destroyed)
            *destroyed += Name() + ";";
    }
    std::vector<std::pair<TComponent *, TOperation>> heard;
    // Outlives the listener, for what it hears while its owner goes.
    std::vector<std::pair<TComponent *, TOperation>> *external = nullptr;
    String *destroyed = nullptr;

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        heard.emplace_back(AComponent, Operation);
        if (external)
            external->emplace_back(AComponent, Operation);
    }
};

class Other : public TPersistent
{
public:
    const TClassInfo &ClassInfo() const override
    {
        static const TClassInfo info =
            TClassBuilder<Other>("TOther", &TPersistent::StaticClassInfo()).Build();
        return info;
    }
};

} // namespace

TEST(ComponentOwnership, OwnerFreesOwnedComponentsLastFirst)
{
    String order;
    {
        auto owner = std::make_unique<TComponent>(nullptr);
        for (const char *name : {"a", "b", "c"}) {
            auto *c = new Listener(owner.get());
            c->SetName(name);
            c->destroyed = &order;
        }
        EXPECT_EQ(owner->ComponentCount(), 3);
        EXPECT_EQ(owner->Components(1)->Name(), "b");
        EXPECT_EQ(owner->FindComponent("B"), owner->Components(1));
        EXPECT_THROW(owner->Components(3), EListError);
    }
    EXPECT_EQ(order, "c;b;a;");
}

TEST(ComponentOwnership, NamesAreIdentifiersUniqueWithinTheOwner)
{
    TComponent owner(nullptr);
    auto *a = new TComponent(&owner);
    auto *b = new TComponent(&owner);
    a->SetName("Button1");
    EXPECT_THROW(b->SetName("button1"), EComponentError);
    EXPECT_THROW(b->SetName("1abc"), EComponentError);
    EXPECT_THROW(b->SetName("has space"), EComponentError);
    b->SetName("Button2");
    a->SetName("BUTTON1"); // its own name in another case is fine
    EXPECT_EQ(a->Name(), "BUTTON1");
}

TEST(ComponentNotification, SiblingsHearInsertionAndRemoval)
{
    auto owner = std::make_unique<TComponent>(nullptr);
    auto *listener = new Listener(owner.get());
    auto *other = new TComponent(owner.get());
    ASSERT_FALSE(listener->heard.empty());
    EXPECT_EQ(listener->heard.back(), std::make_pair(other, opInsert));
    delete other;
    EXPECT_EQ(listener->heard.back(), std::make_pair(other, opRemove));
    EXPECT_EQ(owner->ComponentCount(), 1);
}

TEST(ComponentNotification, FreeNotificationReachesAcrossOwners)
{
    auto ownerA = std::make_unique<TComponent>(nullptr);
    auto ownerB = std::make_unique<TComponent>(nullptr);
    auto *listener = new Listener(ownerA.get());
    auto *watched = new TComponent(ownerB.get());
    watched->FreeNotification(listener);
    listener->heard.clear();
    ownerB.reset();
    ASSERT_EQ(listener->heard.size(), 1u);
    EXPECT_EQ(listener->heard[0], std::make_pair(watched, opRemove));
    // The listener going first must not leave a dangling entry behind.
    auto *w2 = new TComponent(ownerA.get());
    auto ownerC = std::make_unique<TComponent>(nullptr);
    auto *l2 = new Listener(ownerC.get());
    w2->FreeNotification(l2);
    ownerC.reset();
    ownerA.reset();
}

TEST(ComponentNotification, SiblingsThatAskHearOfEachOthersEndWhenTheOwnerGoes)
{
    std::vector<std::pair<TComponent *, TOperation>> log;
    auto owner = std::make_unique<TComponent>(nullptr);
    auto *listener = new Listener(owner.get());
    listener->external = &log;
    auto *referenced = new TComponent(owner.get()); // freed first: owners free last-first
    referenced->FreeNotification(listener);
    log.clear();
    owner.reset();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], std::make_pair(referenced, opRemove));
}

TEST(ComponentState, DesigningSpreadsToOwnedAndNewComponents)
{
    TComponent owner(nullptr);
    auto *child = new TComponent(&owner);
    owner.SetDesigning(true);
    EXPECT_TRUE(child->ComponentState().Contains(csDesigning));
    auto *later = new TComponent(&owner);
    EXPECT_TRUE(later->ComponentState().Contains(csDesigning));
    owner.SetDesigning(false);
    EXPECT_FALSE(child->ComponentState().Contains(csDesigning));
}

TEST(PersistentAssign, UnknownSourcesRaiseTheConversionError)
{
    TComponent a(nullptr);
    Other other;
    try {
        a.Assign(&other);
        FAIL() << "no exception";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TOther to a TComponent");
    }
    try {
        a.Assign(nullptr);
        FAIL() << "no exception";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), "Cannot assign a nil to a TComponent");
    }
}

TEST(Events, MethodPointersCallTheirObjectAndCompareByIdentity)
{
    struct Receiver : TObject
    {
        int calls = 0;
        void Click(TObject *) { ++calls; }
    } r;
    TNotifyEvent e(&r, &Receiver::Click);
    e(nullptr);
    EXPECT_EQ(r.calls, 1);
    EXPECT_TRUE(e == TNotifyEvent(&r, &Receiver::Click));
    EXPECT_FALSE(TNotifyEvent());
    int plain = 0;
    TNotifyEvent f([&](TObject *) { ++plain; });
    f(nullptr);
    EXPECT_EQ(plain, 1);
}

TEST(Lists, IndexErrorsNameTheIndex)
{
    TList list;
    int x = 0;
    list.Add(&x);
    try {
        list.Get(5);
        FAIL();
    } catch (const EListError &e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (5)");
    }
    TBits bits;
    bits.Set(0, true);
    bits.Set(1, true);
    EXPECT_EQ(bits.OpenBit(), 2);
    bits.Set(10, false);
    EXPECT_EQ(bits.Size(), 11);
    EXPECT_FALSE(bits.Get(100));
    EXPECT_THROW(bits.Set(-1, true), EListError);
}

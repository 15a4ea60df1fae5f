#include "framework/Classes.h"
#include "framework/TypInfo.h"

#include <algorithm>
#include <cctype>

// ------------------------------------------------------------- TComponent --

const TClassInfo &TComponent::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TComponent>("TComponent", &TPersistent::StaticClassInfo())
            .Component()
            .Text("Name", &TComponent::Name, &TComponent::SetName, std::nullopt)
            .StoredIf(&TComponent::isNameStored)
            .Build();
    return info;
}

TComponent::TComponent(TComponent *AOwner)
{
    if (AOwner)
        AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    // Those who asked to hear of our end hear it before our parts go.
    while (!FFreeNotifies.empty()) {
        TComponent *other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        auto &back = other->FFreeNotifies;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

bool TComponent::isNameStored() const
{
    // The root's name is the form's own; a component's name is always written
    // as its object header, so it is never stored as a property.
    return false;
}

TComponent *TComponent::Components(int Index) const
{
    if (Index < 0 || Index >= ComponentCount())
        throw EListError(Format("List index out of bounds (%d)", {Index}));
    return FComponents[static_cast<std::size_t>(Index)];
}

TComponent *TComponent::FindComponent(const String &AName) const
{
    if (AName.empty())
        return nullptr;
    for (TComponent *c : FComponents)
        if (SameText(c->FName, AName))
            return c;
    return nullptr;
}

namespace {
bool isValidIdent(const String &s)
{
    if (s.empty())
        return false;
    const auto alpha = [](char c) {
        return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
    };
    if (!alpha(s[0]))
        return false;
    return std::all_of(s.begin() + 1, s.end(), [&](char c) {
        return alpha(c) || std::isdigit(static_cast<unsigned char>(c));
    });
}
} // namespace

void TComponent::SetName(const String &NewName)
{
    if (FName == NewName)
        return;
    if (!NewName.empty() && !isValidIdent(NewName))
        throw EComponentError("'" + NewName + "' is not a valid component name");
    if (FOwner)
        FOwner->validateRename(this, FName, NewName);
    FName = NewName;
}

void TComponent::validateRename(TComponent *AComponent, const String &CurName,
                                const String &NewName)
{
    if (!NewName.empty() && !SameText(CurName, NewName)) {
        TComponent *existing = FindComponent(NewName);
        if (existing && existing != AComponent)
            throw EComponentError("A component named " + NewName + " already exists");
    }
}

void TComponent::InsertComponent(TComponent *AComponent)
{
    if (!AComponent)
        return;
    validateRename(AComponent, String(), AComponent->FName);
    insert(AComponent);
    if (FComponentState.Contains(csDesigning))
        AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent *AComponent)
{
    if (!AComponent || AComponent->FOwner != this)
        return;
    Notification(AComponent, opRemove);
    remove(AComponent);
}

void TComponent::insert(TComponent *AComponent)
{
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
}

void TComponent::remove(TComponent *AComponent)
{
    FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), AComponent),
                      FComponents.end());
    AComponent->FOwner = nullptr;
}

void TComponent::Notification(TComponent *AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent)
        RemoveFreeNotification(AComponent);
    // Owned components hear of every insertion and removal in their owner.
    for (std::size_t i = FComponents.size(); i-- > 0;) {
        if (i >= FComponents.size())
            continue; // a handler removed components
        FComponents[i]->Notification(AComponent, Operation);
    }
}

void TComponent::FreeNotification(TComponent *AComponent)
{
    if (!AComponent || AComponent == this)
        return;
    // Components of one owner hear of each other through that owner; the flag
    // makes the owner tell them even when it frees its components itself.
    if (!FOwner || AComponent->FOwner != FOwner) {
        const auto add = [](std::vector<TComponent *> &list, TComponent *c) {
            if (std::find(list.begin(), list.end(), c) == list.end())
                list.push_back(c);
        };
        add(FFreeNotifies, AComponent);
        add(AComponent->FFreeNotifies, this);
    }
    FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent *AComponent)
{
    if (!AComponent)
        return;
    auto drop = [](std::vector<TComponent *> &list, TComponent *c) {
        list.erase(std::remove(list.begin(), list.end(), c), list.end());
    };
    drop(FFreeNotifies, AComponent);
    drop(AComponent->FFreeNotifies, this);
}

void TComponent::Loaded()
{
    FComponentState.Exclude(csLoading);
}

void TComponent::GetChildren(const std::function<void(TComponent *)> &Proc, TComponent *Root) const
{
    if (Root != this)
        return;
    for (TComponent *c : FComponents)
        if (!c->HasParent() || !c->GetParentComponent())
            Proc(c);
}

void TComponent::SetDesigning(bool Value, bool SetChildren)
{
    SetComponentStateFlag(csDesigning, Value);
    if (SetChildren)
        for (TComponent *c : FComponents)
            c->SetDesigning(Value, true);
}

void TComponent::Destroying()
{
    if (FComponentState.Contains(csDestroying))
        return;
    FComponentState.Include(csDestroying);
    for (TComponent *c : FComponents)
        c->Destroying();
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent *last = FComponents.back();
        if (last->FComponentState.Contains(csFreeNotification))
            RemoveComponent(last); // its siblings asked to hear of its end
        else
            remove(last);
        delete last;
    }
}

void TComponent::SetComponentStateFlag(TComponentStateFlag flag, bool on)
{
    if (on)
        FComponentState.Include(flag);
    else
        FComponentState.Exclude(flag);
}

#include "components/mru/MRUCombo.h"

#include "framework/TypInfo.h"

#include <algorithm>

namespace {
// The most texts a save writes, and so the most a load reads.
constexpr int savedTexts = 10;
} // namespace

const TClassInfo &TMRUCombo::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TMRUCombo>("TMRUCombo", &TCustomComboBox::StaticClassInfo())
            .Component()
            .Object("Storage", &TMRUCombo::Storage)
            .Boolean("ShowLatest", &TMRUCombo::ShowLatest, &TMRUCombo::SetShowLatest, true)
            .Object("Constraints", &TMRUCombo::Constraints)
            .Build();
    return info;
}

TMRUCombo::TMRUCombo(TComponent *AOwner)
    : TCustomComboBox(AOwner), FStorage(std::make_unique<TJStorage>())
{
    FStorage->SetOwnerComponent(this);
    SetSorted(false);
    // A new combo box starts with ShowLatest false under a declared default
    // of true, so a description written from it says "ShowLatest = False";
    // stored descriptions carry it that way.
    FShowLatest = false;
}

TMRUCombo::~TMRUCombo() = default;

void TMRUCombo::Loaded()
{
    TCustomComboBox::Loaded();
    if (ComponentState().Contains(csDesigning))
        return;
    try {
        FStorage->Open();
        try {
            // A save writes at most savedTexts values, so no real list is
            // longer; a larger stored count is not followed into values that
            // are not there.
            const int count = std::min(FStorage->ReadInteger("Count", 0), savedTexts);
            for (int i = 0; i < count; ++i) {
                const String text = FStorage->ReadString(IntToStr(i), String());
                if (i == 0)
                    SetText(text);
                if (!text.empty())
                    Items()->Add(text);
            }
        } catch (...) {
            FStorage->Close();
            throw;
        }
        FStorage->Close();
    } catch (const Exception &) {
        // A blank key: the list starts empty.
    }
}

void TMRUCombo::UpdateList()
{
    const String text = GetText();
    if (!text.empty() && Items()->IndexOf(text) < 0)
        Items()->Add(text);
    if (ComponentState().Contains(csDesigning))
        return;
    const int count = std::min(Items()->Count(), savedTexts);
    FStorage->Open();
    try {
        for (int i = 0; i < count; ++i)
            FStorage->WriteString(IntToStr(i), Items()->Get(i));
        FStorage->WriteInteger("Count", count);
    } catch (...) {
        FStorage->Close();
        throw;
    }
    FStorage->Close();
}

void MRUCombo::Register()
{
    RegisterComponents("Marrowlight", {&TMRUCombo::StaticClassInfo()});
}

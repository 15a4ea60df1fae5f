#pragma once

// A drop-down combo box that remembers the texts entered into it across runs.
// Read from a form description, it fills its list from the registry key of
// its Storage and shows the first remembered text; UpdateList adds the
// current text to the list when it is new and writes the first ten texts of
// the list back, as "Count" (REG_DWORD) and REG_SZ values named "0" to "n-1".
// Values above the new count that an earlier save left stay in the key.

#include "components/storage/Jstore.h"
#include "framework/StdCtrls.h"

#include <memory>

class TMRUCombo : public TCustomComboBox
{
    TUMBLER_CLASS
public:
    // Creates the storage and turns the combo box's own sorting off, so the
    // list keeps the order texts are added in.
    explicit TMRUCombo(TComponent *AOwner);
    ~TMRUCombo() override;

    // Fills the list from the registry, unless designed. A blank Storage.Key
    // leaves the list empty; nothing here raises.
    void Loaded() override;
    // Appends Text when it is not empty and no item equals it (letter case
    // ignored), then, unless designed, writes the first ten items. A blank
    // Storage.Key raises Exception "Cannot open registry because
    // TJStorage.Key is blank" after the text has been added.
    void UpdateList();

    // The registry key the texts are kept under. Owned by the combo box.
    TJStorage *Storage() const { return FStorage.get(); }
    // Kept and written to form descriptions; loading always shows the first
    // remembered text. False in a new combo box; the declared default is true.
    bool ShowLatest() const { return FShowLatest; }
    void SetShowLatest(bool Value) { FShowLatest = Value; }

private:
    std::unique_ptr<TJStorage> FStorage;
    bool FShowLatest = true;
};

namespace MRUCombo {
// Puts TMRUCombo on the component palette page "Marrowlight"; nothing else.
void Register();
} // namespace MRUCombo

#pragma once

// Memory of Samba's client libraries (talloc): a context and everything
// allocated under it, freed together when its owner drops it. Free of
// Samba's headers, like every header the provider includes.

#include <memory>

namespace netapi::samba {

struct TallocFree
{
    void operator()(void *memory) const noexcept;
};
using TallocMemory = std::unique_ptr<void, TallocFree>;

// A new context under parent (null: a context of its own).
TallocMemory newTallocMemory(const void *parent = nullptr);

} // namespace netapi::samba

#include "platform/netapi/remote/SambaMemory.h"

#include <talloc.h>

namespace netapi::samba {

void TallocFree::operator()(void *memory) const noexcept
{
    talloc_free(memory);
}

TallocMemory newTallocMemory(const void *parent)
{
    return TallocMemory(talloc_new(parent));
}

} // namespace netapi::samba

#pragma once

// Account flags: SAMR's ACB_* as the Windows UF_* flags NetUserGetInfo shows.

#include <cstdint>

namespace netapi::samba {

// The UF_* flags for acb, with UF_SCRIPT, which Windows always reports.
std::uint32_t windowsFlags(std::uint32_t acb);

} // namespace netapi::samba

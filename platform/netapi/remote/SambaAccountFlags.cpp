#include "platform/netapi/remote/SambaAccountFlags.h"

#include "platform/netapi/NetApi.h"
#include "platform/netapi/remote/SambaLibraries.h"

namespace netapi::samba {
namespace {

// The Windows UF_* flag for each SAMR ACB_* flag, as [MS-SAMR] 2.2.1.13 pairs
// them and as libnetapi reports them.
struct FlagPair
{
    std::uint32_t uf;
    std::uint32_t acb;
};
constexpr FlagPair flagPairs[] = {
    {UF_ACCOUNTDISABLE, ACB_DISABLED},
    {0x00000008, ACB_HOMDIRREQ},
    {0x00000020, ACB_PWNOTREQ},
    {0x00000100, ACB_TEMPDUP},
    {UF_NORMAL_ACCOUNT, ACB_NORMAL},
    {0x00020000, ACB_MNS},
    {0x00000800, ACB_DOMTRUST},
    {0x00001000, ACB_WSTRUST},
    {0x00002000, ACB_SVRTRUST},
    {0x00010000, ACB_PWNOEXP},
    {UF_LOCKOUT, ACB_AUTOLOCK},
    {0x00000080, ACB_ENC_TXT_PWD_ALLOWED},
    {0x00040000, ACB_SMARTCARD_REQUIRED},
    {0x00080000, ACB_TRUSTED_FOR_DELEGATION},
    {0x00100000, ACB_NOT_DELEGATED},
    {0x00200000, ACB_USE_DES_KEY_ONLY},
    {0x00400000, ACB_DONT_REQUIRE_PREAUTH},
    {0x00800000, ACB_PW_EXPIRED},
    {0x01000000, ACB_TRUSTED_TO_AUTHENTICATE_FOR_DELEGATION},
    {0x02000000, ACB_NO_AUTH_DATA_REQD},
    {0x04000000, ACB_PARTIAL_SECRETS_ACCOUNT},
    {0x08000000, ACB_USE_AES_KEYS},
};

} // namespace

std::uint32_t windowsFlags(std::uint32_t acb)
{
    std::uint32_t uf = UF_SCRIPT;
    for (const FlagPair &pair : flagPairs) {
        if (acb & pair.acb)
            uf |= pair.uf;
    }
    return uf;
}

} // namespace netapi::samba

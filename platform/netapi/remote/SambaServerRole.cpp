#include "platform/netapi/remote/SambaServerRole.h"

#include "platform/netapi/remote/SambaCredentials.h"
#include "platform/netapi/remote/SambaLibraries.h"

// The dssetup interface: libndr-standard exports its NDR table, but samba-dev
// installs no header for it. The one call used, as dssetup.idl defines it and
// pidl lays it out (enums are C enums, strings are UTF-8 after conversion).
// The table's own record of the call's size is checked before each use.
extern "C" {
extern const struct ndr_interface_table ndr_table_dssetup;
}

namespace netapi::samba {
namespace {
namespace dssetup {
enum Role : int
{
    standaloneWorkstation = 0,
    memberWorkstation = 1,
    standaloneServer = 2,
    memberServer = 3,
    backupController = 4,
    primaryController = 5
};
constexpr std::uint32_t directoryRunning = 0x00000001; // DS_ROLE_PRIMARY_DS_RUNNING
constexpr int basicInformation = 1;                    // DS_ROLE_BASIC_INFORMATION
constexpr std::uint32_t getPrimaryDomainInformation = 0;

struct BasicInformation
{
    Role role;
    std::uint32_t flags;
    const char *domain;
    const char *dnsDomain;
    const char *forest;
    GUID domainGuid;
};
struct UpgradeStatus
{
    int upgrading;
    int previousRole;
};
struct OperationStatus
{
    int status;
};
union Information {
    BasicInformation basic;
    UpgradeStatus upgrade;
    OperationStatus operation;
};
struct GetPrimaryDomainInformation
{
    struct
    {
        int level;
    } in;
    struct
    {
        Information *info;
        WERROR result;
    } out;
};
} // namespace dssetup
} // namespace

std::optional<bool> isDirectoryController(dcerpc_pipe *samr, const Credentials &credentials)
{
    // The layout above must be the one the library was built with.
    if (ndr_table_dssetup.num_calls < 1 ||
        ndr_table_dssetup.calls[dssetup::getPrimaryDomainInformation].struct_size !=
            sizeof(dssetup::GetPrimaryDomainInformation))
        return std::nullopt;
    const TallocMemory scratch = newTallocMemory(samr);
    TALLOC_CTX *memory = scratch.get();
    dcerpc_binding *binding = dcerpc_binding_dup(memory, samr->binding);
    if (!binding ||
        !NT_STATUS_IS_OK(dcerpc_binding_set_string_option(binding, "endpoint", "\\pipe\\lsarpc")))
        return std::nullopt;
    dcerpc_pipe *pipe = nullptr;
    if (!NT_STATUS_IS_OK(dcerpc_secondary_auth_connection(samr, binding, &ndr_table_dssetup,
                                                          credentials.get(), credentials.config(),
                                                          memory, &pipe)))
        return std::nullopt;
    dssetup::GetPrimaryDomainInformation request{};
    request.in.level = dssetup::basicInformation;
    const NTSTATUS transport =
        dcerpc_binding_handle_call(pipe->binding_handle, nullptr, &ndr_table_dssetup,
                                   dssetup::getPrimaryDomainInformation, memory, &request);
    const dssetup::Information *info = request.out.info;
    if (!NT_STATUS_IS_OK(transport) || !W_ERROR_IS_OK(request.out.result) || !info)
        return std::nullopt;
    const bool controller = info->basic.role == dssetup::backupController ||
                            info->basic.role == dssetup::primaryController;
    return controller && (info->basic.flags & dssetup::directoryRunning) != 0;
}

} // namespace netapi::samba

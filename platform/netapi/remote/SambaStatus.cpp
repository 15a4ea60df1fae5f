#include "platform/netapi/remote/SambaStatus.h"

#include "platform/WinError.h"

namespace netapi::samba {
namespace {

// NTSTATUS codes told apart below.
namespace status {
constexpr std::uint32_t accessDenied = 0xC0000022;
constexpr std::uint32_t noSuchUser = 0xC0000064;
constexpr std::uint32_t wrongPassword = 0xC000006A;
constexpr std::uint32_t passwordRestriction = 0xC000006C;
constexpr std::uint32_t logonFailure = 0xC000006D;
constexpr std::uint32_t accountRestriction = 0xC000006E;
constexpr std::uint32_t invalidLogonHours = 0xC000006F;
constexpr std::uint32_t invalidWorkstation = 0xC0000070;
constexpr std::uint32_t passwordExpired = 0xC0000071;
constexpr std::uint32_t accountDisabled = 0xC0000072;
constexpr std::uint32_t noneMapped = 0xC0000073;
constexpr std::uint32_t ioTimeout = 0xC00000B5;
constexpr std::uint32_t badNetworkPath = 0xC00000BE;
constexpr std::uint32_t badNetworkName = 0xC00000CC;
constexpr std::uint32_t invalidDomainRole = 0xC00000DE;
constexpr std::uint32_t invalidComputerName = 0xC0000122;
constexpr std::uint32_t backupController = 0xC0000187;
constexpr std::uint32_t accountExpired = 0xC0000193;
constexpr std::uint32_t passwordMustChange = 0xC0000224;
constexpr std::uint32_t accountLockedOut = 0xC0000234;
constexpr std::uint32_t connectionRefused = 0xC0000236;
constexpr std::uint32_t hostUnreachable = 0xC000023D;
constexpr std::uint32_t networkUnreachable = 0xC000023C;
constexpr std::uint32_t portUnreachable = 0xC000023F;
constexpr std::uint32_t connectionReset = 0xC000020D;
constexpr std::uint32_t connectionDisconnected = 0xC000020C;
constexpr std::uint32_t endOfFile = 0xC0000011;
constexpr std::uint32_t notFound = 0xC0000225;
} // namespace status

} // namespace

std::uint32_t windowsError(NTSTATUS result)
{
    switch (NT_STATUS_V(result)) {
    case 0:
        return NERR_Success;
    case status::accessDenied:
        return ERROR_ACCESS_DENIED;
    case status::noSuchUser:
    case status::noneMapped:
        return NERR_UserNotFound;
    case status::invalidDomainRole:
    case status::backupController:
        return NERR_NotPrimary;
    default:
        return W_ERROR_V(ntstatus_to_werror(result));
    }
}

std::uint32_t connectError(NTSTATUS result)
{
    switch (NT_STATUS_V(result)) {
    case status::wrongPassword:
    case status::passwordRestriction:
    case status::logonFailure:
    case status::accountRestriction:
    case status::invalidLogonHours:
    case status::invalidWorkstation:
    case status::passwordExpired:
    case status::accountDisabled:
    case status::accountExpired:
    case status::passwordMustChange:
    case status::accountLockedOut:
    case status::noSuchUser:
        return ERROR_LOGON_FAILURE;
    case status::badNetworkName:
    case status::invalidComputerName:
    case status::notFound:
        return NERR_InvalidComputer;
    case status::ioTimeout:
    case status::badNetworkPath:
    case status::connectionRefused:
    case status::hostUnreachable:
    case status::networkUnreachable:
    case status::portUnreachable:
    case status::connectionReset:
    case status::connectionDisconnected:
    case status::endOfFile:
        return ERROR_BAD_NETPATH;
    case status::accessDenied:
        return ERROR_ACCESS_DENIED;
    default:
        // The client reports some failures to connect as unrelated statuses
        // (a refused connection as NT_STATUS_NO_MEMORY); the provider tells
        // them apart as it does libnetapi's.
        return ERROR_CAN_NOT_COMPLETE;
    }
}

} // namespace netapi::samba

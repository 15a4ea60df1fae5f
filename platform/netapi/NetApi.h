#pragma once

// The network account management calls, as the lockout tool makes them.
// Texts are UTF-16; every buffer handed out belongs to this layer and is
// released with NetApiBufferFree, whichever account provider filled it.

#include "platform/WinError.h"
#include "platform/netapi/AccountDetails.h"

#include <cstdint>
#include <memory>

using NET_API_STATUS = std::uint32_t;
using DWORD = std::uint32_t;
using LPBYTE = std::uint8_t *;
using LPWSTR = char16_t *;
using LPCWSTR = const char16_t *;

// Result codes are those of platform/WinError.h: the callers tell apart
// NERR_Success, ERROR_ACCESS_DENIED, ERROR_MORE_DATA, NERR_UserNotFound,
// NERR_NotPrimary and NERR_InvalidComputer; the providers also answer
// ERROR_NOT_SUPPORTED, ERROR_BAD_NETPATH, ERROR_LOGON_FAILURE and others.

// Account flags.
inline constexpr DWORD UF_SCRIPT = 0x0001;
inline constexpr DWORD UF_ACCOUNTDISABLE = 0x0002;
inline constexpr DWORD UF_LOCKOUT = 0x0010;
inline constexpr DWORD UF_NORMAL_ACCOUNT = 0x0200;

// Enumeration filter.
inline constexpr DWORD FILTER_NORMAL_ACCOUNT = 0x0002;

// Preferred maximum length meaning "everything in one buffer".
inline constexpr DWORD MAX_PREFERRED_LENGTH = 0xFFFFFFFFu;

struct USER_INFO_10
{
    LPWSTR usri10_name;
    LPWSTR usri10_comment;
    LPWSTR usri10_usr_comment;
    LPWSTR usri10_full_name;
};

struct USER_INFO_20
{
    LPWSTR usri20_name;
    LPWSTR usri20_full_name;
    LPWSTR usri20_comment;
    DWORD usri20_flags;
    DWORD usri20_user_id;
};

struct USER_INFO_1008
{
    DWORD usri1008_flags;
};

// Lists the accounts of servername (null or empty: this computer), level 10,
// a batch at a time. Returns ERROR_MORE_DATA while accounts remain; pass
// resume_handle back unchanged. entriesread and bufptr are valid on every
// return (0 and null when nothing came back).
NET_API_STATUS NetUserEnum(LPCWSTR servername, DWORD level, DWORD filter, LPBYTE *bufptr,
                           DWORD prefmaxlen, DWORD *entriesread, DWORD *totalentries,
                           DWORD *resume_handle);

// Looks one account up, level 20.
NET_API_STATUS NetUserGetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE *bufptr);

// Writes an account's flags, level 1008. parm_err may be null.
NET_API_STATUS NetUserSetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE buf,
                              DWORD *parm_err);

// Why one account is locked out and until when, as far as its server records
// it. Not a classic call: the record is this layer's own, times in seconds
// since 1970. ERROR_NOT_SUPPORTED where the server keeps no such record.
NET_API_STATUS NetUserGetLockoutDetails(LPCWSTR servername, LPCWSTR username,
                                        netapi::AccountDetails *details);

// Releases a buffer that NetUserEnum or NetUserGetInfo handed out. Null is allowed.
NET_API_STATUS NetApiBufferFree(void *buffer);

// A buffer of the calls above, released with NetApiBufferFree when it goes.
struct NetApiBufferRelease
{
    void operator()(void *buffer) const { NetApiBufferFree(buffer); }
};
using NetApiBufferPtr = std::unique_ptr<std::uint8_t, NetApiBufferRelease>;

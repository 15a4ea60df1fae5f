#pragma once

// The listing loop both account benchmarks time: every account enumerated one
// at a time and looked up, as the tool's listing does.

#include "platform/netapi/NetApi.h"

struct ListingTally
{
    NET_API_STATUS status = 0;
    int seen = 0;
    int locked = 0;
    int disabled = 0;
};

inline ListingTally listAccounts(const char16_t *server)
{
    ListingTally tally;
    DWORD resume = 0;
    do {
        LPBYTE buffer = nullptr;
        DWORD read = 0, total = 0;
        tally.status =
            NetUserEnum(server, 10, FILTER_NORMAL_ACCOUNT, &buffer, 1, &read, &total, &resume);
        const auto *records = reinterpret_cast<USER_INFO_10 *>(buffer);
        for (DWORD i = 0; i < read; ++i) {
            LPBYTE info = nullptr;
            if (NetUserGetInfo(server, records[i].usri10_name, 20, &info) == NERR_Success && info) {
                const DWORD flags = reinterpret_cast<USER_INFO_20 *>(info)->usri20_flags;
                tally.locked += (flags & UF_LOCKOUT) ? 1 : 0;
                tally.disabled += (flags & UF_ACCOUNTDISABLE) ? 1 : 0;
            }
            NetApiBufferFree(info);
            ++tally.seen;
        }
        NetApiBufferFree(buffer);
    } while (tally.status == ERROR_MORE_DATA);
    return tally;
}

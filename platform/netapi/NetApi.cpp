#include "platform/netapi/NetApi.h"

#include "platform/netapi/AccountProvider.h"
#include "platform/text/TextConversion.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

// Every buffer handed out, so that NetApiBufferFree frees only what this layer
// allocated, and each only once.
struct BufferRegistry
{
    std::mutex mutex;
    std::unordered_set<void *> live;
};

BufferRegistry &buffers()
{
    static BufferRegistry registry;
    return registry;
}

// One block per call, as Windows hands them out: the records first, then the
// texts they point into, so that one NetApiBufferFree releases everything.
template <typename Record> class BlockBuilder
{
public:
    BlockBuilder(std::size_t records, const std::vector<std::u16string> &texts)
    {
        std::size_t bytes = records * sizeof(Record);
        for (const std::u16string &t : texts)
            bytes += (t.size() + 1) * sizeof(char16_t);
        m_block = static_cast<std::uint8_t *>(std::calloc(1, bytes));
        if (!m_block)
            throw std::bad_alloc();
        m_nextText = reinterpret_cast<char16_t *>(m_block + records * sizeof(Record));
    }
    ~BlockBuilder() { std::free(m_block); }
    BlockBuilder(const BlockBuilder &) = delete;
    BlockBuilder &operator=(const BlockBuilder &) = delete;

    Record *records() { return reinterpret_cast<Record *>(m_block); }

    LPWSTR place(const std::u16string &t)
    {
        LPWSTR start = m_nextText;
        std::memcpy(start, t.data(), t.size() * sizeof(char16_t));
        start[t.size()] = u'\0';
        m_nextText += t.size() + 1;
        return start;
    }

    // Hands the block to the caller; NetApiBufferFree takes it back.
    LPBYTE release()
    {
        BufferRegistry &registry = buffers();
        const std::lock_guard lock(registry.mutex);
        registry.live.insert(m_block);
        return std::exchange(m_block, nullptr);
    }

private:
    std::uint8_t *m_block = nullptr;
    char16_t *m_nextText = nullptr;
};

// The provider sees the name without the leading backslashes of the UNC form
// ("\\server"), which Samba refuses; null and empty both mean this computer.
std::string serverName(LPCWSTR servername)
{
    std::string name = text::toUtf8(servername);
    name.erase(0, name.find_first_not_of('\\'));
    return name;
}

// The calls never throw: a failure inside a provider becomes a result code.
template <typename Call> NET_API_STATUS guarded(Call call)
{
    try {
        return call();
    } catch (const std::bad_alloc &) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return NERR_InternalError;
    }
}

} // namespace

NET_API_STATUS NetUserEnum(LPCWSTR servername, DWORD level, DWORD filter, LPBYTE *bufptr,
                           DWORD prefmaxlen, DWORD *entriesread, DWORD *totalentries,
                           DWORD *resume_handle)
{
    if (bufptr)
        *bufptr = nullptr;
    if (entriesread)
        *entriesread = 0;
    if (totalentries)
        *totalentries = 0;
    if (!bufptr || !entriesread)
        return ERROR_INVALID_PARAMETER;
    if (level != 10)
        return ERROR_INVALID_LEVEL;
    return guarded([&]() -> NET_API_STATUS {
        const std::string server = serverName(servername);
        const std::uint32_t resumeBefore = resume_handle ? *resume_handle : 0;
        std::uint32_t resume = resumeBefore;
        std::vector<netapi::AccountEntry> entries;
        NET_API_STATUS status = netapi::sharedProviderFor(server)->enumerate(
            server, filter, prefmaxlen, resume, entries);
        // "More data" with no data and no progress would keep a caller's loop
        // going for ever.
        if (status == ERROR_MORE_DATA && entries.empty() && resume == resumeBefore)
            status = NERR_InternalError;
        if (resume_handle)
            *resume_handle = resume;
        if (entries.empty())
            return status;

        std::vector<std::u16string> texts;
        texts.reserve(entries.size() * 4);
        for (const netapi::AccountEntry &e : entries) {
            texts.push_back(text::toUtf16(e.name));
            texts.push_back(text::toUtf16(e.comment));
            texts.push_back(text::toUtf16(e.userComment));
            texts.push_back(text::toUtf16(e.fullName));
        }
        BlockBuilder<USER_INFO_10> block(entries.size(), texts);
        USER_INFO_10 *records = block.records();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            records[i].usri10_name = block.place(texts[i * 4]);
            records[i].usri10_comment = block.place(texts[i * 4 + 1]);
            records[i].usri10_usr_comment = block.place(texts[i * 4 + 2]);
            records[i].usri10_full_name = block.place(texts[i * 4 + 3]);
        }
        *bufptr = block.release();
        *entriesread = static_cast<DWORD>(entries.size());
        if (totalentries)
            *totalentries = static_cast<DWORD>(entries.size());
        return status;
    });
}

NET_API_STATUS NetUserGetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE *bufptr)
{
    if (bufptr)
        *bufptr = nullptr;
    if (!bufptr)
        return ERROR_INVALID_PARAMETER;
    if (level != 20)
        return ERROR_INVALID_LEVEL;
    return guarded([&]() -> NET_API_STATUS {
        const std::string server = serverName(servername);
        const std::string user = text::toUtf8(username);
        netapi::AccountInfo info;
        const NET_API_STATUS status =
            netapi::sharedProviderFor(server)->getInfo(server, user, info);
        if (status != NERR_Success)
            return status;
        const std::vector<std::u16string> texts = {
            text::toUtf16(info.name), text::toUtf16(info.fullName), text::toUtf16(info.comment)};
        BlockBuilder<USER_INFO_20> block(1, texts);
        USER_INFO_20 &record = *block.records();
        record.usri20_name = block.place(texts[0]);
        record.usri20_full_name = block.place(texts[1]);
        record.usri20_comment = block.place(texts[2]);
        record.usri20_flags = info.flags;
        record.usri20_user_id = info.userId;
        *bufptr = block.release();
        return NERR_Success;
    });
}

NET_API_STATUS NetUserSetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE buf,
                              DWORD *parm_err)
{
    if (parm_err)
        *parm_err = 0;
    if (level != 1008)
        return ERROR_INVALID_LEVEL;
    if (!buf)
        return ERROR_INVALID_PARAMETER;
    return guarded([&]() -> NET_API_STATUS {
        USER_INFO_1008 info;
        std::memcpy(&info, buf, sizeof info);
        const std::string server = serverName(servername);
        const std::string user = text::toUtf8(username);
        return netapi::sharedProviderFor(server)->setFlags(server, user, info.usri1008_flags);
    });
}

NET_API_STATUS NetUserGetLockoutDetails(LPCWSTR servername, LPCWSTR username,
                                        netapi::AccountDetails *details)
{
    if (!details)
        return ERROR_INVALID_PARAMETER;
    *details = {};
    return guarded([&]() -> NET_API_STATUS {
        const std::string server = serverName(servername);
        const std::string user = text::toUtf8(username);
        netapi::AccountDetails read;
        const NET_API_STATUS status =
            netapi::sharedProviderFor(server)->getDetails(server, user, read);
        if (status == NERR_Success)
            *details = std::move(read);
        return status;
    });
}

NET_API_STATUS NetApiBufferFree(void *buffer)
{
    if (!buffer)
        return NERR_Success;
    BufferRegistry &registry = buffers();
    {
        const std::lock_guard lock(registry.mutex);
        // A pointer this layer did not hand out, or one already freed, is
        // refused rather than passed to free().
        if (registry.live.erase(buffer) == 0)
            return ERROR_INVALID_PARAMETER;
    }
    std::free(buffer);
    return NERR_Success;
}

#include "platform/netapi/NetApi.h"

#include "platform/netapi/AccountProvider.h"
#include "platform/text/TextConversion.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Every buffer handed out, so that NetApiBufferFree frees only what this layer
// allocated, and each only once. A flat table (open addressing, deletion by
// shifting back): a listing hands out two buffers per account, and a set of
// nodes would allocate and free one more for each.
class BufferRegistry
{
public:
    std::mutex mutex;

    void insert(void *buffer)
    {
        if ((m_count + 1) * 2 > m_slots.size())
            grow();
        std::size_t slot = home(buffer);
        while (m_slots[slot])
            slot = next(slot);
        m_slots[slot] = buffer;
        ++m_count;
    }

    // False when the buffer is not in the table.
    bool erase(void *buffer)
    {
        std::size_t slot = home(buffer);
        while (m_slots[slot] && m_slots[slot] != buffer)
            slot = next(slot);
        if (!m_slots[slot])
            return false;
        // Every later entry of the run that may stand in the freed slot moves there.
        std::size_t hole = slot;
        for (std::size_t at = next(hole); m_slots[at]; at = next(at)) {
            const std::size_t wanted = home(m_slots[at]);
            const bool between =
                hole <= at ? (hole < wanted && wanted <= at) : (hole < wanted || wanted <= at);
            if (!between) {
                m_slots[hole] = m_slots[at];
                hole = at;
            }
        }
        m_slots[hole] = nullptr;
        --m_count;
        return true;
    }

private:
    std::size_t home(void *buffer) const
    {
        auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(buffer));
        value ^= value >> 33;
        value *= 0xff51afd7ed558ccdULL;
        value ^= value >> 33;
        return static_cast<std::size_t>(value) & (m_slots.size() - 1);
    }
    std::size_t next(std::size_t slot) const { return (slot + 1) & (m_slots.size() - 1); }

    void grow()
    {
        std::vector<void *> old(std::max<std::size_t>(64, m_slots.size() * 2), nullptr);
        old.swap(m_slots);
        m_count = 0;
        for (void *buffer : old) {
            if (buffer)
                insert(buffer);
        }
    }

    std::vector<void *> m_slots;
    std::size_t m_count = 0;
};

BufferRegistry &buffers()
{
    static BufferRegistry registry;
    return registry;
}

// Without a branch per byte: names are short, and nearly all ASCII.
bool isAscii(std::string_view text)
{
    unsigned char seen = 0;
    for (const char c : text)
        seen |= static_cast<unsigned char>(c);
    return seen < 0x80;
}

// One block per call, as Windows hands them out: the records first, then the
// texts they point into, so that one NetApiBufferFree releases everything.
// The texts come as UTF-8 and are written into the block as UTF-16; ASCII,
// nearly every name, is widened in place.
template <typename Record> class BlockBuilder
{
public:
    BlockBuilder(std::size_t records, std::span<const std::string_view> texts) : m_texts(texts)
    {
        std::size_t bytes = records * sizeof(Record);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            std::size_t units = texts[i].size();
            if (!isAscii(texts[i])) {
                if (m_wide.empty())
                    m_wide.resize(texts.size());
                m_wide[i] = text::toUtf16(texts[i]);
                units = m_wide[i].size();
            }
            bytes += (units + 1) * sizeof(char16_t);
        }
        m_block = static_cast<std::uint8_t *>(std::calloc(1, bytes));
        if (!m_block)
            throw std::bad_alloc();
        m_nextText = reinterpret_cast<char16_t *>(m_block + records * sizeof(Record));
    }
    ~BlockBuilder() { std::free(m_block); }
    BlockBuilder(const BlockBuilder &) = delete;
    BlockBuilder &operator=(const BlockBuilder &) = delete;

    Record *records() { return reinterpret_cast<Record *>(m_block); }

    // Writes text `index` of those given; the block is zeroed, so it ends there.
    LPWSTR place(std::size_t index)
    {
        LPWSTR start = m_nextText;
        if (!m_wide.empty() && !m_wide[index].empty()) {
            const std::u16string &wide = m_wide[index];
            std::memcpy(start, wide.data(), wide.size() * sizeof(char16_t));
            m_nextText += wide.size() + 1;
        } else {
            const std::string_view narrow = m_texts[index];
            const auto *bytes = reinterpret_cast<const unsigned char *>(narrow.data());
            std::copy(bytes, bytes + narrow.size(), start);
            m_nextText += narrow.size() + 1;
        }
        return start;
    }

    // Hands the block to the caller; NetApiBufferFree takes it back.
    LPBYTE release()
    {
        BufferRegistry &registry = buffers();
        const std::lock_guard lock(registry.mutex);
        registry.insert(m_block);
        return std::exchange(m_block, nullptr);
    }

private:
    std::span<const std::string_view> m_texts;
    std::vector<std::u16string> m_wide; // of the texts that are not ASCII, when any
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
        // Kept from call to call on this thread: a listing of one account
        // per call would otherwise allocate both for every account.
        thread_local std::vector<netapi::AccountEntry> entries;
        thread_local std::vector<std::string_view> texts;
        // Emptied on the way out, and a large batch's room given back.
        struct Emptied
        {
            ~Emptied()
            {
                entries.clear();
                texts.clear();
                if (entries.capacity() > 64) {
                    entries.shrink_to_fit();
                    texts.shrink_to_fit();
                }
            }
        } emptied;
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

        for (const netapi::AccountEntry &e : entries) {
            texts.push_back(e.name);
            texts.push_back(e.comment);
            texts.push_back(e.userComment);
            texts.push_back(e.fullName);
        }
        BlockBuilder<USER_INFO_10> block(entries.size(), texts);
        USER_INFO_10 *records = block.records();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            records[i].usri10_name = block.place(i * 4);
            records[i].usri10_comment = block.place(i * 4 + 1);
            records[i].usri10_usr_comment = block.place(i * 4 + 2);
            records[i].usri10_full_name = block.place(i * 4 + 3);
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
        const std::array<std::string_view, 3> texts = {info.name, info.fullName, info.comment};
        BlockBuilder<USER_INFO_20> block(1, texts);
        USER_INFO_20 &record = *block.records();
        record.usri20_name = block.place(0);
        record.usri20_full_name = block.place(1);
        record.usri20_comment = block.place(2);
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
        if (!registry.erase(buffer))
            return ERROR_INVALID_PARAMETER;
    }
    std::free(buffer);
    return NERR_Success;
}

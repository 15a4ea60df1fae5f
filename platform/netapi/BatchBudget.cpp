// Built into the platform library and into the Samba module, which carries
// everything it needs.

#include "platform/netapi/AccountProvider.h"
#include "platform/netapi/NetApi.h"

namespace netapi {
namespace {

// UTF-16 code units the UTF-8 text becomes, without converting it: every
// byte that starts a character gives one unit, four-byte ones a surrogate pair.
std::size_t utf16Units(const std::string &utf8)
{
    // Without branches, so that the loop runs many bytes at a time.
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        units += static_cast<std::size_t>((byte & 0xC0) != 0x80) + (byte >= 0xF0);
    }
    return units;
}

} // namespace

std::size_t BatchBudget::recordBytes(const AccountEntry &entry)
{
    const std::size_t units = utf16Units(entry.name) + utf16Units(entry.comment) +
                              utf16Units(entry.userComment) + utf16Units(entry.fullName) + 4;
    return sizeof(USER_INFO_10) + units * sizeof(char16_t);
}

bool BatchBudget::take(const AccountEntry &entry)
{
    // A batch smaller than the smallest record takes its first and is full
    // then, whatever that one's size: it is not measured. What is counted is
    // at most its size, enough to refuse the next.
    constexpr std::size_t smallest = sizeof(USER_INFO_10) + 4 * sizeof(char16_t);
    if (m_count == 0 && m_limit < smallest)
        return take(smallest);
    return take(recordBytes(entry));
}

bool BatchBudget::full() const
{
    // Every record takes at least its fixed part.
    return m_count > 0 && m_limit != MAX_PREFERRED_LENGTH &&
           m_used + sizeof(USER_INFO_10) > m_limit;
}

bool BatchBudget::take(std::size_t recordBytes)
{
    if (m_count > 0 && m_limit != MAX_PREFERRED_LENGTH && m_used + recordBytes > m_limit)
        return false;
    m_used += recordBytes;
    ++m_count;
    return true;
}

} // namespace netapi

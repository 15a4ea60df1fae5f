#include "platform/netapi/LocalAccounts.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace netapi::local {

namespace {

std::string_view trimmed(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

// The line at the start of `rest`, which then starts after it.
std::string_view nextLine(std::string_view &rest)
{
    const auto end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return line;
}

// The fields of a line split at its colons, at most `max` of them: the last
// ends at the next colon too, or at the end of the line. Returns how many
// there are.
std::size_t splitFields(std::string_view line, std::string_view *fields, std::size_t max)
{
    std::size_t count = 0;
    while (count < max) {
        const auto end = line.find(':');
        fields[count++] = line.substr(0, end);
        if (end == std::string_view::npos)
            break;
        line.remove_prefix(end + 1);
    }
    return count;
}

// How many lines the text has, at most: a search per line rather than a
// look at every byte.
std::size_t lineCount(std::string_view content)
{
    std::size_t count = 1;
    for (std::size_t at = content.find('\n'); at != std::string_view::npos;
         at = content.find('\n', at + 1))
        ++count;
    return count;
}

std::vector<std::string_view> lines(std::string_view content)
{
    std::vector<std::string_view> result;
    while (!content.empty()) {
        const auto end = content.find('\n');
        result.push_back(content.substr(0, end));
        if (end == std::string_view::npos)
            break;
        content.remove_prefix(end + 1);
    }
    return result;
}

std::vector<std::string_view> fields(std::string_view line, char separator)
{
    std::vector<std::string_view> result;
    for (;;) {
        const auto end = line.find(separator);
        result.push_back(line.substr(0, end));
        if (end == std::string_view::npos)
            return result;
        line.remove_prefix(end + 1);
    }
}

// A whole field as a number, blanks around it allowed; false leaves value as it was.
template <typename Number> bool parseNumber(std::string_view text, Number &value)
{
    text = trimmed(text);
    Number parsed{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return false;
    value = parsed;
    return true;
}

} // namespace

std::vector<PasswdEntry> parsePasswd(std::string_view content, const UidRange *normalOnly)
{
    std::vector<PasswdEntry> entries;
    entries.reserve(lineCount(content));
    for (std::string_view rest = content; !rest.empty();) {
        std::string_view line = nextLine(rest);
        if (line.empty() || line.front() == '#' || line.front() == '+' || line.front() == '-')
            continue;
        // name:password:UID:GID:GECOS, the rest unused
        std::string_view f[5];
        const std::size_t count = splitFields(line, f, 5);
        PasswdEntry entry;
        if (count < 4 || f[0].empty() || !parseNumber(f[2], entry.uid))
            continue;
        if (normalOnly &&
            (entry.uid < normalOnly->min || entry.uid > normalOnly->max || isUnsafeUserName(f[0])))
            continue;
        if (!parseNumber(f[3], entry.gid))
            entry.gid = static_cast<std::uint32_t>(-1);
        entry.name = std::string(f[0]);
        if (count > 4)
            entry.fullName = std::string(f[4].substr(0, f[4].find(',')));
        entries.push_back(std::move(entry));
    }
    return entries;
}

UidRange uidRangeOf(std::string_view loginDefs)
{
    UidRange range;
    for (std::string_view line : lines(loginDefs)) {
        line = trimmed(line);
        if (line.empty() || line.front() == '#')
            continue;
        const auto blank = line.find_first_of(" \t");
        const std::string_view key = line.substr(0, blank);
        const std::string_view value =
            blank == std::string_view::npos ? std::string_view() : line.substr(blank);
        if (key == "UID_MIN")
            parseNumber(value, range.min);
        else if (key == "UID_MAX")
            parseNumber(value, range.max);
    }
    return range;
}

bool isUnsafeUserName(std::string_view user)
{
    return user.empty() || user.front() == '.' || user.find('/') != std::string_view::npos ||
           std::any_of(user.begin(), user.end(), [](char c) {
               const auto byte = static_cast<unsigned char>(c);
               return byte < 0x20 || byte == 0x7F;
           });
}

bool isNormalAccount(const PasswdEntry &entry, const UidRange &range)
{
    return entry.uid >= range.min && entry.uid <= range.max && !isUnsafeUserName(entry.name);
}

ShadowTable parseShadow(std::string_view content)
{
    ShadowTable table;
    const std::size_t total = lineCount(content);
    table.m_lines.reserve(total);
    table.m_index.reserve(std::max<std::size_t>(total, 1));
    // Each name lands in a random slot of a table too large for the cache:
    // a line is parsed and its slot fetched some lines before it is entered,
    // in file order still, so that the first line of a name is the one kept.
    struct Pending
    {
        std::string_view name;
        std::size_t hash = 0;
        ShadowEntry entry;
    };
    constexpr std::size_t ahead = 16;
    std::array<Pending, ahead> pending;
    const auto enter = [&table](const Pending &line) {
        table.m_index.reserve(table.m_lines.size() + 1);
        const std::size_t slot = table.slotOf(line.name, line.hash);
        if (table.m_index.taken(slot))
            return; // a later line of a name the table has
        table.m_index.put(slot, line.hash, table.m_lines.size());
        table.m_lines.push_back({table.m_names.size(), line.name.size(), line.entry});
        table.m_names.append(line.name);
    };
    std::size_t parsed = 0;
    for (std::string_view rest = content; !rest.empty();) {
        std::string_view line = nextLine(rest);
        // name:password:lastchange:min:max:warn:inactive:expire
        std::string_view f[8];
        const std::size_t count = splitFields(line, f, 8);
        Pending next{f[0], std::hash<std::string_view>()(f[0]), {}};
        next.entry.passwordLocked = count > 1 && f[1].starts_with('!');
        if (count > 7 && !parseNumber(f[7], next.entry.expireDay))
            next.entry.expireDay = -1;
        table.m_index.prefetch(next.hash, true);
        Pending &place = pending[parsed++ % ahead];
        if (parsed > ahead)
            enter(place);
        place = next;
    }
    for (std::size_t i = parsed > ahead ? parsed - ahead : 0; i < parsed; ++i)
        enter(pending[i % ahead]);
    return table;
}

std::size_t ShadowTable::slotOf(std::string_view name, std::size_t hash) const
{
    return m_index.slotOf(hash, [&](std::size_t line) { return nameOf(m_lines[line]) == name; });
}

const ShadowEntry *ShadowTable::find(std::string_view name, std::size_t *cursor) const
{
    if (m_index.empty())
        return nullptr;
    // A few lines of accounts the caller skips may lie between two it asks for.
    constexpr std::size_t lookAhead = 8;
    if (cursor) {
        for (std::size_t i = *cursor; i < m_lines.size() && i < *cursor + lookAhead; ++i) {
            if (nameOf(m_lines[i]) == name) {
                *cursor = i + 1;
                return &m_lines[i].entry;
            }
        }
    }
    const std::size_t slot = slotOf(name, std::hash<std::string_view>()(name));
    if (!m_index.taken(slot))
        return nullptr;
    const std::size_t line = m_index.placeAt(slot);
    if (cursor)
        *cursor = line + 1;
    return &m_lines[line].entry;
}

void NameSet::insert(std::string_view name)
{
    m_index.reserve(m_names.size() + 1);
    const std::size_t hash = std::hash<std::string_view>()(name);
    const std::size_t slot = slotOf(name, hash);
    if (m_index.taken(slot))
        return;
    m_index.put(slot, hash, m_names.size());
    m_names.emplace_back(name);
}

bool NameSet::contains(std::string_view name) const
{
    return !m_index.empty() && m_index.taken(slotOf(name, std::hash<std::string_view>()(name)));
}

std::vector<bool> NameSet::containsEach(const std::vector<PasswdEntry> &accounts) const
{
    std::vector<bool> found(accounts.size(), false);
    if (m_index.empty())
        return found;
    constexpr std::size_t ahead = 16;
    std::array<std::size_t, ahead> hashes{};
    const auto hashAt = [&](std::size_t i) {
        const std::size_t hash = std::hash<std::string_view>()(accounts[i].name);
        m_index.prefetch(hash);
        return hash;
    };
    for (std::size_t i = 0; i < accounts.size() && i < ahead; ++i)
        hashes[i] = hashAt(i);
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        const std::size_t hash = hashes[i % ahead];
        if (i + ahead < accounts.size())
            hashes[i % ahead] = hashAt(i + ahead);
        found[i] = m_index.taken(slotOf(accounts[i].name, hash));
    }
    return found;
}

std::size_t NameSet::slotOf(std::string_view name, std::size_t hash) const
{
    return m_index.slotOf(hash, [&](std::size_t place) { return m_names[place] == name; });
}

bool isDisabled(const ShadowEntry &entry, std::int64_t now)
{
    const bool expired = entry.expireDay >= 0 && now / 86400 >= entry.expireDay;
    return entry.passwordLocked || expired;
}

std::unordered_map<std::string, GroupEntry>
parseGroups(std::string_view content, const std::unordered_set<std::string> &wanted)
{
    std::unordered_map<std::string, GroupEntry> groups;
    for (std::string_view line : lines(content)) {
        const std::vector<std::string_view> f = fields(line, ':');
        if (f.size() < 4)
            continue;
        std::string name(f[0]);
        GroupEntry group;
        if (!wanted.contains(name) || groups.contains(name) || !parseNumber(f[2], group.gid))
            continue;
        for (std::string_view member : fields(f[3], ','))
            if (!member.empty())
                group.members.emplace(member);
        groups.emplace(std::move(name), std::move(group));
    }
    return groups;
}

bool isAdmin(const PasswdEntry &entry, const std::string &adminGroup,
             const std::unordered_map<std::string, GroupEntry> &groups)
{
    if (entry.uid == 0)
        return true;
    if (adminGroup.empty())
        return false;
    const auto group = groups.find(adminGroup);
    return group != groups.end() &&
           (group->second.gid == entry.gid || group->second.members.contains(entry.name));
}

} // namespace netapi::local

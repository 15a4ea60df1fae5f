#include "platform/netapi/LocalAccounts.h"

#include <algorithm>
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

std::vector<PasswdEntry> parsePasswd(std::string_view content)
{
    std::vector<PasswdEntry> entries;
    for (std::string_view line : lines(content)) {
        if (line.empty() || line.front() == '#' || line.front() == '+' || line.front() == '-')
            continue;
        const std::vector<std::string_view> f = fields(line, ':');
        PasswdEntry entry;
        if (f.size() < 4 || f[0].empty() || !parseNumber(f[2], entry.uid))
            continue;
        if (!parseNumber(f[3], entry.gid))
            entry.gid = static_cast<std::uint32_t>(-1);
        entry.name = std::string(f[0]);
        if (f.size() > 4)
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
    const std::vector<std::string_view> shadowLines = lines(content);
    auto names = std::make_unique<std::string>();
    names->reserve(content.size());
    table.entries.reserve(shadowLines.size());
    for (std::string_view line : shadowLines) {
        const std::vector<std::string_view> f = fields(line, ':');
        ShadowEntry entry;
        entry.passwordLocked = f.size() > 1 && f[1].starts_with('!');
        if (f.size() > 7 && !parseNumber(f[7], entry.expireDay))
            entry.expireDay = -1;
        // Within the reserved room: the views stay valid.
        const std::size_t at = names->size();
        names->append(f[0]);
        table.entries.try_emplace(std::string_view(names->data() + at, f[0].size()), entry);
    }
    table.names = std::move(names);
    return table;
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

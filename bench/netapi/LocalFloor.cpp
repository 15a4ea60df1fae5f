#include "bench/netapi/LocalFloor.h"

#include "platform/netapi/Faillock.h"
#include "platform/text/Printable.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace localfloor {

namespace {

// A whole file in one read where the size allows. Unset when it cannot be read.
std::optional<std::string> readAll(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st
    {};
    std::string content;
    if (::fstat(fd, &st) == 0)
        content.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == content.size())
            content.resize(content.size() * 2 + 4096);
        const ssize_t n = ::read(fd, content.data() + used, content.size() - used);
        if (n <= 0)
            break;
        used += static_cast<std::size_t>(n);
        if (used < content.size())
            break; // a regular file reads short only at its end
    }
    ::close(fd);
    content.resize(used);
    return content;
}

std::string_view field(std::string_view &line)
{
    const std::size_t colon = line.find(':');
    const std::string_view value = line.substr(0, colon);
    line.remove_prefix(colon == std::string_view::npos ? line.size() : colon + 1);
    return value;
}

std::uint32_t number(std::string_view text, std::uint32_t otherwise)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return text.empty() || error != std::errc() || end != text.data() + text.size() ? otherwise
                                                                                    : value;
}

bool plainAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

void appendPrintable(std::string &out, std::string_view text)
{
    if (plainAscii(text))
        out += text;
    else
        out += text::printable(text);
}

struct Shadow
{
    bool locked = false;
    std::int64_t expireDay = -1;
};

Shadow shadowOf(std::string_view line)
{
    Shadow entry;
    field(line);
    entry.locked = field(line).starts_with('!');
    for (int i = 0; i < 5; ++i)
        field(line);
    const std::string_view expire = field(line);
    std::from_chars(expire.data(), expire.data() + expire.size(), entry.expireDay);
    return entry;
}

} // namespace

int listAll(const char *root, int out)
{
    const std::string base = root;
    const std::optional<std::string> defs = readAll(base + "/etc/login.defs");
    const std::optional<std::string> passwd = readAll(base + "/etc/passwd");
    const std::optional<std::string> shadow = readAll(base + "/etc/shadow");
    const std::optional<std::string> pam = readAll(base + "/etc/pam.d/common-auth");
    const std::optional<std::string> conf = readAll(base + "/etc/security/faillock.conf");
    if (!passwd || !shadow || !pam)
        return 1;

    std::uint32_t uidMin = 1000, uidMax = 60000;
    for (std::string_view rest = defs ? *defs : std::string_view(); !rest.empty();) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.starts_with("UID_MIN "))
            uidMin = number(line.substr(8), uidMin);
        else if (line.starts_with("UID_MAX "))
            uidMax = number(line.substr(8), uidMax);
    }

    // One pam_faillock line, its settings from faillock.conf.
    const netapi::faillock::ServiceFile service = netapi::faillock::parseServiceFile(*pam);
    std::optional<netapi::faillock::Settings> settings;
    if (!service.faillockLines.empty())
        settings = netapi::faillock::settingsOf(conf ? std::optional<std::string_view>(*conf)
                                                     : std::nullopt,
                                                service.faillockLines.front().arguments);
    const std::string tallyFolder = settings ? base + settings->dir + "/" : std::string();
    std::unordered_set<std::string> tallied;
    if (DIR *dir = settings ? ::opendir(tallyFolder.c_str()) : nullptr) {
        while (const dirent *entry = ::readdir(dir))
            tallied.emplace(entry->d_name);
        ::closedir(dir);
    }

    const std::int64_t now = std::time(nullptr);
    std::string text;
    constexpr std::size_t block = 1 << 20;
    text.reserve(block + 4096);
    const auto flush = [&] {
        for (std::string_view rest = text; !rest.empty();) {
            const ssize_t n = ::write(out, rest.data(), rest.size());
            if (n <= 0)
                return false;
            rest.remove_prefix(static_cast<std::size_t>(n));
        }
        text.clear();
        return true;
    };

    // Shadow joined by a cursor, as both files are usually in the same
    // order (a few lines of accounts that are not listed may lie between);
    // a name further off is looked up by a table made then.
    std::string_view shadowRest = *shadow;
    std::unordered_map<std::string_view, Shadow> shadowByName;
    const auto shadowFor = [&](std::string_view name) -> std::optional<Shadow> {
        if (shadowByName.empty()) {
            std::string_view ahead = shadowRest;
            for (int skipped = 0; skipped < 8 && !ahead.empty(); ++skipped) {
                const std::size_t end = ahead.find('\n');
                const std::string_view line = ahead.substr(0, end);
                ahead.remove_prefix(end == std::string_view::npos ? ahead.size() : end + 1);
                if (line.starts_with(name) && line.size() > name.size() &&
                    line[name.size()] == ':') {
                    shadowRest = ahead;
                    return shadowOf(line);
                }
            }
            for (std::string_view all = *shadow; !all.empty();) {
                const std::size_t lineEnd = all.find('\n');
                const std::string_view each = all.substr(0, lineEnd);
                all.remove_prefix(lineEnd == std::string_view::npos ? all.size() : lineEnd + 1);
                shadowByName.try_emplace(each.substr(0, each.find(':')), shadowOf(each));
            }
        }
        const auto it = shadowByName.find(name);
        return it == shadowByName.end() ? std::nullopt : std::make_optional(it->second);
    };

    std::string tallyPath = tallyFolder;
    char tally[netapi::faillock::maxRecords * netapi::faillock::recordSize];
    int users = 0, disabled = 0, lockedOut = 0;
    for (std::string_view rest = *passwd; !rest.empty();) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.empty() || line.front() == '#' || line.front() == '+' || line.front() == '-')
            continue;
        const std::string_view name = field(line);
        field(line);
        const std::uint32_t uid = number(field(line), UINT32_MAX);
        field(line);
        const std::string_view gecos = field(line);
        if (uid < uidMin || uid > uidMax || name.empty() || name.front() == '.' ||
            name.find('/') != std::string_view::npos ||
            std::any_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
            continue;

        const std::optional<Shadow> entry = shadowFor(name);
        const bool isDisabled =
            entry && (entry->locked || (entry->expireDay >= 0 && now / 86400 >= entry->expireDay));
        bool isLocked = false;
        if (settings && tallied.contains(std::string(name))) {
            tallyPath.resize(tallyFolder.size());
            tallyPath += name;
            const int fd = ::open(tallyPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            if (fd >= 0) {
                ssize_t n = ::flock(fd, LOCK_SH) == 0 ? ::read(fd, tally, sizeof tally) : -1;
                ::close(fd);
                std::uint64_t latest = 0, times[netapi::faillock::maxRecords];
                std::size_t valid = 0;
                for (ssize_t at = 0; at + 64 <= n; at += 64) {
                    std::uint16_t status = 0;
                    std::memcpy(&status, tally + at + 54, 2);
                    if (status & 1) {
                        std::memcpy(&times[valid], tally + at + 56, 8);
                        latest = std::max(latest, times[valid++]);
                    }
                }
                std::size_t inWindow = 0;
                for (std::size_t i = 0; i < valid; ++i)
                    inWindow += latest - times[i] < settings->failInterval;
                isLocked = settings->deny != 0 && inWindow >= settings->deny &&
                           (settings->unlockTime == 0 ||
                            latest + settings->unlockTime >= static_cast<std::uint64_t>(now));
            }
        }
        ++users;
        disabled += isDisabled;
        lockedOut += isLocked;
        appendPrintable(text, name);
        text += '\t';
        appendPrintable(text, gecos.substr(0, gecos.find(',')));
        text += isLocked && isDisabled ? "\tlocked,disabled\n"
                : isLocked             ? "\tlocked\n"
                : isDisabled           ? "\tdisabled\n"
                                       : "\t-\n";
        if (text.size() >= block && !flush())
            return 1;
    }
    text += std::to_string(users) + " users found.\n";
    text += disabled ? std::to_string(disabled) + " disabled users found.\n"
                     : std::string("No disabled users found.\n");
    text += lockedOut ? std::to_string(lockedOut) + " locked out users found.\n"
                      : std::string("No locked out users found.\n");
    return flush() ? 0 : 1;
}

} // namespace localfloor

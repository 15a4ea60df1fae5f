#include "platform/netapi/Faillock.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace netapi::faillock {

namespace {

// libpam reads a service file a logical line at a time into this much room;
// pam_faillock reads faillock.conf a line at a time into as much.
constexpr std::size_t pamLineRoom = 1023;
constexpr std::uint32_t maxTimeInterval = 604800; // 7 days, pam_faillock's limit

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// libpam's tokenizer: blanks separate words, "[...]" is one word without its
// brackets, in which "\]" stands for ']'.
std::optional<std::string> nextWord(std::string_view &rest)
{
    std::size_t pos = 0;
    while (pos < rest.size() && isBlank(rest[pos]))
        ++pos;
    if (pos == rest.size()) {
        rest = {};
        return std::nullopt;
    }
    std::string word;
    if (rest[pos] == '[') {
        ++pos;
        while (pos < rest.size() && rest[pos] != ']') {
            if (rest[pos] == '\\' && pos + 1 < rest.size() && rest[pos + 1] == ']')
                ++pos;
            word += rest[pos++];
        }
    } else {
        while (pos < rest.size() && !isBlank(rest[pos]))
            word += rest[pos++];
    }
    // The separator (or closing bracket) goes with the word.
    rest.remove_prefix(std::min(pos + 1, rest.size()));
    return word;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool isFaillockModule(std::string_view path)
{
    return path.substr(path.rfind('/') + 1) == "pam_faillock.so";
}

// sscanf's "%u"/"%hu": blanks, a sign, decimal digits, anything after them
// ignored; the value wraps into the target's width as glibc stores it.
template <typename Number> bool scanUnsigned(std::string_view text, Number &value)
{
    std::size_t pos = 0;
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    if (pos == text.size() || text[pos] < '0' || text[pos] > '9')
        return false;
    std::uint64_t parsed = 0;
    bool overflow = false;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        const unsigned digit = static_cast<unsigned>(text[pos] - '0');
        if (parsed > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
            overflow = true;
        parsed = parsed * 10 + digit;
    }
    if (overflow)
        parsed = std::numeric_limits<std::uint64_t>::max();
    else if (negative)
        parsed = 0 - parsed;
    value = static_cast<Number>(parsed);
    return true;
}

bool scanTime(std::string_view value, std::uint32_t &time, bool neverAllowed)
{
    if (neverAllowed && value == "never") {
        time = 0;
        return true;
    }
    std::uint32_t parsed = 0;
    if (!scanUnsigned(value, parsed) || parsed > maxTimeInterval)
        return false;
    time = parsed;
    return true;
}

// One option, by name, as pam_faillock sets it from its settings file or an
// argument. A value it cannot use leaves what was there; unknown names are
// ignored.
void setOption(Settings &settings, std::optional<std::uint32_t> &rootUnlockTime,
               std::string_view name, std::string_view value)
{
    if (name == "dir") {
        if (value.starts_with('/'))
            settings.dir = std::string(value);
    } else if (name == "deny") {
        scanUnsigned(value, settings.deny);
    } else if (name == "fail_interval") {
        scanTime(value, settings.failInterval, false);
    } else if (name == "unlock_time") {
        scanTime(value, settings.unlockTime, true);
    } else if (name == "root_unlock_time") {
        std::uint32_t time = 0;
        if (scanTime(value, time, true))
            rootUnlockTime = time;
    } else if (name == "admin_group") {
        settings.adminGroup = std::string(value);
    } else if (name == "even_deny_root") {
        settings.evenDenyRoot = true;
    }
}

} // namespace

ServiceFile parseServiceFile(std::string_view content)
{
    ServiceFile result;
    result.mentionsFaillock = content.find("pam_faillock") != std::string_view::npos;

    // Logical lines as libpam assembles them: blank and comment lines are
    // skipped (also inside a continuation), '#' ends the line, a trailing
    // backslash joins the next line.
    struct Logical
    {
        int line;
        std::string text;
    };
    std::vector<Logical> logical;
    std::string current;
    int start = 0;
    bool continuing = false;
    int number = 0;
    for (std::size_t pos = 0; pos < content.size();) {
        const std::size_t end = std::min(content.find('\n', pos), content.size());
        std::string_view line = content.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#')
            continue;
        line.remove_prefix(first);
        if (!continuing)
            start = number;
        const std::size_t hash = line.find('#');
        bool joins = false;
        if (hash != std::string_view::npos) {
            line = line.substr(0, hash);
        } else {
            while (!line.empty() && (isSpace(line.back())))
                line.remove_suffix(1);
            joins = !line.empty() && line.back() == '\\';
            if (joins)
                line.remove_suffix(1);
        }
        current.append(line).append(joins ? " " : "");
        if (current.size() >= pamLineRoom)
            result.malformed = true;
        continuing = joins;
        if (!joins) {
            logical.push_back({start, std::move(current)});
            current.clear();
        }
    }
    // A continuation the file ends in: libpam gives up on the whole file.
    if (continuing)
        result.malformed = true;

    for (const Logical &entry : logical) {
        std::string_view rest = entry.text;
        const auto type = nextWord(rest);
        const auto control = nextWord(rest);
        const auto module = nextWord(rest);
        if (!type || !control || !module)
            continue;
        std::string_view typeName = *type;
        if (typeName.starts_with('-'))
            typeName.remove_prefix(1);
        const bool auth = equalsIgnoringCase(typeName, "auth");
        if ((!auth && !equalsIgnoringCase(typeName, "account")) ||
            equalsIgnoringCase(*control, "include") || equalsIgnoringCase(*control, "substack") ||
            !isFaillockModule(*module))
            continue;
        ModuleLine line{entry.line, auth, {}};
        while (auto argument = nextWord(rest))
            line.arguments.push_back(std::move(*argument));
        result.faillockLines.push_back(std::move(line));
    }
    return result;
}

std::string confPathOf(const std::vector<std::string> &arguments)
{
    std::string path{defaultConfPath};
    for (const std::string &argument : arguments) {
        if (argument.starts_with("conf="))
            path = argument.substr(5);
    }
    return path;
}

std::optional<Settings> settingsOf(const std::optional<std::string_view> &conf,
                                   const std::vector<std::string> &arguments)
{
    Settings settings;
    std::optional<std::uint32_t> rootUnlockTime;
    if (conf) {
        std::string_view content = *conf;
        while (!content.empty()) {
            const std::size_t end = content.find('\n');
            std::string_view line = content.substr(0, end);
            content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
            // Read a line at a time into fixed room, and given up on when a
            // line does not fit (or holds a NUL, which ends it early).
            if (line.size() >= pamLineRoom || line.find('\0') != std::string_view::npos)
                return std::nullopt;
            line = line.substr(0, line.find('#'));
            while (!line.empty() && isSpace(line.back()))
                line.remove_suffix(1);
            while (!line.empty() && isSpace(line.front()))
                line.remove_prefix(1);
            if (line.empty())
                continue;
            // "name value", "name=value", "name = value".
            std::size_t nameEnd = 0;
            while (nameEnd < line.size() && !isSpace(line[nameEnd]) && line[nameEnd] != '=')
                ++nameEnd;
            const std::string_view name = line.substr(0, nameEnd);
            bool equals = nameEnd < line.size() && line[nameEnd] == '=';
            std::size_t valueStart = std::min(nameEnd + 1, line.size());
            while (valueStart < line.size()) {
                const char c = line[valueStart];
                if (c == '=' && !equals)
                    equals = true;
                else if (!isSpace(c))
                    break;
                ++valueStart;
            }
            setOption(settings, rootUnlockTime, name, line.substr(valueStart));
        }
    }
    // The conf= that was used is no option; earlier ones are unknown names.
    std::size_t lastConf = arguments.size();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i].starts_with("conf="))
            lastConf = i;
    }
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i == lastConf)
            continue;
        // pam_faillock copies an argument into room of this size.
        const std::string_view argument = std::string_view(arguments[i]).substr(0, pamLineRoom);
        const std::size_t equals = argument.find('=');
        if (equals == std::string_view::npos)
            setOption(settings, rootUnlockTime, argument, {});
        else
            setOption(settings, rootUnlockTime, argument.substr(0, equals),
                      argument.substr(equals + 1));
    }
    settings.rootUnlockTime = rootUnlockTime.value_or(settings.unlockTime);
    return settings;
}

bool refusesNow(std::string_view tally, const Settings &settings, bool isAdmin, std::uint64_t now)
{
    if (isAdmin && !settings.evenDenyRoot)
        return false;
    const std::vector<std::uint64_t> times = failureTimes(tally);
    std::uint64_t latest = 0;
    for (const std::uint64_t time : times)
        latest = std::max(latest, time);
    // Unsigned, as pam_faillock counts: the newest minus an older time.
    const auto failures = std::count_if(times.begin(), times.end(), [&](std::uint64_t time) {
        return latest - time < settings.failInterval;
    });
    if (settings.deny == 0 || failures < settings.deny)
        return false;
    const std::uint32_t unlockTime = isAdmin ? settings.rootUnlockTime : settings.unlockTime;
    // 0: until reset. The lock still holds in the second unlock_time ends.
    return unlockTime == 0 || latest + unlockTime >= now;
}

std::optional<Lock> lockNow(std::string_view tally, const Settings &settings, bool isAdmin,
                            std::uint64_t now)
{
    if (!refusesNow(tally, settings, isAdmin, now))
        return std::nullopt;
    std::vector<std::uint64_t> times = failureTimes(tally);
    std::sort(times.begin(), times.end());
    const std::uint32_t unlockTime = isAdmin ? settings.rootUnlockTime : settings.unlockTime;
    const auto locksAt = [&](std::size_t i) {
        const auto inWindow = std::count_if(
            times.begin(), times.begin() + static_cast<long>(i) + 1,
            [&](std::uint64_t time) { return times[i] - time < settings.failInterval; });
        return inWindow >= settings.deny;
    };
    // Back from the newest failure, which refuses (refusesNow said so), while
    // the one before it also refused and the lock it set still held.
    std::size_t first = times.size() - 1;
    while (first > 0 && locksAt(first - 1) &&
           (unlockTime == 0 || times[first] - times[first - 1] <= unlockTime))
        --first;
    Lock lock;
    lock.since = times[first];
    if (unlockTime != 0)
        lock.until = times.back() + unlockTime;
    return lock;
}

} // namespace netapi::faillock

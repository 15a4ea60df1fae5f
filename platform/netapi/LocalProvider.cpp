#include "platform/netapi/LocalProvider.h"

#include "platform/files/TrustedFolder.h"
#include "platform/netapi/FileAccess.h"
#include "platform/netapi/NetApi.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace netapi {

namespace {

constexpr std::uint32_t defaultUidMin = 1000;
constexpr std::uint32_t defaultUidMax = 60000;

std::uint32_t codeForErrno(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case ELOOP:
        // A link where a file should be: not followed, and not ours to use.
        return ERROR_ACCESS_DENIED;
    case ENOENT:
    case ENOTDIR:
        return ERROR_FILE_NOT_FOUND;
    case EWOULDBLOCK:
        return ERROR_LOCK_VIOLATION;
    default:
        return NERR_InternalError;
    }
}

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

// pam_faillock's settings that decide whether an account is denied now.
struct FaillockConfig
{
    std::string dir = "/var/run/faillock";
    std::uint32_t deny = 3;
    std::int64_t failInterval = 900;
    std::int64_t unlockTime = 600;
    bool evenDenyRoot = false;
    std::optional<std::int64_t> rootUnlockTime; // unlock_time when not given

    std::int64_t unlockTimeFor(std::uint32_t uid) const
    {
        return uid == 0 && rootUnlockTime ? *rootUnlockTime : unlockTime;
    }
};

namespace {

bool parseUnlockTime(std::string_view value, std::int64_t &time)
{
    if (value == "never") {
        time = 0;
        return true;
    }
    return parseNumber(value, time);
}

// One setting, from faillock.conf or from a module argument ("key" or
// "key=value"). A value that does not parse leaves what was there, as
// pam_faillock does.
void applyFaillockSetting(FaillockConfig &config, std::string_view setting)
{
    const auto equals = setting.find('=');
    const std::string_view key = trimmed(setting.substr(0, equals));
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : trimmed(setting.substr(equals + 1));
    if (key == "dir" && !value.empty()) {
        config.dir = std::string(value);
    } else if (key == "deny") {
        parseNumber(value, config.deny);
    } else if (key == "fail_interval") {
        parseNumber(value, config.failInterval);
    } else if (key == "unlock_time") {
        parseUnlockTime(value, config.unlockTime);
    } else if (key == "root_unlock_time") {
        // Implies even_deny_root.
        std::int64_t time = 0;
        if (parseUnlockTime(value, time)) {
            config.rootUnlockTime = time;
            config.evenDenyRoot = true;
        }
    } else if (key == "even_deny_root") {
        config.evenDenyRoot = true;
    }
}

void applyFaillockConf(FaillockConfig &config, std::string_view content)
{
    for (std::string_view line : lines(content)) {
        line = trimmed(line.substr(0, line.find('#')));
        if (!line.empty())
            applyFaillockSetting(config, line);
    }
}

// The arguments of every pam_faillock line of one PAM configuration file.
// Lines may be continued with a backslash; "[...]" arguments may hold blanks.
std::vector<std::string> faillockArguments(std::string_view content)
{
    std::string joined;
    for (std::string_view line : lines(content)) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && line.back() == '\\') {
            joined.append(line.substr(0, line.size() - 1)).append(" ");
            continue;
        }
        joined.append(line).append("\n");
    }
    std::vector<std::string> arguments;
    for (std::string_view line : lines(joined)) {
        line = line.substr(0, line.find('#'));
        std::vector<std::string> words;
        for (std::size_t pos = 0; pos < line.size();) {
            pos = line.find_first_not_of(" \t", pos);
            if (pos == std::string_view::npos)
                break;
            std::size_t end = line.find_first_of(" \t", pos);
            if (line[pos] == '[') {
                const std::size_t close = line.find(']', pos);
                end = close == std::string_view::npos ? line.size() : close + 1;
            }
            end = std::min(end, line.size());
            words.emplace_back(line.substr(pos, end - pos));
            pos = end;
        }
        // type, control, module, arguments; "-auth" is a type too.
        if (words.size() < 3)
            continue;
        const std::string &module = words[2];
        const std::string_view base = std::string_view(module).substr(module.rfind('/') + 1);
        if (base != "pam_faillock.so")
            continue;
        arguments.insert(arguments.end(), words.begin() + 3, words.end());
    }
    return arguments;
}

// pam_faillock's tally file: 64-byte records in the machine's byte order.
struct TallyRecord
{
    char source[52];
    std::uint16_t reserved;
    std::uint16_t status;
    std::uint64_t time;
};
static_assert(sizeof(TallyRecord) == 64);
constexpr std::uint16_t tallyStatusValid = 0x1;
// pam_faillock reads no more records than this; neither do we, since a user
// owns their tally and can make it as large as they like.
constexpr std::size_t maxTallyRecords = 1024;
// pam_faillock holds a tally's lock only while it reads and rewrites it.
constexpr auto tallyLockTimeout = std::chrono::seconds(10);

// Takes the flock pam_faillock takes on a tally, waiting a while for it.
// 0, or the errno of the failure (EWOULDBLOCK when it stayed held).
int lockTally(int fd, int operation)
{
    return lockWithin(fd, operation, tallyLockTimeout);
}

// Opens a tally as pam_faillock would find it: never through a link (the
// user owns the file and could plant one), never a FIFO or device (which
// would hang or be written to). The path is relative to folder (or AT_FDCWD).
// -1 with errno set otherwise.
int openTally(int folder, const std::string &path, int flags)
{
    const int fd = ::openat(folder, path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st
    {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

// Opens pam_faillock's tally folder for a reset, which truncates a file as
// root: walked from the root (`root`, or `/` when empty) and refused (EACCES)
// when someone else controls any folder on the way, which is said once on
// standard error. Empty with errno set otherwise.
files::Descriptor openTallyFolder(const std::string &root, const std::string &folder)
{
    files::Refusal refusal;
    files::WalkOptions options;
    options.root = root;
    files::Descriptor fd = files::openTrustedFolder(folder, refusal, options);
    if (refusal) {
        static std::mutex warnedLock;
        static std::set<std::string> warned;
        const std::lock_guard lock(warnedLock);
        const std::string path = root + folder;
        if (warned.insert(path).second)
            std::fprintf(stderr, "tumblerset: the lockout folder %s; no lockout in it is reset\n",
                         refusal.describe(path).c_str());
        errno = EACCES;
    }
    return fd;
}

// Whether a path, taken under a root of the caller's, climbs above it.
bool climbsAboveRoot(std::string_view path)
{
    int depth = 0;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view name = path.substr(0, slash);
        if (name == "..") {
            if (--depth < 0)
                return true;
        } else if (!name.empty() && name != ".") {
            ++depth;
        }
        path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
    }
    return false;
}

// Denied when at least `deny` valid failures fall within fail_interval before
// the newest one, and the newest is younger than unlock_time (0: until reset).
bool deniedByTally(std::string_view content, const FaillockConfig &config, std::int64_t unlockTime,
                   std::int64_t now)
{
    if (config.deny == 0)
        return false;
    std::vector<std::int64_t> times;
    for (std::size_t offset = 0; offset + sizeof(TallyRecord) <= content.size();
         offset += sizeof(TallyRecord)) {
        TallyRecord record;
        std::memcpy(&record, content.data() + offset, sizeof record);
        if ((record.status & tallyStatusValid) &&
            record.time <= static_cast<std::uint64_t>(INT64_MAX))
            times.push_back(static_cast<std::int64_t>(record.time));
    }
    if (times.empty())
        return false;
    const std::int64_t newest = *std::max_element(times.begin(), times.end());
    const auto recent = std::count_if(times.begin(), times.end(), [&](std::int64_t t) {
        return newest - t < config.failInterval;
    });
    if (recent < static_cast<std::int64_t>(config.deny))
        return false;
    return unlockTime == 0 || now - newest < unlockTime;
}

std::int64_t systemNow()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

} // namespace

LocalProvider::LocalProvider() : LocalProvider(Options{}) {}

LocalProvider::LocalProvider(Options options) : m_options(std::move(options))
{
    if (!m_options.now)
        m_options.now = systemNow;
    while (m_options.root.size() > 1 && m_options.root.back() == '/')
        m_options.root.pop_back();
    if (m_options.root == "/")
        m_options.root.clear();
}

bool LocalProvider::isUnsafeUserName(const std::string &user)
{
    return user.empty() || user.front() == '.' || user.find('/') != std::string::npos ||
           std::any_of(user.begin(), user.end(), [](char c) {
               const auto byte = static_cast<unsigned char>(c);
               return byte < 0x20 || byte == 0x7F;
           });
}

std::string LocalProvider::pathOf(const std::string &systemPath) const
{
    return m_options.root + (systemPath.starts_with('/') ? "" : "/") + systemPath;
}

int LocalProvider::readFile(const std::string &systemPath, std::string &content) const
{
    if (!m_options.root.empty() && climbsAboveRoot(systemPath))
        return EACCES;
    const std::string path = pathOf(systemPath);
    if (m_options.access) {
        if (const int refused = m_options.access(path, false))
            return refused;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat st
    {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return EINVAL;
    }
    const int error = readUpTo(fd, content);
    ::close(fd);
    return error;
}

int LocalProvider::readTally(const std::string &systemPath, std::string &content) const
{
    if (!m_options.root.empty() && climbsAboveRoot(systemPath))
        return EACCES;
    const std::string path = pathOf(systemPath);
    if (m_options.access) {
        if (const int refused = m_options.access(path, false))
            return refused;
    }
    const int fd = openTally(AT_FDCWD, path, O_RDONLY);
    if (fd < 0)
        return errno;
    // Shared: pam_faillock's exclusive lock keeps us from reading a tally it
    // is rewriting.
    if (const int error = lockTally(fd, LOCK_SH)) {
        ::close(fd);
        return error;
    }
    const int error = readUpTo(fd, content, maxTallyRecords * sizeof(TallyRecord));
    ::close(fd);
    return error;
}

std::uint32_t LocalProvider::readPasswd(std::vector<PasswdEntry> &entries) const
{
    std::string content;
    if (const int error = readFile("/etc/passwd", content))
        return codeForErrno(error);
    for (std::string_view line : lines(content)) {
        if (line.empty() || line.front() == '#' || line.front() == '+' || line.front() == '-')
            continue;
        const std::vector<std::string_view> f = fields(line, ':');
        PasswdEntry entry;
        if (f.size() < 4 || f[0].empty() || !parseNumber(f[2], entry.uid))
            continue;
        entry.name = std::string(f[0]);
        if (f.size() > 4)
            entry.fullName = std::string(f[4].substr(0, f[4].find(',')));
        entries.push_back(std::move(entry));
    }
    return NERR_Success;
}

std::uint32_t LocalProvider::findUser(const std::string &user, PasswdEntry &entry) const
{
    // Checked before anything else: such a name never reaches a path.
    if (isUnsafeUserName(user))
        return NERR_UserNotFound;
    std::vector<PasswdEntry> entries;
    if (const std::uint32_t status = readPasswd(entries))
        return status;
    // Linux account names are case-sensitive.
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&](const PasswdEntry &e) { return e.name == user; });
    if (it == entries.end())
        return NERR_UserNotFound;
    entry = *it;
    return NERR_Success;
}

std::uint32_t LocalProvider::readFaillockConfig(FaillockSettings &settings) const
{
    // As pam_faillock combines them: its defaults, then faillock.conf (or the
    // file its conf= argument names), then the module's arguments.
    std::vector<std::string> arguments;
    const std::string folder = pathOf("/etc/pam.d");
    if (DIR *dir = ::opendir(folder.c_str())) {
        std::vector<std::string> names;
        while (const dirent *entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.')
                names.emplace_back(entry->d_name);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string &name : names) {
            std::string content;
            // A file we may not read or that is no regular file holds no setting we can use.
            if (readFile("/etc/pam.d/" + name, content) == 0) {
                for (std::string &argument : faillockArguments(content))
                    arguments.push_back(std::move(argument));
            }
        }
    }
    std::string confPath = "/etc/security/faillock.conf";
    for (const std::string &argument : arguments) {
        if (argument.starts_with("conf=") && argument.size() > 5)
            confPath = argument.substr(5);
    }
    std::string content;
    const int error = readFile(confPath, content);
    if (error && error != ENOENT)
        return codeForErrno(error);
    FaillockConfig config;
    if (!error)
        applyFaillockConf(config, content);
    for (const std::string &argument : arguments)
        applyFaillockSetting(config, argument);
    settings = std::make_shared<FaillockConfig>(std::move(config));
    return NERR_Success;
}

LocalProvider::FlagSources LocalProvider::readFlagSources() const
{
    FlagSources sources;
    std::string shadow;
    if (const int error = readFile("/etc/shadow", shadow); error && error != ENOENT)
        sources.shadowStatus = codeForErrno(error);
    // Only the names and the two fields that matter are kept, and the text
    // with the password hashes is wiped: a listing's reading may live as long
    // as the program.
    const std::vector<std::string_view> shadowLines = lines(shadow);
    auto names = std::make_unique<std::string>();
    names->reserve(shadow.size());
    sources.shadow.reserve(shadowLines.size());
    for (std::string_view line : shadowLines) {
        const std::vector<std::string_view> f = fields(line, ':');
        ShadowEntry entry;
        entry.passwordLocked = f.size() > 1 && f[1].starts_with('!');
        if (f.size() > 7 && !parseNumber(f[7], entry.expireDay))
            entry.expireDay = -1;
        // Within the reserved room: the views stay valid.
        const std::size_t at = names->size();
        names->append(f[0]);
        // The first line of a name counts, as for the system's own lookup.
        sources.shadow.try_emplace(std::string_view(names->data() + at, f[0].size()), entry);
    }
    ::explicit_bzero(shadow.data(), shadow.size());
    sources.shadowNames = std::move(names);
    sources.faillockStatus = readFaillockConfig(sources.faillock);
    return sources;
}

std::uint32_t LocalProvider::readFlags(const PasswdEntry &entry, const FlagSources &sources,
                                       std::uint32_t &flags) const
{
    flags = UF_NORMAL_ACCOUNT;
    const std::int64_t now = m_options.now();

    if (sources.shadowStatus)
        return sources.shadowStatus;
    if (const auto it = sources.shadow.find(entry.name); it != sources.shadow.end()) {
        // pam_unix refuses a login from the expiry day on.
        const std::int64_t expireDay = it->second.expireDay;
        const bool expired = expireDay >= 0 && now / 86400 >= expireDay;
        if (it->second.passwordLocked || expired)
            flags |= UF_ACCOUNTDISABLE;
    }

    if (sources.faillockStatus)
        return sources.faillockStatus;
    const FaillockConfig &config = *sources.faillock;
    if (entry.uid == 0 && !config.evenDenyRoot)
        return NERR_Success;
    if (sources.tallies && !sources.tallies->contains(entry.name))
        return NERR_Success;
    std::string tally;
    if (const int error = readTally(config.dir + "/" + entry.name, tally)) {
        return error == ENOENT || error == ENOTDIR ? NERR_Success : codeForErrno(error);
    }
    if (deniedByTally(tally, config, config.unlockTimeFor(entry.uid), now))
        flags |= UF_LOCKOUT;
    return NERR_Success;
}

std::optional<std::unordered_set<std::string>>
LocalProvider::listTallies(const std::string &systemFolder) const
{
    const std::string folder = pathOf(systemFolder);
    if ((!m_options.root.empty() && climbsAboveRoot(systemFolder)) ||
        (m_options.access && m_options.access(folder, false)))
        return std::nullopt;
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return errno == ENOENT || errno == ENOTDIR
                   ? std::make_optional<std::unordered_set<std::string>>()
                   : std::nullopt;
    std::unordered_set<std::string> names;
    while (const dirent *entry = ::readdir(dir))
        names.emplace(entry->d_name);
    ::closedir(dir);
    return names;
}

bool LocalProvider::servesServer(const std::string &server) const
{
    return server.empty();
}

std::uint32_t LocalProvider::readAccounts(std::vector<PasswdEntry> &accounts) const
{
    std::string defs;
    const int defsError = readFile("/etc/login.defs", defs);
    if (defsError && defsError != ENOENT)
        return codeForErrno(defsError);
    std::uint32_t uidMin = defaultUidMin;
    std::uint32_t uidMax = defaultUidMax;
    if (defsError)
        defs.clear();
    for (std::string_view line : lines(defs)) {
        line = trimmed(line);
        if (line.empty() || line.front() == '#')
            continue;
        const auto blank = line.find_first_of(" \t");
        const std::string_view key = line.substr(0, blank);
        const std::string_view value =
            blank == std::string_view::npos ? std::string_view() : line.substr(blank);
        if (key == "UID_MIN")
            parseNumber(value, uidMin);
        else if (key == "UID_MAX")
            parseNumber(value, uidMax);
    }

    if (const std::uint32_t status = readPasswd(accounts))
        return status;
    std::erase_if(accounts, [&](const PasswdEntry &e) {
        return e.uid < uidMin || e.uid > uidMax || isUnsafeUserName(e.name);
    });
    return NERR_Success;
}

std::uint32_t LocalProvider::enumerate(const std::string &server, std::uint32_t filter,
                                       std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                                       std::vector<AccountEntry> &out)
{
    if (!servesServer(server))
        return NERR_InvalidComputer;
    const std::lock_guard lock(m_mutex);
    m_answerNext = m_batchEnd = 0;
    if (filter != 0 && !(filter & FILTER_NORMAL_ACCOUNT))
        return NERR_Success;

    // Read once per listing: a batch of one account at a time would read
    // every file once per account otherwise.
    if (resumeHandle == 0 || !m_listing) {
        auto snapshot = std::make_shared<Snapshot>();
        if (const std::uint32_t status = readAccounts(snapshot->accounts)) {
            m_listing.reset();
            return status;
        }
        snapshot->sources = readFlagSources();
        if (!snapshot->sources.faillockStatus)
            snapshot->sources.tallies = listTallies(snapshot->sources.faillock->dir);
        m_listing = std::move(snapshot);
    }
    const std::vector<PasswdEntry> &accounts = m_listing->accounts;

    std::size_t next = resumeHandle;
    m_answerNext = next;
    BatchBudget budget(prefMaxLen);
    for (; next < accounts.size(); ++next) {
        AccountEntry entry{accounts[next].name, {}, {}, accounts[next].fullName};
        if (!budget.take(entry))
            break;
        out.push_back(std::move(entry));
    }
    m_batchEnd = next;
    resumeHandle = static_cast<std::uint32_t>(next);
    return next < accounts.size() ? ERROR_MORE_DATA : NERR_Success;
}

std::uint32_t LocalProvider::getInfo(const std::string &server, const std::string &user,
                                     AccountInfo &out)
{
    if (!servesServer(server))
        return NERR_InvalidComputer;
    const std::lock_guard lock(m_mutex);
    // The lookups of the accounts the listing has just handed out, in the
    // order it handed them out, use the files the listing read, once each;
    // the tally is read now.
    if (m_listing && m_answerNext < m_batchEnd && m_listing->accounts[m_answerNext].name == user) {
        const PasswdEntry &entry = m_listing->accounts[m_answerNext++];
        std::uint32_t flags = 0;
        if (const std::uint32_t status = readFlags(entry, m_listing->sources, flags))
            return status;
        out = AccountInfo{entry.name, entry.fullName, {}, flags, entry.uid};
        return NERR_Success;
    }
    PasswdEntry entry;
    if (const std::uint32_t status = findUser(user, entry))
        return status;
    std::uint32_t flags = 0;
    if (const std::uint32_t status = readFlags(entry, readFlagSources(), flags))
        return status;
    out = AccountInfo{entry.name, entry.fullName, {}, flags, entry.uid};
    return NERR_Success;
}

std::uint32_t LocalProvider::setFlags(const std::string &server, const std::string &user,
                                      std::uint32_t flags)
{
    if (!servesServer(server))
        return NERR_InvalidComputer;
    {
        const std::lock_guard lock(m_mutex);
        m_answerNext = m_batchEnd = 0;
    }
    PasswdEntry entry;
    if (const std::uint32_t status = findUser(user, entry))
        return status;
    std::uint32_t current = 0;
    if (const std::uint32_t status = readFlags(entry, readFlagSources(), current))
        return status;
    if ((flags ^ current) & ~UF_LOCKOUT)
        return ERROR_NOT_SUPPORTED;
    // A lockout can be cleared, not set.
    if (flags & UF_LOCKOUT)
        return NERR_Success;

    FaillockSettings config;
    if (const std::uint32_t status = readFaillockConfig(config))
        return status;
    const std::string folderPath = pathOf(config->dir);
    if (m_options.access) {
        if (const int refused = m_options.access(folderPath + "/" + entry.name, true))
            return codeForErrno(refused);
    }
    // Emptying the file is what "faillock --reset" does; no file, no tally.
    // Under pam_faillock's own lock: a reset that landed while it was reading
    // and rewriting the tally would be undone by its write.
    const files::Descriptor folder = openTallyFolder(m_options.root, config->dir);
    if (!folder)
        return errno == ENOENT || errno == ENOTDIR ? NERR_Success : codeForErrno(errno);
    const files::Descriptor tally(openTally(folder.get(), entry.name, O_WRONLY));
    if (!tally)
        return errno == ENOENT || errno == ENOTDIR ? NERR_Success : codeForErrno(errno);
    int error = lockTally(tally.get(), LOCK_EX);
    if (!error && ::ftruncate(tally.get(), 0) != 0)
        error = errno;
    return error ? codeForErrno(error) : NERR_Success;
}

} // namespace netapi

#include "platform/netapi/LocalProvider.h"

#include "platform/Logging.h"
#include "platform/files/RegularFile.h"
#include "platform/files/TrustedFolder.h"
#include "platform/netapi/LocalAccounts.h"
#include "platform/netapi/NetApi.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
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

// Says once on standard error what keeps a lockout from being checked or reset.
void warnOnce(const std::string &text)
{
    static std::mutex warnedLock;
    static std::set<std::string> warned;
    const std::lock_guard lock(warnedLock);
    if (warned.insert(text).second)
        qCWarning(lcNetApi, "%s", text.c_str());
}

std::string joinPath(const std::string &folder, const std::string &name)
{
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

// A tally is read no further than pam_faillock reads it, since a user owns
// their tally and can make it as large as they like.
constexpr std::size_t maxTallyBytes = faillock::maxRecords * faillock::recordSize;
// pam_faillock holds a tally's lock only while it reads and rewrites it.
constexpr auto tallyLockTimeout = std::chrono::seconds(10);

// Reads a tally: the usual handful of records in one read (a regular file
// reads short only at its end), a long one in more.
int readTallyFile(int fd, std::string &content)
{
    char first[4096];
    ssize_t n = 0;
    do
        n = ::read(fd, first, sizeof first);
    while (n < 0 && errno == EINTR);
    if (n < 0)
        return errno;
    content.assign(first, static_cast<std::size_t>(n));
    if (static_cast<std::size_t>(n) < sizeof first)
        return 0;
    std::string rest;
    if (const int error = files::readUpTo(fd, rest, maxTallyBytes - content.size()))
        return error;
    content += rest;
    return 0;
}

// Takes the flock pam_faillock takes on a tally, waiting a while for it.
// 0, or the errno of the failure (EWOULDBLOCK when it stayed held).
int lockTally(int fd, int operation)
{
    return files::lockWithin(fd, operation, tallyLockTimeout);
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
        warnOnce("the lockout folder " + refusal.describe(root + folder) +
                 "; no lockout in it is reset");
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

// Why a system path (`path` once taken under the caller's root) may not be
// read: it climbs above that root, or the caller's check refuses it. 0 when
// it may be.
int refusedRead(const LocalProvider::Options &options, const std::string &systemPath,
                const std::string &path)
{
    if (!options.root.empty() && climbsAboveRoot(systemPath))
        return EACCES;
    return options.access ? options.access(path, false) : 0;
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

std::string LocalProvider::pathOf(const std::string &systemPath) const
{
    return m_options.root + (systemPath.starts_with('/') ? "" : "/") + systemPath;
}

int LocalProvider::readFile(const std::string &systemPath, std::string &content) const
{
    const std::string path = pathOf(systemPath);
    if (const int refused = refusedRead(m_options, systemPath, path))
        return refused;
    // The system's own files, which a distribution may link elsewhere.
    const files::Descriptor file =
        files::openRegularAt(AT_FDCWD, path.c_str(), O_RDONLY, 0, files::Links::Follow);
    if (!file)
        return errno;
    return files::readUpTo(file.get(), content);
}

int LocalProvider::readTally(const std::string &systemPath, std::string &content) const
{
    const std::string path = pathOf(systemPath);
    if (const int refused = refusedRead(m_options, systemPath, path))
        return refused;
    // Never through a link: the user owns the tally and could plant one.
    const files::Descriptor tally = files::openRegularAt(AT_FDCWD, path.c_str(), O_RDONLY);
    if (!tally)
        return errno;
    // Shared: pam_faillock's exclusive lock keeps us from reading a tally it
    // is rewriting.
    if (const int error = lockTally(tally.get(), LOCK_SH))
        return error;
    return readTallyFile(tally.get(), content);
}

std::uint32_t LocalProvider::readPasswd(std::vector<PasswdEntry> &entries) const
{
    std::string content;
    if (const int error = readFile("/etc/passwd", content))
        return codeForErrno(error);
    entries = local::parsePasswd(content);
    return NERR_Success;
}

std::uint32_t LocalProvider::findUser(const std::string &user, PasswdEntry &entry) const
{
    // Checked before anything else: such a name never reaches a path.
    if (local::isUnsafeUserName(user))
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

std::uint32_t LocalProvider::readFaillockLines(std::vector<FaillockLine> &lines) const
{
    const std::string folder = pathOf(m_options.pamFolder);
    if (m_options.access) {
        if (const int refused = m_options.access(folder, false))
            return codeForErrno(refused);
    }
    std::vector<std::string> names;
    if (DIR *dir = ::opendir(folder.c_str())) {
        while (const dirent *entry = ::readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.emplace_back(entry->d_name);
        }
        ::closedir(dir);
    } else if (errno != ENOENT && errno != ENOTDIR) {
        const int error = errno;
        warnOnce(folder + " cannot be read (" + std::strerror(error) +
                 "); lockouts are not checked");
        return codeForErrno(error);
    }
    std::sort(names.begin(), names.end());

    // A settings file is read once however many lines name it.
    std::map<std::string, std::pair<int, std::string>> confs;
    for (const std::string &name : names) {
        const std::string service = joinPath(m_options.pamFolder, name);
        std::string content;
        if (const int error = readFile(service, content)) {
            // Gone since it was listed, or no service at all (a folder).
            if (error == ENOENT || error == EINVAL)
                continue;
            warnOnce(pathOf(service) + " cannot be read (" + std::strerror(error) +
                     "); lockouts are not checked");
            return codeForErrno(error);
        }
        const faillock::ServiceFile file = faillock::parseServiceFile(content);
        if (file.malformed && file.mentionsFaillock) {
            warnOnce(pathOf(service) + " is one PAM cannot read, so the service refuses " +
                     "everyone; lockouts are not checked");
            return ERROR_BAD_CONFIGURATION;
        }
        for (const faillock::ModuleLine &line : file.faillockLines) {
            const std::string source = pathOf(service) + ":" + std::to_string(line.line);
            const std::string confPath = faillock::confPathOf(line.arguments);
            auto [conf, added] = confs.try_emplace(confPath);
            if (added)
                conf->second.first = readFile(confPath, conf->second.second);
            const int error = conf->second.first;
            std::optional<faillock::Settings> settings;
            if (!error)
                settings = faillock::settingsOf(conf->second.second, line.arguments);
            else if (error == ENOENT && confPath == faillock::defaultConfPath)
                settings = faillock::settingsOf(std::nullopt, line.arguments);
            if (!settings) {
                // pam_faillock then fails whatever the tally says.
                warnOnce(source + ": pam_faillock's settings file " + pathOf(confPath) +
                         (error ? std::string(" cannot be read (") + std::strerror(error) + ")"
                                : std::string(" is one it refuses")) +
                         ", so the service refuses everyone; lockouts are not checked");
                return error ? codeForErrno(error) : ERROR_BAD_CONFIGURATION;
            }
            lines.push_back({source, line.auth, std::move(*settings)});
        }
    }
    return NERR_Success;
}

std::uint32_t
LocalProvider::readAdminGroups(const std::vector<FaillockLine> &faillockLines,
                               std::unordered_map<std::string, GroupEntry> &groups) const
{
    std::unordered_set<std::string> wanted;
    for (const FaillockLine &line : faillockLines) {
        if (!line.settings.adminGroup.empty())
            wanted.insert(line.settings.adminGroup);
    }
    if (wanted.empty())
        return NERR_Success;
    std::string content;
    if (const int error = readFile("/etc/group", content))
        return error == ENOENT ? NERR_Success : codeForErrno(error);
    groups = local::parseGroups(content, wanted);
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
    sources.shadow = local::parseShadow(shadow);
    ::explicit_bzero(shadow.data(), shadow.size());
    sources.faillockStatus = readFaillockLines(sources.faillock);
    if (!sources.faillockStatus)
        sources.faillockStatus = readAdminGroups(sources.faillock, sources.adminGroups);
    return sources;
}

std::uint32_t LocalProvider::readFlags(const PasswdEntry &entry, const FlagSources &sources,
                                       std::uint32_t &flags, TallyContents *read,
                                       const ListedPlace *listed) const
{
    flags = UF_NORMAL_ACCOUNT;
    const std::int64_t now = m_options.now();

    if (sources.shadowStatus)
        return sources.shadowStatus;
    if (const local::ShadowEntry *shadow =
            sources.shadow.find(entry.name, listed ? &listed->shadowCursor : nullptr);
        shadow && local::isDisabled(*shadow, now))
        flags |= UF_ACCOUNTDISABLE;

    if (sources.faillockStatus)
        return sources.faillockStatus;
    // Each tally is read once, however many lines read its folder (few).
    TallyContents local;
    TallyContents &tallies = read ? *read : local;
    for (std::size_t at = 0; at < sources.faillock.size(); ++at) {
        const FaillockLine &line = sources.faillock[at];
        if (!line.refuses)
            continue;
        const faillock::Settings &settings = line.settings;
        const bool isAdmin = local::isAdmin(entry, settings.adminGroup, sources.adminGroups);
        if (isAdmin && !settings.evenDenyRoot)
            continue;
        // No tally there when the listing began: nothing to open.
        if (listed && at < listed->listing.tallied.size()) {
            const auto &tallied = listed->listing.tallied[at];
            if (tallied && !(*tallied)[listed->index])
                continue;
        } else if (const auto names = sources.tallies.find(settings.dir);
                   names != sources.tallies.end() && names->second &&
                   !names->second->contains(entry.name)) {
            continue;
        }
        auto tally = std::find_if(tallies.begin(), tallies.end(),
                                  [&](const auto &read) { return read.first == settings.dir; });
        if (tally == tallies.end()) {
            tally = tallies.emplace(tallies.end(), settings.dir, std::string());
            if (const int error = readTally(joinPath(settings.dir, entry.name), tally->second)) {
                if (error != ENOENT && error != ENOTDIR)
                    return codeForErrno(error);
            }
        }
        if (faillock::refusesNow(tally->second, settings, isAdmin,
                                 static_cast<std::uint64_t>(now))) {
            flags |= UF_LOCKOUT;
            break;
        }
    }
    return NERR_Success;
}

std::uint32_t LocalProvider::getDetails(const std::string &server, const std::string &user,
                                        AccountDetails &out)
{
    if (!servesServer(server))
        return NERR_InvalidComputer;
    const std::lock_guard lock(m_mutex);
    // The details a listing asks for right after an account's lookup come
    // from the files the listing read: the window asks for every account's.
    if (m_lookedUpLast && m_lookedUpLast->name == user && m_listing) {
        LookedUp lookedUp = std::move(*m_lookedUpLast);
        m_lookedUpLast.reset();
        return readDetails(m_listing->accounts[lookedUp.index], m_listing->sources,
                           std::move(lookedUp.tallies), out);
    }
    PasswdEntry entry;
    if (const std::uint32_t status = findUser(user, entry))
        return status;
    return readDetails(entry, readFlagSources(), {}, out);
}

std::uint32_t LocalProvider::readDetails(const PasswdEntry &entry, const FlagSources &sources,
                                         TallyContents tallies, AccountDetails &out) const
{
    if (sources.faillockStatus)
        return sources.faillockStatus;
    const auto now = static_cast<std::uint64_t>(m_options.now());

    // Each folder's tally once, however many lines read it: the lookup may
    // have read some already.
    for (const FaillockLine &line : sources.faillock) {
        const std::string &dir = line.settings.dir;
        if (std::any_of(tallies.begin(), tallies.end(),
                        [&](const auto &read) { return read.first == dir; }))
            continue;
        std::string &tally = tallies.emplace_back(dir, std::string()).second;
        // No tally there when the listing began: nothing to open.
        if (const auto listed = sources.tallies.find(dir); listed != sources.tallies.end() &&
                                                           listed->second &&
                                                           !listed->second->contains(entry.name))
            continue;
        if (const int error = readTally(joinPath(dir, entry.name), tally);
            error && error != ENOENT && error != ENOTDIR)
            return codeForErrno(error);
    }

    out = AccountDetails{};
    for (const auto &[dir, tally] : tallies) {
        for (const faillock::TallyRecord &record : faillock::decodeTally(tally)) {
            FailedLogon failure;
            failure.time = static_cast<std::int64_t>(record.time);
            failure.from = record.source;
            failure.kind = record.status & 0x2   ? FailedLogon::Source::Host
                           : record.status & 0x4 ? FailedLogon::Source::Terminal
                                                 : FailedLogon::Source::Service;
            failure.counts = record.valid();
            out.failedLogons += failure.counts ? 1 : 0;
            out.failures.push_back(std::move(failure));
        }
    }
    std::stable_sort(out.failures.begin(), out.failures.end(),
                     [](const FailedLogon &a, const FailedLogon &b) { return a.time < b.time; });
    if (!out.failures.empty()) {
        out.lastFailedLogon = times::fromUnixTime(out.failures.back().time);
        out.lastFailedLogonFrom = out.failures.back().from;
    }

    bool untilReset = false;
    for (const FaillockLine &line : sources.faillock) {
        if (!line.refuses)
            continue;
        const bool isAdmin = local::isAdmin(entry, line.settings.adminGroup, sources.adminGroups);
        const auto tally = std::find_if(tallies.begin(), tallies.end(), [&](const auto &read) {
            return read.first == line.settings.dir;
        });
        const auto lock = faillock::lockNow(tally->second, line.settings, isAdmin, now);
        if (!lock)
            continue;
        const auto since = static_cast<std::int64_t>(lock->since);
        out.lockedOutSince = std::min(out.lockedOutSince.value_or(since), since);
        if (!lock->until)
            untilReset = true;
        else
            out.unlocksAt =
                std::max(out.unlocksAt.value_or(0), static_cast<std::int64_t>(*lock->until));
    }
    if (untilReset)
        out.unlocksAt.reset();
    return NERR_Success;
}

std::optional<local::NameSet> LocalProvider::listTallies(const std::string &systemFolder) const
{
    const std::string folder = pathOf(systemFolder);
    if (refusedRead(m_options, systemFolder, folder))
        return std::nullopt;
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return errno == ENOENT || errno == ENOTDIR ? std::make_optional<local::NameSet>()
                                                   : std::nullopt;
    local::NameSet names;
    while (const dirent *entry = ::readdir(dir.get()))
        names.insert(entry->d_name);
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
    const local::UidRange range = local::uidRangeOf(defsError ? std::string_view() : defs);

    std::string content;
    if (const int error = readFile("/etc/passwd", content))
        return codeForErrno(error);
    accounts = local::parsePasswd(content, &range);
    return NERR_Success;
}

std::uint32_t LocalProvider::enumerate(const std::string &server, std::uint32_t filter,
                                       std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                                       std::vector<AccountEntry> &out)
{
    if (!servesServer(server))
        return NERR_InvalidComputer;
    const std::lock_guard lock(m_mutex);
    m_justListed.start(server);
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
        for (const FaillockLine &line : snapshot->sources.faillock) {
            auto &tallies = snapshot->sources.tallies;
            if (!tallies.contains(line.settings.dir))
                tallies.emplace(line.settings.dir, listTallies(line.settings.dir));
        }
        // Each account asked now, all at once, rather than one by one as
        // the lookups come: the lookups then touch no table of names.
        const std::vector<FaillockLine> &lines = snapshot->sources.faillock;
        auto &tallied = snapshot->tallied;
        tallied.resize(lines.size());
        for (std::size_t at = 0; at < lines.size(); ++at) {
            const std::string &dir = lines[at].settings.dir;
            std::size_t same = 0;
            while (same < at && lines[same].settings.dir != dir)
                ++same;
            if (same < at)
                tallied[at] = tallied[same];
            else if (const auto &names = snapshot->sources.tallies.at(dir))
                tallied[at] = names->containsEach(snapshot->accounts);
        }
        m_listing = std::move(snapshot);
        m_shadowCursor = 0;
    }
    const std::vector<PasswdEntry> &accounts = m_listing->accounts;
    return listBatch(
        prefMaxLen, resumeHandle, accounts.size(), NERR_Success,
        [&](std::size_t i) {
            return AccountEntry{accounts[i].name, {}, {}, accounts[i].fullName};
        },
        out, &m_justListed);
}

std::uint32_t LocalProvider::getInfo(const std::string &server, const std::string &user,
                                     AccountInfo &out)
{
    if (!servesServer(server))
        return NERR_InvalidComputer;
    const std::lock_guard lock(m_mutex);
    // The lookups of the accounts the listing has just handed out use the
    // files the listing read, once each; the tally is read now.
    m_lookedUpLast.reset();
    if (const auto listed = m_justListed.take(server, user); listed && m_listing) {
        const PasswdEntry &entry = m_listing->accounts[*listed];
        const ListedPlace place{*m_listing, *listed, m_shadowCursor};
        std::uint32_t flags = 0;
        TallyContents tallies;
        if (const std::uint32_t status =
                readFlags(entry, m_listing->sources, flags, &tallies, &place))
            return status;
        m_lookedUpLast = LookedUp{user, *listed, std::move(tallies)};
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
        m_justListed.clear();
    }
    PasswdEntry entry;
    if (const std::uint32_t status = findUser(user, entry))
        return status;
    const FlagSources sources = readFlagSources();
    std::uint32_t current = 0;
    if (const std::uint32_t status = readFlags(entry, sources, current))
        return status;
    if ((flags ^ current) & ~UF_LOCKOUT)
        return ERROR_NOT_SUPPORTED;
    // A lockout can be cleared, not set.
    if (flags & UF_LOCKOUT)
        return NERR_Success;

    // Every folder a line reads, each once; a folder that cannot be reset
    // does not keep the others from being reset.
    std::set<std::string> folders;
    for (const FaillockLine &line : sources.faillock) {
        std::string folder = line.settings.dir;
        while (folder.size() > 1 && folder.ends_with('/'))
            folder.pop_back();
        folders.insert(std::move(folder));
    }
    std::uint32_t result = NERR_Success;
    for (const std::string &folder : folders) {
        if (const std::uint32_t status = resetTally(folder, entry.name); status && !result)
            result = status;
    }
    return result;
}

std::uint32_t LocalProvider::resetTally(const std::string &systemFolder,
                                        const std::string &user) const
{
    const std::string folderPath = pathOf(systemFolder);
    if (m_options.access) {
        if (const int refused = m_options.access(folderPath + "/" + user, true))
            return codeForErrno(refused);
    }
    // Emptying the file is what "faillock --reset" does; no file, no tally.
    // Under pam_faillock's own lock: a reset that landed while it was reading
    // and rewriting the tally would be undone by its write.
    const files::Descriptor folder = openTallyFolder(m_options.root, systemFolder);
    if (!folder)
        return errno == ENOENT || errno == ENOTDIR ? NERR_Success : codeForErrno(errno);
    // Never through a link (the user owns the file and could plant one), never
    // a FIFO or device that would hang or be written to.
    const files::Descriptor tally = files::openRegularAt(folder.get(), user.c_str(), O_WRONLY);
    if (!tally)
        return errno == ENOENT || errno == ENOTDIR ? NERR_Success : codeForErrno(errno);
    int error = lockTally(tally.get(), LOCK_EX);
    if (!error && ::ftruncate(tally.get(), 0) != 0)
        error = errno;
    return error ? codeForErrno(error) : NERR_Success;
}

} // namespace netapi

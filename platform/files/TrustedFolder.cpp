#include "platform/files/TrustedFolder.h"

#include <cerrno>
#include <climits>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

// Folders on the way are only searched, so opening them asks for no right to
// read them (a home folder may be 0711).
constexpr int folderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// As many links as the kernel follows in one path.
constexpr int maxLinks = 40;

const char *const otherOwner = "belongs to another user";
const char *const othersWrite = "is writable by other users";
const char *const linkInShared = "is a symbolic link in a folder other users may write to";
const char *const aboveRoot = "leads above the folder the walk is kept in";

std::string joined(const std::string &folder, std::string_view name)
{
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

std::string parentOf(const std::string &path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

// One folder the walk has reached.
struct Place
{
    Descriptor fd;
    std::string path;    // as walked, for messages
    bool shared = false; // others may write to it (it has the sticky bit)
    int depth = 0;       // folders below the folder the walk is kept in
};

class Walk
{
public:
    explicit Walk(Refusal &refusal) : m_refusal(refusal) { m_refusal = Refusal{}; }

    // Opens `/`, then `root` if any, walked from `/`, as the folder the walk is
    // kept in; `path` is then to be walked from there (from the working
    // folder when relative and no root is given).
    bool begin(std::string_view root, std::string_view path)
    {
        if (!enter(Descriptor(::open("/", folderFlags)), "/", 0))
            return false;
        m_top = copy(m_here);
        if (!root.empty()) {
            if (root.front() != '/') {
                errno = EINVAL;
                return false;
            }
            push(root);
            if (!walk(0))
                return false;
            m_here.depth = 0;
            m_top = copy(m_here);
        } else if (path.empty() || path.front() != '/') {
            char cwd[PATH_MAX];
            if (!::getcwd(cwd, sizeof cwd))
                return false;
            push(path);
            push(cwd);
            return true;
        }
        push(path);
        return m_top.fd.get() >= 0;
    }

    // Makes missing folders from here on.
    void createMissing(bool create) { m_create = create; }

    // Walks the names still to walk until `keep` of them are left.
    bool walk(std::size_t keep)
    {
        while (m_pending.size() > keep) {
            const std::string name = std::move(m_pending.front());
            m_pending.pop_front();
            if (name == ".")
                continue;
            if (!(name == ".." ? up() : down(name)))
                return false;
        }
        return true;
    }

    const std::deque<std::string> &pending() const { return m_pending; }
    const Place &here() const { return m_here; }

    // Takes the next name as a symbolic link in the folder reached, and walks
    // on through it. False with errno set when it is none.
    bool followLink(int error)
    {
        const std::string name = std::move(m_pending.front());
        m_pending.pop_front();
        const Descriptor link(
            ::openat(m_here.fd.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat st
        {};
        if (!link || ::fstat(link.get(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            errno = error;
            return false;
        }
        // Anyone may have planted it there.
        if (m_here.shared)
            return refuse(joined(m_here.path, name), linkInShared);
        if (++m_links > maxLinks) {
            errno = ELOOP;
            return false;
        }
        char target[PATH_MAX];
        const ssize_t size = ::readlinkat(link.get(), "", target, sizeof target);
        if (size < 0)
            return false;
        if (static_cast<std::size_t>(size) >= sizeof target) {
            errno = ENAMETOOLONG;
            return false;
        }
        const std::string_view text(target, static_cast<std::size_t>(size));
        push(text);
        if (!text.empty() && text.front() == '/')
            m_here = copy(m_top);
        return m_here.fd.get() >= 0;
    }

    // The folder reached, unless anyone else may write to it; opened for
    // reading where we may, so that it can be synced and listed.
    Descriptor finish()
    {
        if (m_here.shared) {
            refuse(m_here.path, othersWrite);
            return {};
        }
        Descriptor readable(::openat(m_here.fd.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        return readable ? std::move(readable) : std::move(m_here.fd);
    }

private:
    // Puts the names of `path` before those still to walk.
    void push(std::string_view path)
    {
        std::deque<std::string> names;
        while (!path.empty()) {
            const std::size_t slash = path.find('/');
            const std::string_view name = path.substr(0, slash);
            if (!name.empty())
                names.emplace_back(name);
            path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
        }
        m_pending.insert(m_pending.begin(), names.begin(), names.end());
    }

    static Place copy(const Place &place)
    {
        return Place{Descriptor(::fcntl(place.fd.get(), F_DUPFD_CLOEXEC, 0)), place.path,
                     place.shared, place.depth};
    }

    bool refuse(std::string folder, const char *why)
    {
        m_refusal.folder = std::move(folder);
        m_refusal.why = why;
        errno = EACCES;
        return false;
    }

    bool down(const std::string &name)
    {
        Descriptor next(::openat(m_here.fd.get(), name.c_str(), folderFlags));
        if (!next && errno == ENOENT && m_create) {
            // Someone quicker made it: it is checked like any other.
            if (::mkdirat(m_here.fd.get(), name.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
            next.reset(::openat(m_here.fd.get(), name.c_str(), folderFlags));
        }
        if (!next) {
            if (errno != ELOOP && errno != ENOTDIR)
                return false;
            m_pending.push_front(name);
            return followLink(errno);
        }
        return enter(std::move(next), joined(m_here.path, name), m_here.depth + 1);
    }

    bool up()
    {
        if (m_here.depth == 0)
            return refuse(joined(m_here.path, ".."), aboveRoot);
        return enter(Descriptor(::openat(m_here.fd.get(), "..", folderFlags)),
                     parentOf(m_here.path), m_here.depth - 1);
    }

    bool enter(Descriptor folder, std::string path, int depth)
    {
        struct stat st
        {};
        if (!folder || ::fstat(folder.get(), &st) != 0)
            return false;
        // Root's own folders (the system store, pam_faillock's) are as safe as ours.
        if (st.st_uid != 0 && st.st_uid != ::geteuid())
            return refuse(std::move(path), otherOwner);
        const bool shared = st.st_mode & (S_IWGRP | S_IWOTH);
        if (shared && !(st.st_mode & S_ISVTX))
            return refuse(std::move(path), othersWrite);
        m_here = Place{std::move(folder), std::move(path), shared, depth};
        return true;
    }

    Refusal &m_refusal;
    Place m_here;
    Place m_top; // the folder the walk is kept in
    std::deque<std::string> m_pending;
    int m_links = 0;
    bool m_create = false;
};

} // namespace

std::string Refusal::describe(std::string_view target) const
{
    while (target.size() > 1 && target.back() == '/')
        target.remove_suffix(1);
    if (!why)
        return std::string(target);
    if (folder == target)
        return folder + " " + why;
    return std::string(target) + " is reached through " + folder + ", which " + why;
}

Descriptor openTrustedFolder(std::string_view path, Refusal &refusal, const WalkOptions &options)
{
    Walk walk(refusal);
    if (!walk.begin(options.root, path))
        return {};
    walk.createMissing(options.create);
    if (!walk.walk(0))
        return {};
    return walk.finish();
}

Descriptor openTrustedParent(std::string_view path, std::string &name, Refusal &refusal,
                             const WalkOptions &options)
{
    name.clear();
    Walk walk(refusal);
    if (!walk.begin(options.root, path))
        return {};
    walk.createMissing(options.create);
    for (;;) {
        if (!walk.walk(1))
            return {};
        if (walk.pending().empty() || walk.pending().front() == "." ||
            walk.pending().front() == "..") {
            errno = EISDIR;
            return {};
        }
        const std::string &last = walk.pending().front();
        struct stat st
        {};
        // In a folder others may write to, the walk is refused below.
        if (walk.here().shared ||
            ::fstatat(walk.here().fd.get(), last.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISLNK(st.st_mode)) {
            name = last;
            break;
        }
        if (!walk.followLink(ELOOP))
            return {};
    }
    return walk.finish();
}

} // namespace files

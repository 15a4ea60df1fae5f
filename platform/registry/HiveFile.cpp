#include "platform/registry/HiveFile.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace registry {

namespace {

constexpr auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
// Another process holds the lock only for one re-read and one write.
constexpr int lockTimeoutMs = 10000;
// Enough to tell what went wrong without flooding the terminal.
constexpr std::size_t warnedIssuesPerRead = 10;

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

// Creates the folder and every missing folder above it, owner-only.
bool ensureFolder(const QString &folder)
{
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString prefix;
    for (const QString &part : parts) {
        prefix += QLatin1Char('/') + part;
        const QByteArray native = nativePath(prefix);
        struct stat st
        {};
        if (::stat(native.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return false;
            continue;
        }
        if (errno != ENOENT)
            return false;
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

void warnIssues(const QString &path, const std::vector<HiveIssue> &issues)
{
    for (std::size_t i = 0; i < issues.size() && i < warnedIssuesPerRead; ++i)
        qWarning("registry: %s:%d: line skipped: %s", qPrintable(path), issues[i].line,
                 qPrintable(issues[i].reason));
    if (issues.size() > warnedIssuesPerRead)
        qWarning("registry: %s: %zu more lines skipped", qPrintable(path),
                 issues.size() - warnedIssuesPerRead);
}

// Copies a file we are about to rewrite aside, under a name no other file has.
bool backUp(const QString &path, const QByteArray &bytes)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = path + QLatin1Char('.') + stamp + QStringLiteral(".bak");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QLatin1Char('.') + stamp + QLatin1Char('-') + QString::number(n) +
                 QStringLiteral(".bak");
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(ownerOnly);
    if (file.write(bytes) != bytes.size())
        return false;
    if (!file.commit())
        return false;
    qWarning("registry: %s: the lines that could not be read are kept in %s", qPrintable(path),
             qPrintable(target));
    return true;
}

// An exclusive flock on "<hive>.lock", a file that stays in place. The
// kernel drops the lock when its holder exits or is killed, so no lock ever
// outlives a crash, and taking it writes nothing to disk. (QLockFile syncs a
// new lock file on every lock, which would double the cost of a flush, and
// cannot tell a holder that died before writing its process id.)
class HiveLock
{
public:
    enum class Result
    {
        Locked,
        Denied,
        TimedOut,
        Failed
    };

    HiveLock() = default;
    HiveLock(const HiveLock &) = delete;
    HiveLock &operator=(const HiveLock &) = delete;
    // Closing the file releases the lock.
    ~HiveLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    Result acquire(const QString &path)
    {
        const QByteArray native = nativePath(path);
        m_fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0)
            return errno == EACCES || errno == EPERM || errno == EROFS ? Result::Denied
                                                                       : Result::Failed;
        QElapsedTimer waited;
        waited.start();
        int pauseMs = 1;
        for (;;) {
            if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
                return Result::Locked;
            if (errno == EINTR)
                continue;
            if (errno != EWOULDBLOCK)
                return Result::Failed;
            if (waited.elapsed() > lockTimeoutMs)
                return Result::TimedOut;
            // Another writer holds the lock for one re-read and one write.
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
            pauseMs = std::min(pauseMs * 2, 20);
        }
    }

private:
    int m_fd = -1;
};

} // namespace

void HiveChange::applyTo(Hive &hive) const
{
    if (setsValue)
        hive.setValue(path, name, type, data);
    else
        hive.ensureKey(path);
}

HiveFile::HiveFile(QString path, QByteArray rootName)
    : m_path(std::move(path)), m_rootName(rootName), m_hive(std::move(rootName))
{}

HiveFile::ReadState HiveFile::reload()
{
    const QByteArray native = nativePath(m_path);
    struct stat st
    {};
    ReadState state = ReadState::Read;
    QByteArray bytes;
    if (::stat(native.constData(), &st) != 0) {
        // A file in place of a folder above it: there is nothing to read either.
        state = errno == ENOENT || errno == ENOTDIR ? ReadState::Missing : ReadState::Failed;
    } else if (!S_ISREG(st.st_mode)) {
        state = ReadState::Failed;
    } else {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly)) {
            state = ReadState::Failed;
        } else {
            bytes = file.readAll();
            if (file.error() != QFileDevice::NoError)
                state = ReadState::Failed;
        }
    }

    if (state == ReadState::Failed) {
        if (m_state != ReadState::Failed || !m_loaded)
            qWarning("registry: %s cannot be read; its keys are left alone", qPrintable(m_path));
        bytes.clear();
    }
    if (m_loaded && state == m_state && bytes == m_bytes)
        return state;

    std::vector<HiveIssue> issues;
    m_hive = Hive::parse(m_rootName, bytes, &issues);
    warnIssues(m_path, issues);
    m_issueCount = static_cast<int>(issues.size());
    m_bytes = std::move(bytes);
    m_state = state;
    m_loaded = true;
    return state;
}

const Hive &HiveFile::current()
{
    reload();
    return m_hive;
}

bool HiveFile::writable() const
{
    const QByteArray native = nativePath(m_path);
    struct stat st
    {};
    QString folder = QFileInfo(m_path).absolutePath();
    if (::stat(native.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || ::access(native.constData(), W_OK) != 0)
            return false;
    } else if (errno != ENOENT) {
        return false;
    }
    for (;;) {
        const QByteArray nativeFolder = nativePath(folder);
        if (::stat(nativeFolder.constData(), &st) == 0)
            return S_ISDIR(st.st_mode) && ::access(nativeFolder.constData(), W_OK | X_OK) == 0;
        if (errno != ENOENT)
            return false;
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            return false;
        folder = parent;
    }
}

CommitResult HiveFile::commit(const std::vector<HiveChange> &changes)
{
    if (!ensureFolder(QFileInfo(m_path).absolutePath()))
        return CommitResult::AccessDenied;

    HiveLock lock;
    switch (lock.acquire(m_path + QStringLiteral(".lock"))) {
    case HiveLock::Result::Locked:
        break;
    case HiveLock::Result::Denied:
        return CommitResult::AccessDenied;
    case HiveLock::Result::TimedOut:
    case HiveLock::Result::Failed:
        return CommitResult::LockFailed;
    }

    // What another process flushed since we last looked is kept: only our
    // changes go on top of it.
    if (reload() == ReadState::Failed)
        return CommitResult::Unreadable;
    if (m_issueCount > 0 && !backUp(m_path, m_bytes))
        return CommitResult::WriteFailed;

    Hive next = m_hive;
    for (const HiveChange &change : changes)
        change.applyTo(next);
    QByteArray bytes = next.serialize();

    QSaveFile file(m_path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return writable() ? CommitResult::WriteFailed : CommitResult::AccessDenied;
    file.setPermissions(ownerOnly);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return CommitResult::WriteFailed;

    m_hive = std::move(next);
    m_bytes = std::move(bytes);
    m_issueCount = 0;
    m_state = ReadState::Read;
    m_loaded = true;
    return CommitResult::Done;
}

std::shared_ptr<HiveFile> hiveFileFor(const QString &path, const QByteArray &rootName)
{
    // Kept for the life of the process, so that a key opened again finds the
    // parsed file in memory when the bytes on disk have not changed.
    static std::map<QString, std::shared_ptr<HiveFile>> files;
    auto &file = files[path];
    if (!file)
        file = std::make_shared<HiveFile>(path, rootName);
    return file;
}

} // namespace registry

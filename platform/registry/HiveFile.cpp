#include "platform/registry/HiveFile.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
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
// A lock file is written within microseconds of its creation; one still
// empty after this long was left by a process that died in between.
constexpr qint64 abandonedLockAgeMs = 1000;
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

// QLockFile recognises a dead holder by the process id in the lock file, so a
// holder killed between creating the file and writing its id would block
// every writer until the lock counts as stale by age (30 s). Such a file is
// empty; a living holder keeps a flock on it, so the flock tells them apart.
bool removeAbandonedLock(const QString &lockPath)
{
    const QByteArray native = nativePath(lockPath);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool removed = false;
    struct stat held
    {};
    if (::fstat(fd, &held) == 0 && held.st_size == 0) {
        const qint64 ageMs = QDateTime::currentMSecsSinceEpoch() -
                             (qint64(held.st_mtim.tv_sec) * 1000 + held.st_mtim.tv_nsec / 1000000);
        struct stat now
        {};
        if (ageMs > abandonedLockAgeMs && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::stat(native.constData(), &now) == 0 && now.st_ino == held.st_ino &&
            now.st_dev == held.st_dev)
            removed = ::unlink(native.constData()) == 0;
    }
    ::close(fd);
    return removed;
}

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
        state = errno == ENOENT ? ReadState::Missing : ReadState::Failed;
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

    const QString lockPath = m_path + QStringLiteral(".lock");
    QLockFile lock(lockPath);
    // QLockFile's own waiting sleeps 100 ms and more between tries, far
    // longer than a flush holds the lock; short sleeps keep writers moving.
    QElapsedTimer waited;
    waited.start();
    int pauseMs = 1;
    while (!lock.tryLock(0)) {
        if (lock.error() == QLockFile::PermissionError)
            return CommitResult::AccessDenied;
        if (lock.error() != QLockFile::LockFailedError || waited.elapsed() > lockTimeoutMs)
            return CommitResult::LockFailed;
        // QLockFile takes a second lock of its own while it removes a stale one.
        removeAbandonedLock(lockPath);
        removeAbandonedLock(lockPath + QStringLiteral(".rmlock"));
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        pauseMs = std::min(pauseMs * 2, 50);
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

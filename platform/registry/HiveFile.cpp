#include "platform/registry/HiveFile.h"

#include "platform/Logging.h"
#include "platform/files/AtomicReplace.h"
#include "platform/files/RegularFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace registry {

namespace {

// Another process holds the lock only for one re-read and one write.
constexpr auto lockTimeout = std::chrono::seconds(10);
// Enough to tell what went wrong without flooding the terminal.
constexpr std::size_t warnedIssuesPerRead = 10;

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

void warnIssues(const QString &path, const std::vector<HiveIssue> &issues)
{
    for (std::size_t i = 0; i < issues.size() && i < warnedIssuesPerRead; ++i)
        qCWarning(lcRegistry, "%s:%d: line skipped: %s", qPrintable(path), issues[i].line,
                  qPrintable(issues[i].reason));
    if (issues.size() > warnedIssuesPerRead)
        qCWarning(lcRegistry, "%s: %zu more lines skipped", qPrintable(path),
                  issues.size() - warnedIssuesPerRead);
}

// Copies a file we are about to rewrite aside, under a name no other file has.
bool backUp(int folder, const QString &path, const QByteArray &bytes)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = QFileInfo(path).fileName() + QLatin1Char('.') + stamp;
    QString name = base + QStringLiteral(".bak");
    for (int n = 2; n < 1000; ++n) {
        const int error = files::writeNewAt(folder, nativePath(name).constData(),
                                            std::string_view(bytes.constData(), bytes.size()));
        if (!error) {
            qCWarning(lcRegistry, "%s: the lines that could not be read are kept in %s",
                      qPrintable(path),
                      qPrintable(QFileInfo(path).absolutePath() + QLatin1Char('/') + name));
            return true;
        }
        if (error != EEXIST)
            return false;
        name = base + QLatin1Char('-') + QString::number(n) + QStringLiteral(".bak");
    }
    return false;
}

// An exclusive flock on "<hive>.lock", a file that stays in place, held
// until the descriptor returned closes. The kernel drops the lock when its
// holder exits or is killed, so no lock ever outlives a crash, and taking it
// writes nothing to disk. (QLockFile syncs a new lock file on every lock,
// which would double the cost of a flush, and cannot tell a holder that died
// before writing its process id.) Never through a link, and never a FIFO or
// device that would block or be written to.
CommitResult lockHive(int folder, const QByteArray &name, files::Descriptor &lock)
{
    lock = files::openRegularAt(folder, name.constData(), O_RDWR | O_CREAT, 0600);
    if (!lock)
        return errno == EACCES || errno == EPERM || errno == EROFS || errno == ELOOP ||
                       errno == EINVAL
                   ? CommitResult::AccessDenied
                   : CommitResult::LockFailed;
    return files::lockWithin(lock.get(), LOCK_EX, lockTimeout) == 0 ? CommitResult::Done
                                                                    : CommitResult::LockFailed;
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
{
    const QFileInfo info(m_path);
    m_folderPath = info.absolutePath();
    m_fileName = nativePath(info.fileName());
}

HiveFile::~HiveFile() = default;

int HiveFile::folder(bool create)
{
    if (m_folder) {
        // A folder removed since it was opened is looked for afresh.
        struct stat st
        {};
        if (::fstat(m_folder.get(), &st) == 0 && st.st_nlink > 0)
            return m_folder.get();
        m_folder.reset();
    }
    if (m_folderRefused) {
        errno = EACCES;
        return -1;
    }
    // The tool may run as root with a user's environment: whoever controls
    // any folder on the way could swap the hive, or a folder above it, for a
    // link to any file between two calls. Missing folders are made owner-only.
    files::Refusal refusal;
    files::WalkOptions options;
    options.create = create;
    m_folder = files::openTrustedFolder(nativePath(m_folderPath).toStdString(), refusal, options);
    if (!m_folder) {
        if (refusal)
            refuseFolder(refusal);
        return -1;
    }
    return m_folder.get();
}

void HiveFile::refuseFolder(const files::Refusal &refusal)
{
    m_folderRefused = true;
    errno = EACCES;
    // Once per folder, however many roots live in it.
    static std::set<QString> warned;
    if (warned.insert(m_folderPath).second)
        qCWarning(lcRegistry, "%s; the settings in it are neither read nor written",
                  refusal.describe(nativePath(m_folderPath).toStdString()).c_str());
}

HiveFile::ReadState HiveFile::reload()
{
    ReadState state = ReadState::Read;
    std::string read;
    const int dir = folder(false);
    if (dir < 0) {
        state = !m_folderRefused && (errno == ENOENT || errno == ENOTDIR) ? ReadState::Missing
                                                                          : ReadState::Failed;
    } else if (const files::Descriptor file =
                   files::openRegularAt(dir, m_fileName.constData(), O_RDONLY);
               !file) {
        state = errno == ENOENT ? ReadState::Missing : ReadState::Failed;
    } else if (files::readUpTo(file.get(), read) != 0) {
        state = ReadState::Failed;
    }
    QByteArray bytes = QByteArray::fromStdString(read);

    if (state == ReadState::Failed) {
        if (m_state != ReadState::Failed || !m_loaded)
            qCWarning(lcRegistry, "%s cannot be read; its keys are left alone", qPrintable(m_path));
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

bool HiveFile::writable()
{
    const int dir = folder(false);
    if (dir >= 0) {
        struct stat st
        {};
        if (::fstatat(dir, m_fileName.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (!S_ISREG(st.st_mode) || ::faccessat(dir, m_fileName.constData(), W_OK, 0) != 0)
                return false;
        } else if (errno != ENOENT) {
            return false;
        }
        return ::faccessat(dir, ".", W_OK | X_OK, 0) == 0;
    }
    if (m_folderRefused)
        return false;
    // No folder yet: the nearest folder above it that exists must let us create it.
    QString above = m_folderPath;
    for (;;) {
        const QByteArray native = nativePath(above);
        struct stat st
        {};
        if (::stat(native.constData(), &st) == 0)
            return S_ISDIR(st.st_mode) && ::access(native.constData(), W_OK | X_OK) == 0;
        if (errno != ENOENT)
            return false;
        const QString parent = QFileInfo(above).absolutePath();
        if (parent == above)
            return false;
        above = parent;
    }
}

CommitResult HiveFile::commit(const std::vector<HiveChange> &changes)
{
    const int dir = folder(true);
    if (dir < 0)
        return CommitResult::AccessDenied;

    files::Descriptor lock;
    if (const CommitResult locked = lockHive(dir, m_fileName + ".lock", lock);
        locked != CommitResult::Done)
        return locked;

    // What another process flushed since we last looked is kept: only our
    // changes go on top of it.
    if (reload() == ReadState::Failed)
        return CommitResult::Unreadable;
    if (m_issueCount > 0 && !backUp(dir, m_path, m_bytes))
        return CommitResult::WriteFailed;

    Hive next = m_hive;
    for (const HiveChange &change : changes)
        change.applyTo(next);
    QByteArray bytes = next.serialize();

    // A new file beside the old one, renamed over it: a crash leaves one or
    // the other, whole.
    if (const int error = files::replaceAt(dir, m_fileName.constData(),
                                           std::string_view(bytes.constData(), bytes.size())))
        return error == EACCES || error == EPERM || error == EROFS ? CommitResult::AccessDenied
                                                                   : CommitResult::WriteFailed;

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

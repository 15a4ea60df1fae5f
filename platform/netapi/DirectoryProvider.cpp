#include "platform/netapi/DirectoryProvider.h"

#include "platform/Logging.h"
#include "platform/files/AtomicReplace.h"
#include "platform/files/RegularFile.h"
#include "platform/files/TrustedFolder.h"
#include "platform/netapi/NetApi.h"
#include "platform/text/CaseFolding.h"

#include <QCryptographicHash>
#include <QString>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace netapi {

namespace {

using directory::Account;
using directory::Server;

// Another program holds the file's lock only for one re-read and one write.
constexpr auto lockTimeout = std::chrono::seconds(10);

// Held only in memory, to tell whether the file changed between reading it
// and writing it back; BLAKE2b is the cheapest strong hash Qt offers.
QByteArray digest(QByteArrayView content)
{
    return QCryptographicHash::hash(content, QCryptographicHash::Blake2b_256);
}

std::string errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error)).toStdString();
}

// The folder that holds the file at `path`, and the file's name in it, with
// every link in the path followed, once, here. Empty with errno set when
// there is none.
files::Descriptor openFolderOf(const std::string &path, std::string &fileName)
{
    char *real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return {};
    const QByteArray resolved(real);
    std::free(real);
    const qsizetype slash = resolved.lastIndexOf('/');
    const QByteArray folderPath = slash == 0 ? QByteArray("/") : resolved.left(slash);
    fileName = resolved.mid(slash + 1).toStdString();
    return files::Descriptor(::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

} // namespace

DirectoryProvider::DirectoryProvider(const std::string &path) : m_path(path)
{
    auto unreadable = [&](int error) {
        return DirectoryFileError(
            path + ": cannot read: " + (error == EINVAL ? "not a regular file" : errorText(error)));
    };
    // From here on the file is found through its folder, never through a
    // link. A reset rewrites it, as root too: only in a folder that nobody
    // else controls, nor any folder on the way to it, from `/` down. A file
    // elsewhere is read all the same.
    files::Refusal refusal;
    m_folder = files::openTrustedParent(path, m_fileName, refusal);
    if (refusal) {
        m_untrustedFolder = refusal.describe(refusal.folder);
        m_folder = openFolderOf(path, m_fileName);
    }
    if (!m_folder)
        throw unreadable(errno);
    struct stat st
    {};
    const files::Descriptor file = files::openRegularAt(m_folder.get(), m_fileName.c_str(),
                                                        O_RDONLY, 0, files::Links::Refuse, &st);
    if (!file)
        throw unreadable(errno);
    // Room for the whole file at once: growing the text as it comes would
    // hold two copies of it for a moment.
    std::string content;
    content.reserve(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)) + 65536);
    if (const int error = files::readUpTo(file.get(), content))
        throw unreadable(error);
    m_device = st.st_dev;
    m_inode = st.st_ino;

    // Read in place; nothing keeps the text once it is read.
    directory::Content read = directory::read(
        QByteArray::fromRawData(content.data(), static_cast<qsizetype>(content.size())), path);
    m_servers = std::move(read.servers);
    m_fileDigest = digest(content);
    for (std::size_t i = 0; i < m_servers.size(); ++i)
        m_serverByName.emplace(text::foldCase(m_servers[i].name), i);
}

Server *DirectoryProvider::findServer(const std::string &name)
{
    const auto it = m_serverByName.find(text::foldCase(name));
    return it == m_serverByName.end() ? nullptr : &m_servers[it->second];
}

std::optional<DirectoryProvider::Found> DirectoryProvider::find(Server &server,
                                                                const std::string &user)
{
    const std::string key = text::foldCase(user);
    if (const auto index = server.accounts.find(key))
        return Found{&server, *index};
    if (server.generated) {
        if (const std::uint32_t n = server.generated->number(key))
            return Found{&server, server.accounts.size() + n - 1};
    }
    return std::nullopt;
}

std::uint32_t DirectoryProvider::changedElsewhere()
{
    // Someone edited, replaced or removed the file since it was loaded:
    // writing now would throw their changes away.
    m_lastWriteError = m_path + ": changed by another program since it was loaded; "
                                "restart to pick up its changes";
    return ERROR_WRITE_FAULT;
}

std::uint32_t DirectoryProvider::cannotWrite(int error)
{
    m_lastWriteError = m_path + ": cannot write: " + errorText(error);
    return error == EACCES || error == EPERM || error == EROFS ? ERROR_ACCESS_DENIED
                                                               : ERROR_WRITE_FAULT;
}

// Writes the document back; on failure leaves the file as it was. The
// file's flock (the one every writer of this tool takes) is held from the
// re-read to the rename, so two resets at once cannot both go through on
// the same old content.
std::uint32_t
DirectoryProvider::writeBack(const std::function<QByteArray(const QByteArray &)> &change)
{
    // Whoever may write in the folder could swap the file for a link to
    // any other between our check and the rename, as root too.
    if (!m_untrustedFolder.empty()) {
        m_lastWriteError = m_path + ": not written back, since " + m_untrustedFolder;
        if (!m_warnedUntrusted)
            qCWarning(lcNetApi, "%s; keep it in a folder only you can change",
                      m_lastWriteError.c_str());
        m_warnedUntrusted = true;
        return ERROR_ACCESS_DENIED;
    }
    struct stat opened
    {};
    const files::Descriptor current = files::openRegularAt(
        m_folder.get(), m_fileName.c_str(), O_RDONLY, 0, files::Links::Refuse, &opened);
    if (!current)
        return changedElsewhere();
    if (files::lockWithin(current.get(), LOCK_EX, lockTimeout) != 0) {
        m_lastWriteError = m_path + ": another program keeps the file locked; try again";
        return ERROR_WRITE_FAULT;
    }
    // What we locked must still be the file we loaded, and still be the
    // one under that name (a writer that got the lock first replaced it).
    struct stat named
    {};
    std::string content;
    if (opened.st_dev != m_device || opened.st_ino != m_inode ||
        ::fstatat(m_folder.get(), m_fileName.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        named.st_dev != opened.st_dev || named.st_ino != opened.st_ino ||
        files::readUpTo(current.get(), content) != 0 || digest(content) != m_fileDigest)
        return changedElsewhere();

    // The text is the one loaded (its digest says so), which read() accepted.
    const QByteArray next =
        change(QByteArray::fromRawData(content.data(), static_cast<qsizetype>(content.size())));
    struct stat made
    {};
    if (const int error = files::replaceAt(
            m_folder.get(), m_fileName.c_str(),
            std::string_view(next.constData(), static_cast<std::size_t>(next.size())), 0600, &made))
        return cannotWrite(error);
    m_device = made.st_dev;
    m_inode = made.st_ino;
    m_fileDigest = digest(next);
    m_lastWriteError.clear();
    return NERR_Success;
}

DirectoryProvider::~DirectoryProvider() = default;

std::unique_ptr<DirectoryProvider> DirectoryProvider::load(const std::string &path,
                                                           std::string &error)
{
    try {
        auto provider = std::make_unique<DirectoryProvider>(path);
        error.clear();
        return provider;
    } catch (const DirectoryFileError &e) {
        error = e.what();
    }
    return nullptr;
}

const std::string &DirectoryProvider::path() const
{
    return m_path;
}

const std::string &DirectoryProvider::lastWriteError() const
{
    return m_lastWriteError;
}

std::uint32_t DirectoryProvider::enumerate(const std::string &serverName, std::uint32_t filter,
                                           std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                                           std::vector<AccountEntry> &out)
{
    m_justListed.start(serverName);
    Server *server = findServer(serverName);
    if (!server)
        return NERR_InvalidComputer;
    if (filter != 0 && !(filter & FILTER_NORMAL_ACCOUNT))
        return NERR_Success;
    const std::uint64_t end =
        std::min(server->total(), server->enumFailsAfter.value_or(UINT64_MAX));
    return listBatch(
        prefMaxLen, resumeHandle, end, server->enumResult,
        [&](std::size_t i) {
            const Account account = server->at(i);
            return AccountEntry{account.name, account.comment, {}, account.fullName};
        },
        out, &m_justListed);
}

std::uint32_t DirectoryProvider::getInfo(const std::string &serverName, const std::string &user,
                                         AccountInfo &out)
{
    Server *server = findServer(serverName);
    if (!server)
        return NERR_InvalidComputer;
    std::optional<Found> found;
    if (const auto listed = m_justListed.take(serverName, user))
        found = Found{server, *listed};
    else
        found = find(*server, user);
    if (!found)
        return NERR_UserNotFound;
    const Account account = server->at(found->index);
    if (account.lookupResult != NERR_Success)
        return account.lookupResult;
    out.name = account.name;
    out.fullName = account.fullName;
    out.comment = account.comment;
    out.flags = UF_NORMAL_ACCOUNT | (account.lockedOut ? UF_LOCKOUT : 0) |
                (account.disabled ? UF_ACCOUNTDISABLE : 0);
    out.userId = server->userId(found->index);
    return NERR_Success;
}

std::uint32_t DirectoryProvider::getDetails(const std::string &serverName, const std::string &user,
                                            AccountDetails &out)
{
    m_justListed.clear();
    Server *server = findServer(serverName);
    if (!server)
        return NERR_InvalidComputer;
    const std::optional<Found> found = find(*server, user);
    if (!found)
        return NERR_UserNotFound;
    const Account account = server->at(found->index);
    if (account.lookupResult != NERR_Success)
        return account.lookupResult;
    out = account.details;
    if (!account.lockedOut) {
        out.lockedOutSince.reset();
        out.unlocksAt.reset();
    }
    return NERR_Success;
}

std::uint32_t DirectoryProvider::setFlags(const std::string &serverName, const std::string &user,
                                          std::uint32_t flags)
{
    m_justListed.clear();
    Server *server = findServer(serverName);
    if (!server)
        return NERR_InvalidComputer;
    if (server->setResult != NERR_Success)
        return server->setResult;
    const std::optional<Found> found = find(*server, user);
    if (!found)
        return NERR_UserNotFound;
    const Account before = server->at(found->index);
    // As on Windows, a lockout can be cleared but not set.
    const bool lockedOut = before.lockedOut && (flags & UF_LOCKOUT);
    const bool disabled = flags & UF_ACCOUNTDISABLE;
    if (lockedOut == before.lockedOut && disabled == before.disabled)
        return NERR_Success;

    if (found->index >= server->accounts.size()) {
        const auto n = static_cast<std::uint32_t>(found->index - server->accounts.size() + 1);
        server->generated->changed[n] = {lockedOut, disabled};
        return NERR_Success;
    }

    // Only this account's two members change; everything else in the
    // document, the order of the accounts included, is written as it was.
    // The document is made from the file's text only now, for the write.
    const auto changed = [&](const QByteArray &current) {
        return directory::text(
            directory::withAccountFlags(directory::document(current), server->jsonIndex,
                                        static_cast<qsizetype>(found->index), lockedOut, disabled));
    };
    if (const std::uint32_t status = writeBack(changed))
        return status;
    server->accounts.setFlags(found->index, lockedOut, disabled);
    return NERR_Success;
}

} // namespace netapi

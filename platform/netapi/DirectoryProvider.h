#pragma once

// Servers and accounts described by a directory file (DirectoryFile.h).
// Serves every server name when the program runs on such a file: the demo,
// and tests that want real result codes without a real server. A reset is
// written back to the file atomically, under the file's lock.

#include "platform/files/Descriptor.h"
#include "platform/netapi/AccountProvider.h"
#include "platform/netapi/DirectoryFile.h"

#include <functional>
#include <optional>
#include <sys/types.h>

namespace netapi {

class DirectoryProvider : public AccountProvider
{
public:
    // Reads and checks the whole file. Throws DirectoryFileError for a file
    // that cannot be read or is malformed; never keeps half of one.
    explicit DirectoryProvider(const std::string &path);
    ~DirectoryProvider() override;
    DirectoryProvider(const DirectoryProvider &) = delete;
    DirectoryProvider &operator=(const DirectoryProvider &) = delete;

    // The same without throwing: null, and the message in `error`.
    static std::unique_ptr<DirectoryProvider> load(const std::string &path, std::string &error);

    const std::string &path() const;
    // Why the last reset could not be written back; empty after a good one.
    const std::string &lastWriteError() const;

    std::uint32_t enumerate(const std::string &server, std::uint32_t filter,
                            std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                            std::vector<AccountEntry> &out) override;
    std::uint32_t getInfo(const std::string &server, const std::string &user,
                          AccountInfo &out) override;
    std::uint32_t setFlags(const std::string &server, const std::string &user,
                           std::uint32_t flags) override;
    // What the account's entry says; a lockout's dates only while it holds.
    std::uint32_t getDetails(const std::string &server, const std::string &user,
                             AccountDetails &out) override;

private:
    // Where an account was found: an index into the combined listing.
    struct Found
    {
        directory::Server *server = nullptr;
        std::uint64_t index = 0;
    };

    directory::Server *findServer(const std::string &name);
    static std::optional<Found> find(directory::Server &server, const std::string &user);
    std::uint32_t changedElsewhere();
    std::uint32_t cannotWrite(int error);
    // Writes back what `change` makes of the file's current text.
    std::uint32_t writeBack(const std::function<QByteArray(const QByteArray &)> &change);

    std::string m_path;
    // The file is found again through its folder and its name, never through
    // a link: the folder as it was when the file was loaded.
    files::Descriptor m_folder;
    std::string m_fileName;
    // Why no reset is written back: someone else controls the folder, or one
    // on the way to it. Empty when it is ours (or root's) from `/` down.
    std::string m_untrustedFolder;
    bool m_warnedUntrusted = false;
    dev_t m_device = 0; // of the file as last read or written
    ino_t m_inode = 0;
    QByteArray m_fileDigest; // of the file as last read or written
    std::vector<directory::Server> m_servers;
    std::unordered_map<std::string, std::size_t> m_serverByName;
    std::string m_lastWriteError;
    // The accounts handed out last, by their place in their server's listing:
    // their lookups are spared the hash table.
    JustListed<std::size_t> m_justListed;
};

} // namespace netapi

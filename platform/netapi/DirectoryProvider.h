#pragma once

// Servers and accounts described by a JSON file (the format is documented in
// the README, "The directory file"). Serves every server name when the program runs on
// such a file: the demo, and tests that want real result codes without a
// real server. A reset is written back to the file atomically.

#include "platform/netapi/AccountProvider.h"

#include <stdexcept>

namespace netapi {

// A file that cannot be used; what() reads "<file>:<line>: <what is wrong>".
class DirectoryFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

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

private:
    struct Data;
    std::unique_ptr<Data> d;
};

} // namespace netapi

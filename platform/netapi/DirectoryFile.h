#pragma once

// The directory file's format (documented in the README, "The directory
// file"): servers and their accounts as JSON. Reading is all or nothing and
// touches no file: text in, servers out, or an error naming the line and
// column of the first thing that is wrong.

#include "platform/netapi/AccountDetails.h"

#include <QByteArray>
#include <QJsonDocument>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace netapi {

// A file that cannot be used; what() reads "<file>:<line>: <what is wrong>".
class DirectoryFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
    DirectoryFileError(const std::string &file, int line, int column, const std::string &what);

    // Where in the text the fault is, both from 1; 0 when it is not about a
    // place in the text (a file that cannot be read).
    int line() const { return m_line; }
    int column() const { return m_column; }

private:
    int m_line = 0;
    int m_column = 0;
};

namespace directory {

struct Account
{
    std::string name;
    std::string fullName;
    std::string comment;
    bool lockedOut = false;
    bool disabled = false;
    std::uint32_t lookupResult = 0;
    // failedLogons, lastFailedLogon, lastFailedLogonFrom, lockedOutSince and
    // unlocksAt; the failures are not recorded one by one.
    AccountDetails details;
};

// Accounts "<prefix><n>" for n from 1 to count, made up when asked for, so a
// server of 100,000 costs nothing to load. Their resets live in memory only:
// the file holds the rule, not the accounts.
struct Generated
{
    std::string prefix;
    std::string foldedPrefix;
    std::uint32_t count = 0;
    std::uint32_t lockedOutEvery = 0;
    std::uint32_t disabledEvery = 0;
    std::unordered_map<std::uint32_t, std::pair<bool, bool>> changed; // n -> lockedOut, disabled

    // n for a folded name, or 0.
    std::uint32_t number(const std::string &foldedName) const;
    Account account(std::uint32_t n) const;
};

struct Server
{
    std::string name;
    qsizetype jsonIndex = 0;
    std::uint32_t enumResult = 0;
    std::optional<std::uint64_t> enumFailsAfter;
    std::uint32_t setResult = 0;
    std::vector<Account> accounts; // in file order, as the "accounts" array
    std::unordered_map<std::string, std::size_t> byName;
    std::optional<Generated> generated;

    std::uint64_t total() const { return accounts.size() + (generated ? generated->count : 0); }
    // The account at an index into the file's accounts followed by the generated ones.
    Account at(std::uint64_t index) const;
    std::uint32_t userId(std::uint64_t index) const
    {
        return static_cast<std::uint32_t>(1000 + index);
    }
};

struct Content
{
    QJsonDocument document; // as read, to be written back with only a reset changed
    std::vector<Server> servers;
};

// Reads a directory file's text. Throws DirectoryFileError, naming `file`,
// for one that is malformed or that a write-back would change (a member given
// twice, a number a double cannot hold).
Content read(const QByteArray &content, const std::string &file);

// The document with one account's two flags set; everything else, the order
// of the accounts included, as it was, except that an account no longer
// locked out loses its failedLogons, lockedOutSince and unlocksAt, as a
// domain controller's reset clears them.
QJsonDocument withAccountFlags(const QJsonDocument &document, qsizetype server, qsizetype account,
                               bool lockedOut, bool disabled);

// The text a document is written back as.
QByteArray text(const QJsonDocument &document);

} // namespace directory

} // namespace netapi

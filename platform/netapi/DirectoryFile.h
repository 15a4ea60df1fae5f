#pragma once

// The directory file's format (documented in the README, "The directory
// file"): servers and their accounts as JSON. Reading is all or nothing and
// touches no file: text in, servers out, or an error naming the line and
// column of the first thing that is wrong.

#include "platform/netapi/AccountDetails.h"
#include "platform/netapi/PositionIndex.h"

#include <QByteArray>
#include <QJsonDocument>
#include <cstdint>
#include <deque>
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

// The accounts a server lists in the file, kept compactly: a file of many
// accounts must not cost many times its size once read. Their texts lie one
// after the other in one store, details are kept only for the accounts that
// have some, and the index by folded name holds places, not names.
class AccountList
{
public:
    std::size_t size() const { return m_accounts.size(); }
    Account operator[](std::size_t index) const;
    void reserve(std::size_t count);
    // Adds the account under its folded name; false, leaving the list as it
    // was, when an account of that folded name is there already.
    bool add(const Account &account, const std::string &foldedName);
    // The place of the account of this folded name.
    std::optional<std::size_t> find(const std::string &foldedName) const;
    // What a reset of the account changes: its two flags, and when it is no
    // longer locked out, its failedLogons, lockedOutSince and unlocksAt.
    void setFlags(std::size_t index, bool lockedOut, bool disabled);

private:
    // A file read is smaller than 4 GiB, and so are the texts it holds.
    struct Text
    {
        std::uint32_t at = 0;
        std::uint32_t size = 0;
    };
    struct Stored
    {
        Text name, fullName, comment;
        std::uint32_t lookupResult = 0;
        std::uint32_t details = noDetails; // into m_details
        bool lockedOut = false;
        bool disabled = false;
    };
    static constexpr std::uint32_t noDetails = UINT32_MAX;

    Text store(const std::string &text);
    std::string textOf(const Text &text) const;
    // The slot of a folded name in m_index: where it is, or the empty one it would take.
    std::size_t slotOf(const std::string &foldedName, std::size_t hash) const;

    std::vector<Stored> m_accounts;
    std::deque<char> m_texts;
    std::vector<AccountDetails> m_details;
    PositionIndex m_index; // of m_accounts, by folded name
};

struct Server
{
    std::string name;
    qsizetype jsonIndex = 0;
    std::uint32_t enumResult = 0;
    std::optional<std::uint64_t> enumFailsAfter;
    std::uint32_t setResult = 0;
    AccountList accounts; // in file order, as the "accounts" array
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
    std::vector<Server> servers;
};

// Reads a directory file's text as it goes, without a tree of the whole
// document. Throws DirectoryFileError, naming `file`, for one that is
// malformed or that a write-back would change (a member given twice, a number
// a double cannot hold).
Content read(const QByteArray &content, const std::string &file);

// The document of a text read() accepted, for a write-back: made only then.
QJsonDocument document(const QByteArray &content);

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

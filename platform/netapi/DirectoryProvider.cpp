#include "platform/netapi/DirectoryProvider.h"

#include "platform/Logging.h"
#include "platform/files/TrustedFolder.h"
#include "platform/netapi/FileAccess.h"
#include "platform/netapi/NetApi.h"
#include "platform/text/CaseFolding.h"
#include "platform/text/Printable.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QString>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <variant>

namespace netapi {

namespace {

// One step of a path into the document: a member name or an array index.
using PathStep = std::variant<QString, qsizetype>;
using Path = std::vector<PathStep>;

QString describe(const Path &path)
{
    QString text;
    for (const PathStep &step : path) {
        if (const QString *key = std::get_if<QString>(&step))
            text += (text.isEmpty() ? QString() : QStringLiteral(".")) + *key;
        else
            text += QStringLiteral("[%1]").arg(std::get<qsizetype>(step));
    }
    return text;
}

// Finds where a value sits in the text, for messages that name a line.
// QJsonDocument keeps no positions; this walks text that QJsonDocument has
// already accepted as well-formed, so it only needs to skip, never to check.
class JsonLocator
{
public:
    explicit JsonLocator(const QByteArray &text) : m_text(text) {}

    // The 1-based line of the value at `path`, or of the nearest enclosing
    // value that could be found.
    int line(const Path &path) const
    {
        qsizetype pos = skipBlanks(0);
        for (const PathStep &step : path) {
            const qsizetype found = std::holds_alternative<QString>(step)
                                        ? member(pos, std::get<QString>(step))
                                        : element(pos, std::get<qsizetype>(step));
            if (found < 0)
                break;
            pos = found;
        }
        return lineAt(pos);
    }

    int lineAt(qsizetype offset) const
    {
        offset = std::clamp<qsizetype>(offset, 0, m_text.size());
        return 1 + static_cast<int>(std::count(m_text.begin(), m_text.begin() + offset, '\n'));
    }

private:
    qsizetype skipBlanks(qsizetype pos) const
    {
        while (pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[pos])))
            ++pos;
        return pos;
    }

    // pos at the opening quote; returns the position after the closing one.
    qsizetype skipString(qsizetype pos) const
    {
        for (++pos; pos < m_text.size(); ++pos) {
            if (m_text[pos] == '\\')
                ++pos;
            else if (m_text[pos] == '"')
                return pos + 1;
        }
        return pos;
    }

    qsizetype skipValue(qsizetype pos) const
    {
        if (pos >= m_text.size())
            return pos;
        if (m_text[pos] == '"')
            return skipString(pos);
        if (m_text[pos] == '{' || m_text[pos] == '[') {
            int depth = 0;
            while (pos < m_text.size()) {
                const char c = m_text[pos];
                if (c == '"') {
                    pos = skipString(pos);
                    continue;
                }
                if (c == '{' || c == '[')
                    ++depth;
                else if ((c == '}' || c == ']') && --depth == 0)
                    return pos + 1;
                ++pos;
            }
            return pos;
        }
        while (pos < m_text.size() && !std::strchr(",]} \t\r\n", m_text[pos]))
            ++pos;
        return pos;
    }

    qsizetype member(qsizetype pos, const QString &key) const
    {
        if (pos >= m_text.size() || m_text[pos] != '{')
            return -1;
        const QByteArray quoted = '"' + key.toUtf8() + '"';
        pos = skipBlanks(pos + 1);
        while (pos < m_text.size() && m_text[pos] == '"') {
            const qsizetype keyEnd = skipString(pos);
            const bool match = m_text.mid(pos, keyEnd - pos) == quoted;
            pos = skipBlanks(keyEnd);
            pos = skipBlanks(pos + 1); // the colon
            if (match)
                return pos;
            pos = skipBlanks(skipValue(pos));
            if (pos < m_text.size() && m_text[pos] == ',')
                pos = skipBlanks(pos + 1);
        }
        return -1;
    }

    qsizetype element(qsizetype pos, qsizetype index) const
    {
        if (pos >= m_text.size() || m_text[pos] != '[')
            return -1;
        pos = skipBlanks(pos + 1);
        for (qsizetype i = 0; pos < m_text.size() && m_text[pos] != ']'; ++i) {
            if (i == index)
                return pos;
            pos = skipBlanks(skipValue(pos));
            if (pos < m_text.size() && m_text[pos] == ',')
                pos = skipBlanks(pos + 1);
        }
        return -1;
    }

    const QByteArray &m_text;
};

// The text with every U+FEFF inside a JSON string written as the escape
// "\ufeff". Qt's UTF-8 decoding drops a byte-order mark at the start of the
// text it decodes, and its JSON parser decodes each string on its own: an
// account "\ufeffadmin" written out as UTF-8 would load as "admin" (and be
// written back so). Escaped, it is kept. Outside strings nothing changes, so
// what is not JSON stays so; no line break is added, so lines still count.
QByteArray withByteOrderMarksEscaped(const QByteArray &text)
{
    static const QByteArray mark("\xEF\xBB\xBF");
    if (!text.contains(mark))
        return text;
    QByteArray out;
    out.reserve(text.size() + text.size() / 8);
    bool inString = false;
    for (qsizetype pos = 0; pos < text.size();) {
        const char c = text[pos];
        if (inString && c == '\\') {
            out += text.mid(pos, 2);
            pos += 2;
        } else if (inString && text.mid(pos, mark.size()) == mark) {
            out += "\\ufeff";
            pos += mark.size();
        } else {
            if (c == '"')
                inString = !inString;
            out += c;
            ++pos;
        }
    }
    return out;
}

struct Account
{
    std::string name;
    std::string fullName;
    std::string comment;
    bool lockedOut = false;
    bool disabled = false;
    std::uint32_t lookupResult = 0;
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
    std::uint32_t number(const std::string &foldedName) const
    {
        if (foldedName.size() <= foldedPrefix.size() ||
            foldedName.compare(0, foldedPrefix.size(), foldedPrefix) != 0)
            return 0;
        const char *first = foldedName.data() + foldedPrefix.size();
        const char *last = foldedName.data() + foldedName.size();
        if (*first == '0')
            return 0;
        std::uint32_t n = 0;
        const auto [end, error] = std::from_chars(first, last, n);
        if (error != std::errc() || end != last || n > count)
            return 0;
        return n;
    }

    Account account(std::uint32_t n) const
    {
        Account a;
        a.name = prefix + std::to_string(n);
        a.fullName = "Test account " + std::to_string(n);
        a.lockedOut = lockedOutEvery && n % lockedOutEvery == 0;
        a.disabled = disabledEvery && n % disabledEvery == 0;
        if (const auto it = changed.find(n); it != changed.end())
            std::tie(a.lockedOut, a.disabled) = it->second;
        return a;
    }
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

    Account at(std::uint64_t index) const
    {
        if (index < accounts.size())
            return accounts[index];
        return generated->account(static_cast<std::uint32_t>(index - accounts.size() + 1));
    }

    std::uint32_t userId(std::uint64_t index) const
    {
        return static_cast<std::uint32_t>(1000 + index);
    }
};

// Where an account was found: an index into the combined listing.
struct Found
{
    Server *server = nullptr;
    std::uint64_t index = 0;
};

// Reads the document into servers, naming the file and line of the first
// thing that is wrong.
class Loader
{
public:
    Loader(const std::string &path, const QByteArray &text) : m_path(path), m_locator(text) {}

    [[noreturn]] void fail(const Path &path, const QString &what) const
    {
        throw DirectoryFileError(m_path + ":" + std::to_string(m_locator.line(path)) + ": " +
                                 what.toStdString());
    }

    [[noreturn]] void failAt(qsizetype offset, const QString &what) const
    {
        throw DirectoryFileError(m_path + ":" + std::to_string(m_locator.lineAt(offset)) + ": " +
                                 what.toStdString());
    }

    std::vector<Server> servers(const QJsonDocument &document) const
    {
        if (!document.isObject())
            fail({}, QStringLiteral("the file must hold one JSON object with a \"servers\" list"));
        const QJsonObject root = document.object();
        if (!root.contains(QStringLiteral("servers")))
            fail({}, QStringLiteral("\"servers\" is missing"));
        const QJsonValue list = root.value(QStringLiteral("servers"));
        if (!list.isArray())
            fail({QStringLiteral("servers")}, QStringLiteral("\"servers\" must be a list"));
        std::vector<Server> result;
        std::unordered_map<std::string, qsizetype> seen;
        const QJsonArray array = list.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            Server server = readServer(array.at(i), {QStringLiteral("servers"), i});
            server.jsonIndex = i;
            if (!seen.emplace(text::foldCase(server.name), i).second)
                fail({QStringLiteral("servers"), i},
                     QStringLiteral("server \"%1\" is listed twice (names match without regard "
                                    "to case)")
                         .arg(QString::fromStdString(text::printable(server.name))));
            result.push_back(std::move(server));
        }
        return result;
    }

    // What QJsonDocument would silently change on the way back out: a member
    // given twice in one object (one of them is dropped) and a number that a
    // double cannot hold (it is rounded). Such a file is refused, naming the
    // line, rather than rewritten differently on the first reset. Runs on text
    // that QJsonDocument has accepted, so it only needs to skip, never to check.
    void checkKeptExactly(const QByteArray &text) const
    {
        struct Frame
        {
            bool object = false;
            bool expectKey = false;
            std::set<QString> names;
        };
        std::vector<Frame> frames;
        for (qsizetype pos = 0; pos < text.size();) {
            const char c = text[pos];
            if (c == '{' || c == '[') {
                frames.push_back(Frame{c == '{', c == '{', {}});
                ++pos;
            } else if (c == '}' || c == ']') {
                if (!frames.empty())
                    frames.pop_back();
                ++pos;
            } else if (c == ',') {
                if (!frames.empty() && frames.back().object)
                    frames.back().expectKey = true;
                ++pos;
            } else if (c == '"') {
                const qsizetype start = pos;
                for (++pos; pos < text.size() && text[pos] != '"'; ++pos) {
                    if (text[pos] == '\\')
                        ++pos;
                }
                ++pos;
                if (!frames.empty() && frames.back().expectKey) {
                    frames.back().expectKey = false;
                    const QByteArray raw = text.mid(start, pos - start);
                    const QString name = decodeString(raw);
                    if (!frames.back().names.insert(name).second)
                        failAt(start, QStringLiteral("member \"%1\" is given twice in one object")
                                          .arg(QString::fromStdString(
                                              text::printable(name.toStdString()))));
                }
            } else if (c == '-' || (c >= '0' && c <= '9')) {
                const qsizetype start = pos;
                while (pos < text.size() && std::strchr("+-.eE0123456789", text[pos]))
                    ++pos;
                const QByteArray literal = text.mid(start, pos - start);
                if (!numberSurvives(literal))
                    failAt(start, QStringLiteral("the number %1 cannot be kept exactly; write it "
                                                 "as a text")
                                      .arg(QString::fromLatin1(literal)));
            } else {
                ++pos;
            }
        }
    }

private:
    static QString decodeString(const QByteArray &quoted)
    {
        if (!quoted.contains('\\'))
            return QString::fromUtf8(quoted.mid(1, quoted.size() - 2));
        return QJsonDocument::fromJson('[' + quoted + ']').array().at(0).toString();
    }

    // A number's digits without leading or trailing zeros, and the power of
    // ten of its first digit: equal for equal values.
    static std::pair<QByteArray, long long> normalised(const QByteArray &number)
    {
        QByteArray digits;
        long long point = -1; // digits before the decimal point
        qsizetype i = number.startsWith('-') ? 1 : 0;
        for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
            if (number[i] == '.')
                point = digits.size();
            else
                digits += number[i];
        }
        if (point < 0)
            point = digits.size();
        const long long exponent = i < number.size() ? number.mid(i + 1).toLongLong() : 0;
        qsizetype lead = 0;
        while (lead < digits.size() && digits[lead] == '0')
            ++lead;
        digits.remove(0, lead);
        while (!digits.isEmpty() && digits.back() == '0')
            digits.chop(1);
        if (digits.isEmpty())
            return {QByteArray(), 0};
        return {digits, point - lead + exponent};
    }

    static bool numberSurvives(const QByteArray &literal)
    {
        bool ok = false;
        const double value = literal.toDouble(&ok);
        if (!ok)
            return false;
        const bool negative = literal.startsWith('-') && !normalised(literal).first.isEmpty();
        const QByteArray written = QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
        return normalised(literal) == normalised(written) &&
               negative == (written.startsWith('-') && !normalised(written).first.isEmpty());
    }

    static Path child(Path path, PathStep step)
    {
        path.push_back(std::move(step));
        return path;
    }

    QString text(const QJsonObject &object, const Path &path, const QString &key,
                 bool required) const
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined()) {
            if (required)
                fail(path, QStringLiteral("\"%1\" is missing in %2").arg(key, describe(path)));
            return {};
        }
        if (!value.isString())
            fail(child(path, key),
                 QStringLiteral("%1 must be a text").arg(describe(child(path, key))));
        return value.toString();
    }

    bool flag(const QJsonObject &object, const Path &path, const QString &key) const
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined())
            return false;
        if (!value.isBool())
            fail(child(path, key),
                 QStringLiteral("%1 must be true or false").arg(describe(child(path, key))));
        return value.toBool();
    }

    std::optional<std::uint64_t> number(const QJsonObject &object, const Path &path,
                                        const QString &key, std::uint64_t max) const
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined())
            return std::nullopt;
        const double d = value.toDouble(-1);
        if (!value.isDouble() || d < 0 || d > static_cast<double>(max) ||
            d != static_cast<double>(static_cast<std::uint64_t>(d)))
            fail(child(path, key), QStringLiteral("%1 must be a whole number from 0 to %2")
                                       .arg(describe(child(path, key)))
                                       .arg(max));
        return static_cast<std::uint64_t>(d);
    }

    std::uint32_t code(const QJsonObject &object, const Path &path, const QString &key) const
    {
        return static_cast<std::uint32_t>(
            number(object, path, key, std::numeric_limits<std::uint32_t>::max()).value_or(0));
    }

    Server readServer(const QJsonValue &value, const Path &path) const
    {
        if (!value.isObject())
            fail(path, QStringLiteral("%1 must be an object").arg(describe(path)));
        const QJsonObject object = value.toObject();
        Server server;
        server.name = text(object, path, QStringLiteral("name"), true).toStdString();
        server.enumResult = code(object, path, QStringLiteral("enumResult"));
        server.enumFailsAfter = number(object, path, QStringLiteral("enumFailsAfter"),
                                       std::numeric_limits<std::uint32_t>::max());
        server.setResult = code(object, path, QStringLiteral("setResult"));

        if (object.contains(QStringLiteral("generate")))
            server.generated = readGenerated(object.value(QStringLiteral("generate")),
                                             child(path, QStringLiteral("generate")));

        const QJsonValue accounts = object.value(QStringLiteral("accounts"));
        const Path accountsPath = child(path, QStringLiteral("accounts"));
        if (!accounts.isUndefined() && !accounts.isArray())
            fail(accountsPath, QStringLiteral("%1 must be a list").arg(describe(accountsPath)));
        const QJsonArray array = accounts.toArray();
        server.accounts.reserve(static_cast<std::size_t>(array.size()));
        server.byName.reserve(static_cast<std::size_t>(array.size()));
        for (qsizetype i = 0; i < array.size(); ++i) {
            const Path accountPath = child(accountsPath, i);
            Account account = readAccount(array.at(i), accountPath);
            const std::string key = text::foldCase(account.name);
            if (server.generated && server.generated->number(key) != 0)
                fail(accountPath,
                     QStringLiteral("account \"%1\" is also one of the generated accounts")
                         .arg(QString::fromStdString(text::printable(account.name))));
            if (!server.byName.emplace(key, server.accounts.size()).second)
                fail(accountPath,
                     QStringLiteral("account \"%1\" is listed twice (names match without regard "
                                    "to case)")
                         .arg(QString::fromStdString(text::printable(account.name))));
            server.accounts.push_back(std::move(account));
        }
        if (server.total() >= std::numeric_limits<std::uint32_t>::max())
            fail(path, QStringLiteral("%1 has too many accounts").arg(describe(path)));
        return server;
    }

    Account readAccount(const QJsonValue &value, const Path &path) const
    {
        if (!value.isObject())
            fail(path, QStringLiteral("%1 must be an object").arg(describe(path)));
        const QJsonObject object = value.toObject();
        Account account;
        account.name = text(object, path, QStringLiteral("name"), true).toStdString();
        if (account.name.empty())
            fail(child(path, QStringLiteral("name")),
                 QStringLiteral("%1.name must not be empty").arg(describe(path)));
        account.fullName = text(object, path, QStringLiteral("fullName"), false).toStdString();
        account.comment = text(object, path, QStringLiteral("comment"), false).toStdString();
        account.lockedOut = flag(object, path, QStringLiteral("lockedOut"));
        account.disabled = flag(object, path, QStringLiteral("disabled"));
        account.lookupResult = code(object, path, QStringLiteral("lookupResult"));
        return account;
    }

    Generated readGenerated(const QJsonValue &value, const Path &path) const
    {
        if (!value.isObject())
            fail(path, QStringLiteral("%1 must be an object").arg(describe(path)));
        const QJsonObject object = value.toObject();
        Generated generated;
        const auto count = number(object, path, QStringLiteral("count"),
                                  std::numeric_limits<std::uint32_t>::max() - 1);
        if (!count)
            fail(path, QStringLiteral("\"count\" is missing in %1").arg(describe(path)));
        generated.count = static_cast<std::uint32_t>(*count);
        generated.prefix = text(object, path, QStringLiteral("prefix"), false).toStdString();
        if (!object.contains(QStringLiteral("prefix")))
            generated.prefix = "user";
        if (generated.prefix.empty() ||
            (generated.prefix.back() >= '0' && generated.prefix.back() <= '9'))
            fail(child(path, QStringLiteral("prefix")),
                 QStringLiteral("%1.prefix must not be empty or end in a digit")
                     .arg(describe(path)));
        generated.foldedPrefix = text::foldCase(generated.prefix);
        generated.lockedOutEvery = code(object, path, QStringLiteral("lockedOutEvery"));
        generated.disabledEvery = code(object, path, QStringLiteral("disabledEvery"));
        return generated;
    }

    const std::string &m_path;
    JsonLocator m_locator;
};

QByteArray digest(const QByteArray &content)
{
    return QCryptographicHash::hash(content, QCryptographicHash::Sha256);
}

// Another program holds the file's lock only for one re-read and one write.
constexpr auto lockTimeout = std::chrono::seconds(10);

// Takes an exclusive flock, waiting a while for another writer.
bool lockFile(int fd)
{
    return lockWithin(fd, LOCK_EX, lockTimeout) == 0;
}

// Reads a whole open file.
bool readAll(int fd, QByteArray &content)
{
    std::string bytes;
    if (readUpTo(fd, bytes) != 0)
        return false;
    content = QByteArray::fromStdString(bytes);
    return true;
}

bool writeAll(int fd, const QByteArray &content)
{
    qsizetype written = 0;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.constData() + written,
                                  static_cast<std::size_t>(content.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

std::string errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error)).toStdString();
}

// The folder that holds the file at `path`, and the file's name in it, with
// every link in the path followed, once, here. Empty with errno set when
// there is none.
files::Descriptor openFolderOf(const std::string &path, QByteArray &fileName)
{
    char *real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return {};
    const QByteArray resolved(real);
    std::free(real);
    const qsizetype slash = resolved.lastIndexOf('/');
    const QByteArray folderPath = slash == 0 ? QByteArray("/") : resolved.left(slash);
    fileName = resolved.mid(slash + 1);
    return files::Descriptor(::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

} // namespace

struct DirectoryProvider::Data
{
    std::string path;
    // The file is found again through its folder and its name, never through
    // a link: the folder as it was when the file was loaded.
    files::Descriptor folder;
    QByteArray fileName;
    // Why no reset is written back: someone else controls the folder, or one
    // on the way to it. Empty when it is ours (or root's) from `/` down.
    std::string untrustedFolder;
    bool warnedUntrusted = false;
    dev_t device = 0; // of the file as last read or written
    ino_t inode = 0;
    QJsonDocument document;
    QByteArray fileDigest; // of the file as last read or written
    std::vector<Server> servers;
    std::unordered_map<std::string, std::size_t> serverByName;
    std::string lastWriteError;
    // The accounts handed out last, by their place in their server's listing:
    // their lookups are spared the hash table.
    JustListed<std::size_t> justListed;

    Server *server(const std::string &name)
    {
        const auto it = serverByName.find(text::foldCase(name));
        return it == serverByName.end() ? nullptr : &servers[it->second];
    }

    static std::optional<Found> find(Server &server, const std::string &user)
    {
        const std::string key = text::foldCase(user);
        if (const auto it = server.byName.find(key); it != server.byName.end())
            return Found{&server, it->second};
        if (server.generated) {
            if (const std::uint32_t n = server.generated->number(key))
                return Found{&server, server.accounts.size() + n - 1};
        }
        return std::nullopt;
    }

    std::uint32_t changedElsewhere()
    {
        // Someone edited, replaced or removed the file since it was loaded:
        // writing now would throw their changes away.
        lastWriteError = path + ": changed by another program since it was loaded; "
                                "restart to pick up its changes";
        return ERROR_WRITE_FAULT;
    }

    std::uint32_t cannotWrite(int error)
    {
        lastWriteError = path + ": cannot write: " + errorText(error);
        return error == EACCES || error == EPERM || error == EROFS ? ERROR_ACCESS_DENIED
                                                                   : ERROR_WRITE_FAULT;
    }

    // Writes the document back; on failure leaves the file as it was. The
    // file's flock (the one every writer of this tool takes) is held from the
    // re-read to the rename, so two resets at once cannot both go through on
    // the same old content.
    std::uint32_t writeBack(const QJsonDocument &changed)
    {
        // Whoever may write in the folder could swap the file for a link to
        // any other between our check and the rename, as root too.
        if (!untrustedFolder.empty()) {
            lastWriteError = path + ": not written back, since " + untrustedFolder;
            if (!warnedUntrusted)
                qCWarning(lcNetApi, "%s; keep it in a folder only you can change",
                          lastWriteError.c_str());
            warnedUntrusted = true;
            return ERROR_ACCESS_DENIED;
        }
        files::Descriptor current(::openat(folder.get(), fileName.constData(),
                                           O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (current.get() < 0)
            return changedElsewhere();
        if (!lockFile(current.get())) {
            lastWriteError = path + ": another program keeps the file locked; try again";
            return ERROR_WRITE_FAULT;
        }
        // What we locked must still be the file we loaded, and still be the
        // one under that name (a writer that got the lock first replaced it).
        struct stat opened
        {};
        struct stat named
        {};
        QByteArray content;
        if (::fstat(current.get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
            opened.st_dev != device || opened.st_ino != inode ||
            ::fstatat(folder.get(), fileName.constData(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
            named.st_dev != opened.st_dev || named.st_ino != opened.st_ino ||
            !readAll(current.get(), content) || digest(content) != fileDigest)
            return changedElsewhere();

        const QByteArray next = changed.toJson(QJsonDocument::Indented);
        files::Descriptor temporary;
        QByteArray temporaryName;
        for (int attempt = 0; attempt < 100 && temporary.get() < 0; ++attempt) {
            temporaryName = fileName + '.' +
                            QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
            temporary = files::Descriptor(
                ::openat(folder.get(), temporaryName.constData(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (temporary.get() < 0 && errno != EEXIST)
                return cannotWrite(errno);
        }
        if (temporary.get() < 0)
            return cannotWrite(EEXIST);
        // The new file keeps the old one's owner and mode: root resetting a
        // user's file must not take it from them.
        const bool sameOwner = opened.st_uid == ::geteuid() && opened.st_gid == ::getegid();
        struct stat made
        {};
        if ((!sameOwner && ::fchown(temporary.get(), opened.st_uid, opened.st_gid) != 0 &&
             ::geteuid() == 0) ||
            ::fchmod(temporary.get(), opened.st_mode & 07777) != 0 ||
            !writeAll(temporary.get(), next) || ::fsync(temporary.get()) != 0 ||
            ::fstat(temporary.get(), &made) != 0 ||
            ::renameat(folder.get(), temporaryName.constData(), folder.get(),
                       fileName.constData()) != 0) {
            const int error = errno;
            ::unlinkat(folder.get(), temporaryName.constData(), 0);
            return cannotWrite(error);
        }
        ::fsync(folder.get());
        device = made.st_dev;
        inode = made.st_ino;
        fileDigest = digest(next);
        lastWriteError.clear();
        return NERR_Success;
    }
};

DirectoryProvider::DirectoryProvider(const std::string &path) : d(std::make_unique<Data>())
{
    d->path = path;
    auto unreadable = [&](int error) {
        return DirectoryFileError(path + ": cannot read: " + errorText(error));
    };
    // From here on the file is found through its folder, never through a
    // link. A reset rewrites it, as root too: only in a folder that nobody
    // else controls, nor any folder on the way to it, from `/` down. A file
    // elsewhere is read all the same.
    files::Refusal refusal;
    std::string name;
    d->folder = files::openTrustedParent(path, name, refusal);
    d->fileName = QByteArray::fromStdString(name);
    if (refusal) {
        d->untrustedFolder = refusal.describe(refusal.folder);
        d->folder = openFolderOf(path, d->fileName);
    }
    if (!d->folder)
        throw unreadable(errno);
    const files::Descriptor file(::openat(d->folder.get(), d->fileName.constData(),
                                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0)
        throw unreadable(errno);
    struct stat st
    {};
    if (::fstat(file.get(), &st) != 0)
        throw unreadable(errno);
    if (!S_ISREG(st.st_mode))
        throw DirectoryFileError(path + ": cannot read: not a regular file");
    d->device = st.st_dev;
    d->inode = st.st_ino;
    QByteArray content;
    if (!readAll(file.get(), content))
        throw unreadable(errno);

    const QByteArray json = withByteOrderMarksEscaped(content);
    Loader loader(path, json);
    QJsonParseError parseError;
    d->document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        loader.failAt(parseError.offset,
                      QStringLiteral("not valid JSON: %1").arg(parseError.errorString()));
    loader.checkKeptExactly(json);
    d->servers = loader.servers(d->document);
    d->fileDigest = digest(content);
    for (std::size_t i = 0; i < d->servers.size(); ++i)
        d->serverByName.emplace(text::foldCase(d->servers[i].name), i);
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
    return d->path;
}

const std::string &DirectoryProvider::lastWriteError() const
{
    return d->lastWriteError;
}

std::uint32_t DirectoryProvider::enumerate(const std::string &serverName, std::uint32_t filter,
                                           std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                                           std::vector<AccountEntry> &out)
{
    d->justListed.start(serverName);
    Server *server = d->server(serverName);
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
        out, &d->justListed);
}

std::uint32_t DirectoryProvider::getInfo(const std::string &serverName, const std::string &user,
                                         AccountInfo &out)
{
    Server *server = d->server(serverName);
    if (!server)
        return NERR_InvalidComputer;
    std::optional<Found> found;
    if (const auto listed = d->justListed.take(serverName, user))
        found = Found{server, *listed};
    else
        found = Data::find(*server, user);
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

std::uint32_t DirectoryProvider::setFlags(const std::string &serverName, const std::string &user,
                                          std::uint32_t flags)
{
    d->justListed.clear();
    Server *server = d->server(serverName);
    if (!server)
        return NERR_InvalidComputer;
    if (server->setResult != NERR_Success)
        return server->setResult;
    const std::optional<Found> found = Data::find(*server, user);
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
    QJsonObject root = d->document.object();
    QJsonArray servers = root.value(QStringLiteral("servers")).toArray();
    QJsonObject serverObject = servers.at(server->jsonIndex).toObject();
    QJsonArray accounts = serverObject.value(QStringLiteral("accounts")).toArray();
    const auto accountIndex = static_cast<qsizetype>(found->index);
    QJsonObject accountObject = accounts.at(accountIndex).toObject();
    accountObject.insert(QStringLiteral("lockedOut"), lockedOut);
    accountObject.insert(QStringLiteral("disabled"), disabled);
    accounts.replace(accountIndex, accountObject);
    serverObject.insert(QStringLiteral("accounts"), accounts);
    servers.replace(server->jsonIndex, serverObject);
    root.insert(QStringLiteral("servers"), servers);
    const QJsonDocument changed(root);

    if (const std::uint32_t status = d->writeBack(changed))
        return status;
    d->document = changed;
    Account &stored = server->accounts[found->index];
    stored.lockedOut = lockedOut;
    stored.disabled = disabled;
    return NERR_Success;
}

} // namespace netapi

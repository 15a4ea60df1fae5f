#include "platform/netapi/DirectoryFile.h"

#include "platform/netapi/JsonScan.h"
#include "platform/text/CaseFolding.h"
#include "platform/text/Printable.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <charconv>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string_view>

namespace netapi {

DirectoryFileError::DirectoryFileError(const std::string &file, int line, int column,
                                       const std::string &what)
    : std::runtime_error(file + ":" + std::to_string(line) + ": " + what), m_line(line),
      m_column(column)
{}

namespace directory {

using json::child;
using json::describe;
using json::Path;

std::uint32_t Generated::number(const std::string &foldedName) const
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

Account Generated::account(std::uint32_t n) const
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

Account Server::at(std::uint64_t index) const
{
    if (index < accounts.size())
        return accounts[index];
    return generated->account(static_cast<std::uint32_t>(index - accounts.size() + 1));
}

namespace {

bool hasNoDetails(const AccountDetails &d)
{
    return d.failedLogons == 0 && !d.lastFailedLogon && d.lastFailedLogonFrom.empty() &&
           !d.lockedOutSince && !d.unlocksAt && d.failures.empty();
}

} // namespace

Account AccountList::operator[](std::size_t index) const
{
    const Stored &stored = m_accounts[index];
    Account account;
    account.name = textOf(stored.name);
    account.fullName = textOf(stored.fullName);
    account.comment = textOf(stored.comment);
    account.lockedOut = stored.lockedOut;
    account.disabled = stored.disabled;
    account.lookupResult = stored.lookupResult;
    if (stored.details != noDetails)
        account.details = m_details[stored.details];
    return account;
}

void AccountList::reserve(std::size_t count)
{
    m_accounts.reserve(count);
    m_index.reserve(count);
}

bool AccountList::add(const Account &account, const std::string &foldedName)
{
    m_index.reserve(m_accounts.size() + 1);
    const std::size_t hash = std::hash<std::string>()(foldedName);
    const std::size_t slot = slotOf(foldedName, hash);
    if (m_index.taken(slot))
        return false;
    Stored stored;
    stored.name = store(account.name);
    stored.fullName = store(account.fullName);
    stored.comment = store(account.comment);
    stored.lockedOut = account.lockedOut;
    stored.disabled = account.disabled;
    stored.lookupResult = account.lookupResult;
    if (!hasNoDetails(account.details)) {
        stored.details = static_cast<std::uint32_t>(m_details.size());
        m_details.push_back(account.details);
    }
    m_index.put(slot, hash, m_accounts.size());
    m_accounts.push_back(stored);
    return true;
}

std::optional<std::size_t> AccountList::find(const std::string &foldedName) const
{
    if (m_index.empty())
        return std::nullopt;
    const std::size_t slot = slotOf(foldedName, std::hash<std::string>()(foldedName));
    if (!m_index.taken(slot))
        return std::nullopt;
    return m_index.placeAt(slot);
}

void AccountList::setFlags(std::size_t index, bool lockedOut, bool disabled)
{
    Stored &stored = m_accounts[index];
    stored.lockedOut = lockedOut;
    stored.disabled = disabled;
    if (!lockedOut && stored.details != noDetails) {
        AccountDetails &details = m_details[stored.details];
        details.failedLogons = 0;
        details.lockedOutSince.reset();
        details.unlocksAt.reset();
    }
}

AccountList::Text AccountList::store(const std::string &text)
{
    if (m_texts.size() + text.size() > UINT32_MAX)
        throw std::length_error("the accounts' texts exceed 4 GiB");
    const Text stored{static_cast<std::uint32_t>(m_texts.size()),
                      static_cast<std::uint32_t>(text.size())};
    m_texts.insert(m_texts.end(), text.begin(), text.end());
    return stored;
}

std::string AccountList::textOf(const Text &text) const
{
    const auto first = m_texts.begin() + text.at;
    return std::string(first, first + text.size);
}

std::size_t AccountList::slotOf(const std::string &foldedName, std::size_t hash) const
{
    return m_index.slotOf(hash, [&](std::size_t place) {
        return text::foldCase(textOf(m_accounts[place].name)) == foldedName;
    });
}

namespace {

// The one form of time the file takes: "2026-12-08T19:10:02+01:00", with
// optional fractions of a second, or Z for the offset. (Qt's ISO reader alone
// also takes a time without an offset, which would then be read as local.)
bool isIsoTimeWithOffset(QStringView text)
{
    const auto digits = [&](qsizetype at, qsizetype count) {
        if (at + count > text.size())
            return false;
        for (qsizetype i = at; i < at + count; ++i)
            if (text[i] < u'0' || text[i] > u'9')
                return false;
        return true;
    };
    const auto is = [&](qsizetype at, char16_t c) { return at < text.size() && text[at] == c; };
    if (!digits(0, 4) || !is(4, u'-') || !digits(5, 2) || !is(7, u'-') || !digits(8, 2) ||
        !is(10, u'T') || !digits(11, 2) || !is(13, u':') || !digits(14, 2) || !is(16, u':') ||
        !digits(17, 2))
        return false;
    qsizetype at = 19;
    if (is(at, u'.')) {
        if (!digits(++at, 1))
            return false;
        while (digits(at, 1))
            ++at;
    }
    if (is(at, u'Z'))
        return at + 1 == text.size();
    return (is(at, u'+') || is(at, u'-')) && digits(at + 1, 2) && is(at + 3, u':') &&
           digits(at + 4, 2) && at + 6 == text.size();
}

// Where the text stops being JSON as the reader reads it; read() then lets
// Qt's parser name the fault, in the words it always has.
struct NotJson
{
    std::size_t offset = 0;
};

// Reads JSON text in place, one value at a time, with no tree of the
// document: a file of many accounts costs little more than its text. It
// accepts what Qt's parser accepts; a string that is not plain printable
// ASCII is decoded by Qt itself, so that its text is exactly what Qt's
// parser made of it.
class JsonReader
{
public:
    explicit JsonReader(std::string_view text, std::size_t offset = 0) : m_text(text), m_pos(offset)
    {}

    std::size_t offset() const { return m_pos; }

    // The first character of the value ahead, after the blanks.
    char peek()
    {
        skipBlanks();
        if (m_pos >= m_text.size())
            throw NotJson{m_pos};
        return m_text[m_pos];
    }

    // The whole text: one object or list, blanks around it.
    void document()
    {
        // Qt's parser passes over a byte-order mark at the start.
        if (m_text.substr(m_pos).starts_with("\xEF\xBB\xBF"))
            m_pos += 3;
        const char first = peek();
        if (first != '{' && first != '[')
            throw NotJson{m_pos};
        skip(0);
        skipBlanks();
        if (m_pos != m_text.size())
            throw NotJson{m_pos};
    }

    // Calls each(key) for every member, with the reader at its value, which
    // each() must read or skip.
    template <typename Each> void members(Each &&each)
    {
        walk('{', '}', [&](qsizetype) {
            if (peek() != '"')
                throw NotJson{m_pos};
            const std::string key = string();
            expect(':');
            peek();
            each(key);
        });
    }
    // Calls each(index) for every element, likewise.
    template <typename Each> void elements(Each &&each)
    {
        walk('[', ']', [&](qsizetype index) {
            peek();
            each(index);
        });
    }

    std::string string()
    {
        const std::size_t start = m_pos;
        bool plain = true;
        for (++m_pos;; ++m_pos) {
            if (m_pos >= m_text.size())
                throw NotJson{m_pos};
            const auto c = static_cast<unsigned char>(m_text[m_pos]);
            if (c == '"')
                break;
            if (c == '\\') {
                plain = false;
                ++m_pos;
            } else if (c < 0x20 || c >= 0x7F) {
                plain = false;
            }
        }
        ++m_pos;
        const std::string_view quoted = m_text.substr(start, m_pos - start);
        if (plain)
            return std::string(quoted.substr(1, quoted.size() - 2));
        QJsonParseError error;
        const QJsonDocument one = QJsonDocument::fromJson(
            '[' + QByteArray(quoted.data(), static_cast<qsizetype>(quoted.size())) + ']', &error);
        if (error.error != QJsonParseError::NoError)
            throw NotJson{start};
        return one.array().at(0).toString().toStdString();
    }

    double number()
    {
        const std::size_t start = m_pos;
        const auto digits = [&] {
            while (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9')
                ++m_pos;
        };
        if (m_pos < m_text.size() && m_text[m_pos] == '-')
            ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '0')
            ++m_pos;
        else
            digits();
        if (m_pos < m_text.size() && m_text[m_pos] == '.') {
            ++m_pos;
            digits();
        }
        if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
            ++m_pos;
            if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-'))
                ++m_pos;
            digits();
        }
        double value = 0;
        const char *first = m_text.data() + start;
        const char *last = m_text.data() + m_pos;
        const auto [end, error] = std::from_chars(first, last, value);
        if (error != std::errc() || end != last)
            throw NotJson{start};
        return value;
    }

    // Any value, checked as it is passed.
    void skip(int depth)
    {
        // Qt's parser refuses deeper documents.
        constexpr int maxDepth = 1024;
        switch (peek()) {
        case '{':
            if (depth >= maxDepth)
                throw NotJson{m_pos};
            members([&](const std::string &) { skip(depth + 1); });
            return;
        case '[':
            if (depth >= maxDepth)
                throw NotJson{m_pos};
            elements([&](qsizetype) { skip(depth + 1); });
            return;
        case '"':
            skipString();
            return;
        case 't':
            literal("true");
            return;
        case 'f':
            literal("false");
            return;
        case 'n':
            literal("null");
            return;
        default:
            number();
        }
    }

private:
    void skipBlanks()
    {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' ||
                                         m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
            ++m_pos;
    }

    void expect(char c)
    {
        if (peek() != c)
            throw NotJson{m_pos};
        ++m_pos;
    }

    void literal(std::string_view word)
    {
        if (m_text.substr(m_pos, word.size()) != word)
            throw NotJson{m_pos};
        m_pos += word.size();
    }

    // A string passed over: only one that is not plain ASCII is made.
    void skipString()
    {
        const std::size_t start = m_pos;
        for (++m_pos; m_pos < m_text.size(); ++m_pos) {
            const auto c = static_cast<unsigned char>(m_text[m_pos]);
            if (c == '"') {
                ++m_pos;
                return;
            }
            if (c == '\\' || c < 0x20 || c >= 0x7F) {
                m_pos = start;
                string();
                return;
            }
        }
        throw NotJson{m_pos};
    }

    // each(index) reads one member or element.
    template <typename Each> void walk(char open, char close, Each &&each)
    {
        expect(open);
        if (peek() == close) {
            ++m_pos;
            return;
        }
        for (qsizetype index = 0;; ++index) {
            each(index);
            if (peek() == ',') {
                ++m_pos;
                continue;
            }
            expect(close);
            return;
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

// The members of one object that a reader asks for, by where their values start.
class Members
{
public:
    Members(JsonReader &reader, std::initializer_list<const char *> wanted)
    {
        reader.members([&](const std::string &key) {
            for (const char *name : wanted) {
                if (key == name) {
                    m_found.emplace_back(name, reader.offset());
                    break;
                }
            }
            reader.skip(1);
        });
    }

    std::optional<std::size_t> find(const char *key) const
    {
        for (const auto &[name, at] : m_found) {
            if (std::strcmp(name, key) == 0)
                return at;
        }
        return std::nullopt;
    }

private:
    std::vector<std::pair<const char *, std::size_t>> m_found;
};

// Reads the text into servers, naming the file, line and column of the first
// thing that is wrong, in the order the members are checked, whatever order
// the file gives them in.
class Loader
{
public:
    Loader(const std::string &file, const QByteArray &text)
        : m_file(file), m_locator(text),
          m_text(text.constData(), static_cast<std::size_t>(text.size()))
    {}

    [[noreturn]] void fail(const Path &path, const QString &what) const
    {
        failAt(m_locator.find(path), what);
    }

    [[noreturn]] void failAt(json::Position position, const QString &what) const
    {
        throw DirectoryFileError(m_file, position.line, position.column, what.toStdString());
    }

    json::Position at(qsizetype offset) const { return m_locator.at(offset); }

    std::vector<Server> servers() const
    {
        JsonReader reader(m_text, m_text.starts_with("\xEF\xBB\xBF") ? 3 : 0);
        if (reader.peek() != '{')
            fail({}, QStringLiteral("the file must hold one JSON object with a \"servers\" list"));
        const auto list = Members(reader, {"servers"}).find("servers");
        if (!list)
            fail({}, QStringLiteral("\"servers\" is missing"));
        if (kindAt(*list) != '[')
            fail({QStringLiteral("servers")}, QStringLiteral("\"servers\" must be a list"));
        std::vector<Server> result;
        std::unordered_map<std::string, qsizetype> seen;
        JsonReader array(m_text, *list);
        array.elements([&](qsizetype i) {
            Server server = readServer(array, {QStringLiteral("servers"), i});
            server.jsonIndex = i;
            if (!seen.emplace(text::foldCase(server.name), i).second)
                fail({QStringLiteral("servers"), i},
                     QStringLiteral("server \"%1\" is listed twice (names match without regard "
                                    "to case)")
                         .arg(QString::fromStdString(text::printable(server.name))));
            result.push_back(std::move(server));
        });
        return result;
    }

private:
    char kindAt(std::size_t offset) const { return m_text[offset]; }
    static bool isNumber(char kind) { return kind == '-' || (kind >= '0' && kind <= '9'); }

    std::string stringAt(std::size_t offset) const
    {
        JsonReader reader(m_text, offset);
        return reader.string();
    }

    std::string text(const Members &object, const Path &path, const char *key, bool required) const
    {
        const auto value = object.find(key);
        if (!value) {
            if (required)
                fail(path, QStringLiteral("\"%1\" is missing in %2")
                               .arg(QLatin1String(key), describe(path)));
            return {};
        }
        if (kindAt(*value) != '"')
            fail(
                child(path, QLatin1String(key)),
                QStringLiteral("%1 must be a text").arg(describe(child(path, QLatin1String(key)))));
        return stringAt(*value);
    }

    bool flag(const Members &object, const Path &path, const char *key) const
    {
        const auto value = object.find(key);
        if (!value)
            return false;
        if (kindAt(*value) != 't' && kindAt(*value) != 'f')
            fail(child(path, QLatin1String(key)),
                 QStringLiteral("%1 must be true or false")
                     .arg(describe(child(path, QLatin1String(key)))));
        return kindAt(*value) == 't';
    }

    std::optional<std::uint64_t> number(const Members &object, const Path &path, const char *key,
                                        std::uint64_t max) const
    {
        const auto value = object.find(key);
        if (!value)
            return std::nullopt;
        double d = -1;
        if (isNumber(kindAt(*value))) {
            JsonReader reader(m_text, *value);
            d = reader.number();
        }
        if (!isNumber(kindAt(*value)) || d < 0 || d > static_cast<double>(max) ||
            d != static_cast<double>(static_cast<std::uint64_t>(d)))
            fail(child(path, QLatin1String(key)),
                 QStringLiteral("%1 must be a whole number from 0 to %2")
                     .arg(describe(child(path, QLatin1String(key))))
                     .arg(max));
        return static_cast<std::uint64_t>(d);
    }

    std::uint32_t code(const Members &object, const Path &path, const char *key) const
    {
        return static_cast<std::uint32_t>(
            number(object, path, key, std::numeric_limits<std::uint32_t>::max()).value_or(0));
    }

    void expectObject(JsonReader &reader, const Path &path) const
    {
        if (reader.peek() != '{')
            fail(path, QStringLiteral("%1 must be an object").arg(describe(path)));
    }

    // From the reader's place, which it leaves after the server.
    Server readServer(JsonReader &reader, const Path &path) const
    {
        expectObject(reader, path);
        const Members object(
            reader, {"name", "enumResult", "enumFailsAfter", "setResult", "generate", "accounts"});
        Server server;
        server.name = text(object, path, "name", true);
        server.enumResult = code(object, path, "enumResult");
        server.enumFailsAfter =
            number(object, path, "enumFailsAfter", std::numeric_limits<std::uint32_t>::max());
        server.setResult = code(object, path, "setResult");

        if (const auto generate = object.find("generate"))
            server.generated = readGenerated(*generate, child(path, QStringLiteral("generate")));

        const auto accounts = object.find("accounts");
        const Path accountsPath = child(path, QStringLiteral("accounts"));
        if (accounts && kindAt(*accounts) != '[')
            fail(accountsPath, QStringLiteral("%1 must be a list").arg(describe(accountsPath)));
        if (accounts) {
            // Counted first, so that the list is made once at its size.
            std::size_t count = 0;
            JsonReader counter(m_text, *accounts);
            counter.elements([&](qsizetype) {
                counter.skip(1);
                ++count;
            });
            server.accounts.reserve(count);
            JsonReader array(m_text, *accounts);
            array.elements([&](qsizetype i) {
                const Path accountPath = child(accountsPath, i);
                const Account account = readAccount(array, accountPath);
                const std::string key = text::foldCase(account.name);
                if (server.generated && server.generated->number(key) != 0)
                    fail(accountPath,
                         QStringLiteral("account \"%1\" is also one of the generated accounts")
                             .arg(QString::fromStdString(text::printable(account.name))));
                if (!server.accounts.add(account, key))
                    fail(accountPath,
                         QStringLiteral("account \"%1\" is listed twice (names match without "
                                        "regard to case)")
                             .arg(QString::fromStdString(text::printable(account.name))));
            });
        }
        if (server.total() >= std::numeric_limits<std::uint32_t>::max())
            fail(path, QStringLiteral("%1 has too many accounts").arg(describe(path)));
        return server;
    }

    // From the reader's place, which it leaves after the account.
    Account readAccount(JsonReader &reader, const Path &path) const
    {
        expectObject(reader, path);
        const Members object(reader, {"name", "fullName", "comment", "lockedOut", "disabled",
                                      "lookupResult", "failedLogons", "lastFailedLogon",
                                      "lastFailedLogonFrom", "lockedOutSince", "unlocksAt"});
        Account account;
        account.name = text(object, path, "name", true);
        if (account.name.empty())
            fail(child(path, QStringLiteral("name")),
                 QStringLiteral("%1.name must not be empty").arg(describe(path)));
        account.fullName = text(object, path, "fullName", false);
        account.comment = text(object, path, "comment", false);
        account.lockedOut = flag(object, path, "lockedOut");
        account.disabled = flag(object, path, "disabled");
        account.lookupResult = code(object, path, "lookupResult");
        account.details = readDetails(object, path);
        return account;
    }

    // A time in ISO 8601 with its offset, or null.
    std::optional<std::int64_t> time(const Members &object, const Path &path, const char *key) const
    {
        const auto value = object.find(key);
        if (!value || kindAt(*value) == 'n')
            return std::nullopt;
        const bool isString = kindAt(*value) == '"';
        const QString text = isString ? QString::fromStdString(stringAt(*value)) : QString();
        const QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
        if (!isString || !isIsoTimeWithOffset(text) || !parsed.isValid())
            fail(child(path, QLatin1String(key)),
                 QStringLiteral("%1 must be a time in ISO 8601 with its offset "
                                "(\"2026-12-08T19:10:02+01:00\"), or null")
                     .arg(describe(child(path, QLatin1String(key)))));
        return parsed.toSecsSinceEpoch();
    }

    AccountDetails readDetails(const Members &object, const Path &path) const
    {
        AccountDetails details;
        details.failedLogons = code(object, path, "failedLogons");
        details.lastFailedLogon = time(object, path, "lastFailedLogon");
        details.lastFailedLogonFrom = text(object, path, "lastFailedLogonFrom", false);
        details.lockedOutSince = time(object, path, "lockedOutSince");
        details.unlocksAt = time(object, path, "unlocksAt");
        return details;
    }

    Generated readGenerated(std::size_t offset, const Path &path) const
    {
        JsonReader reader(m_text, offset);
        expectObject(reader, path);
        const Members object(reader, {"count", "prefix", "lockedOutEvery", "disabledEvery"});
        Generated generated;
        const auto count =
            number(object, path, "count", std::numeric_limits<std::uint32_t>::max() - 1);
        if (!count)
            fail(path, QStringLiteral("\"count\" is missing in %1").arg(describe(path)));
        generated.count = static_cast<std::uint32_t>(*count);
        generated.prefix = text(object, path, "prefix", false);
        if (!object.find("prefix"))
            generated.prefix = "user";
        if (generated.prefix.empty() ||
            (generated.prefix.back() >= '0' && generated.prefix.back() <= '9'))
            fail(child(path, QStringLiteral("prefix")),
                 QStringLiteral("%1.prefix must not be empty or end in a digit")
                     .arg(describe(path)));
        generated.foldedPrefix = text::foldCase(generated.prefix);
        generated.lockedOutEvery = code(object, path, "lockedOutEvery");
        generated.disabledEvery = code(object, path, "disabledEvery");
        return generated;
    }

    const std::string &m_file;
    json::Locator m_locator;
    std::string_view m_text;
};

} // namespace

Content read(const QByteArray &content, const std::string &file)
{
    const QByteArray text = json::withByteOrderMarksEscaped(content);
    const Loader loader(file, text);
    if (text.size() >= static_cast<qsizetype>(UINT32_MAX))
        loader.failAt({}, QStringLiteral("the file is larger than 4 GiB"));
    try {
        JsonReader(std::string_view(text.constData(), static_cast<std::size_t>(text.size())))
            .document();
    } catch (const NotJson &notJson) {
        // Qt names the fault as it always has; only the failing file pays
        // for its tree.
        QJsonParseError parseError;
        QJsonDocument::fromJson(text, &parseError);
        if (parseError.error != QJsonParseError::NoError)
            loader.failAt(loader.at(parseError.offset),
                          QStringLiteral("not valid JSON: %1").arg(parseError.errorString()));
        loader.failAt(loader.at(static_cast<qsizetype>(notJson.offset)),
                      QStringLiteral("not valid JSON"));
    }
    json::checkKeptExactly(text, [&](qsizetype offset, const QString &what) {
        loader.failAt(loader.at(offset), what);
    });
    Content result;
    result.servers = loader.servers();
    return result;
}

QJsonDocument document(const QByteArray &content)
{
    return QJsonDocument::fromJson(json::withByteOrderMarksEscaped(content));
}

QJsonDocument withAccountFlags(const QJsonDocument &document, qsizetype server, qsizetype account,
                               bool lockedOut, bool disabled)
{
    QJsonObject root = document.object();
    QJsonArray servers = root.value(QStringLiteral("servers")).toArray();
    QJsonObject serverObject = servers.at(server).toObject();
    QJsonArray accounts = serverObject.value(QStringLiteral("accounts")).toArray();
    QJsonObject accountObject = accounts.at(account).toObject();
    accountObject.insert(QStringLiteral("lockedOut"), lockedOut);
    accountObject.insert(QStringLiteral("disabled"), disabled);
    if (!lockedOut) {
        for (const char *member : {"failedLogons", "lockedOutSince", "unlocksAt"})
            accountObject.remove(QLatin1String(member));
    }
    accounts.replace(account, accountObject);
    serverObject.insert(QStringLiteral("accounts"), accounts);
    servers.replace(server, serverObject);
    root.insert(QStringLiteral("servers"), servers);
    return QJsonDocument(root);
}

QByteArray text(const QJsonDocument &document)
{
    return document.toJson(QJsonDocument::Indented);
}

} // namespace directory

} // namespace netapi

#include "platform/netapi/DirectoryFile.h"

#include "platform/netapi/JsonScan.h"
#include "platform/text/CaseFolding.h"
#include "platform/text/Printable.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QString>
#include <charconv>
#include <limits>

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

// Reads the document into servers, naming the file, line and column of the
// first thing that is wrong.
class Loader
{
public:
    Loader(const std::string &file, const QByteArray &text) : m_file(file), m_locator(text) {}

    [[noreturn]] void fail(const Path &path, const QString &what) const
    {
        failAt(m_locator.find(path), what);
    }

    [[noreturn]] void failAt(json::Position position, const QString &what) const
    {
        throw DirectoryFileError(m_file, position.line, position.column, what.toStdString());
    }

    json::Position at(qsizetype offset) const { return m_locator.at(offset); }

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

private:
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
        const QJsonObject object = objectAt(value, path);
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

    QJsonObject objectAt(const QJsonValue &value, const Path &path) const
    {
        if (!value.isObject())
            fail(path, QStringLiteral("%1 must be an object").arg(describe(path)));
        return value.toObject();
    }

    Account readAccount(const QJsonValue &value, const Path &path) const
    {
        const QJsonObject object = objectAt(value, path);
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
        account.details = readDetails(object, path);
        return account;
    }

    // A time in ISO 8601 with its offset, or null.
    std::optional<std::int64_t> time(const QJsonObject &object, const Path &path,
                                     const QString &key) const
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        const QString text = value.toString();
        static const QRegularExpression form(
            QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(\.\d+)?(Z|[+-]\d\d:\d\d)$)"));
        const QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
        if (!value.isString() || !form.match(text).hasMatch() || !parsed.isValid())
            fail(child(path, key), QStringLiteral("%1 must be a time in ISO 8601 with its offset "
                                                  "(\"2026-12-08T19:10:02+01:00\"), or null")
                                       .arg(describe(child(path, key))));
        return parsed.toSecsSinceEpoch();
    }

    AccountDetails readDetails(const QJsonObject &object, const Path &path) const
    {
        AccountDetails details;
        details.failedLogons = code(object, path, QStringLiteral("failedLogons"));
        details.lastFailedLogon = time(object, path, QStringLiteral("lastFailedLogon"));
        details.lastFailedLogonFrom =
            text(object, path, QStringLiteral("lastFailedLogonFrom"), false).toStdString();
        details.lockedOutSince = time(object, path, QStringLiteral("lockedOutSince"));
        details.unlocksAt = time(object, path, QStringLiteral("unlocksAt"));
        return details;
    }

    Generated readGenerated(const QJsonValue &value, const Path &path) const
    {
        const QJsonObject object = objectAt(value, path);
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

    const std::string &m_file;
    json::Locator m_locator;
};

} // namespace

Content read(const QByteArray &content, const std::string &file)
{
    const QByteArray text = json::withByteOrderMarksEscaped(content);
    const Loader loader(file, text);
    QJsonParseError parseError;
    Content result;
    result.document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        loader.failAt(loader.at(parseError.offset),
                      QStringLiteral("not valid JSON: %1").arg(parseError.errorString()));
    json::checkKeptExactly(text, [&](qsizetype offset, const QString &what) {
        loader.failAt(loader.at(offset), what);
    });
    result.servers = loader.servers(result.document);
    return result;
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

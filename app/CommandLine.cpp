#include "app/CommandLine.h"

#include "app/AccountListing.h"
#include "app/LockoutDetails.h"
#include "app/LockoutReset.h"
#include "app/TerminalLogon.h"
#include "platform/text/Printable.h"
#include "platform/text/TextConversion.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <iostream>
#include <unistd.h>

namespace {

// Names cross between Qt's texts and the account calls' 8-bit text without
// loss: bytes that are not UTF-8 travel as the account calls carry them
// (lone U+DC80 to U+DCFF), and a leading U+FEFF stays, where QString's own
// UTF-8 conversions would replace the one and drop the other.
std::string exactText(const QString &text)
{
    return text::toUtf8(std::u16string_view(reinterpret_cast<const char16_t *>(text.utf16()),
                                            static_cast<std::size_t>(text.size())));
}

QString qtText(const std::string &text)
{
    const std::u16string wide = text::toUtf16(text);
    return QString(reinterpret_cast<const QChar *>(wide.data()),
                   static_cast<qsizetype>(wide.size()));
}

struct Options
{
    QCommandLineOption directory{QStringLiteral("directory"),
                                 QStringLiteral("Take servers and accounts from the directory file "
                                                "FILE instead of this computer and the network."),
                                 QStringLiteral("FILE")};
    QCommandLineOption list{QStringLiteral("list"),
                            QStringLiteral("List the locked-out accounts of SERVER (this computer "
                                           "when none is named) without opening a window.")};
    QCommandLineOption all{QStringLiteral("all"),
                           QStringLiteral("With --list: list every account, not only the "
                                          "locked-out ones.")};
    QCommandLineOption unlock{QStringLiteral("unlock"),
                              QStringLiteral("Reset the lockout of the account USER, and of every "
                                             "further account named after it when --server is "
                                             "given, on SERVER (this computer when none is "
                                             "named)."),
                              QStringLiteral("USER")};
    QCommandLineOption show{QStringLiteral("show"),
                            QStringLiteral("Show why the account USER is locked out and until "
                                           "when, on SERVER (this computer when none is named)."),
                            QStringLiteral("USER")};
    QCommandLineOption server{
        QStringLiteral("server"),
        QStringLiteral("The server to ask, for --list, --unlock or --show (an empty "
                       "name: this computer)."),
        QStringLiteral("SERVER")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("With --list or --unlock: print one JSON document "
                                           "instead of text.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{QStringLiteral("version"),
                               QStringLiteral("Show the version and exit.")};

    void addTo(QCommandLineParser &parser) const
    {
        parser.setApplicationDescription(
            QStringLiteral("Lists the locked-out and disabled user accounts of a Windows or Samba "
                           "domain controller, or of this computer, and resets lockouts."));
        parser.addOptions({directory, list, all, unlock, show, server, json, help, version});
        parser.addPositionalArgument(
            QStringLiteral("SERVER"),
            QStringLiteral("With --list, or after --unlock USER: the server to ask. After "
                           "--unlock USER with --server: further accounts."),
            QStringLiteral("[SERVER | USER...]"));
    }
};

const char *const helpEpilogue = R"(
Forms:
  tumblerset [--directory FILE]
  tumblerset --list [--all] [--json] [SERVER | --server SERVER]
  tumblerset --unlock USER [SERVER] [--json]
  tumblerset --unlock USER [USER...] --server SERVER [--json]
  tumblerset --show USER [--server SERVER]

Without --server, the one name after --unlock USER is the server, as it
always was. To reset several accounts, name the server with --server
(--server "" for this computer); every name after --unlock is then an account.

Exit status:
  0  the listing ended with its summary and every account was checked;
     or every account was reset or was not locked out
  1  the listing or a reset ended with an error line
  2  the command line or the directory file could not be used
  3  the listing ended with its summary, but some accounts could not be
     checked
)";

// Qt escapes the C0 controls in JSON strings but writes DEL, the C1 range and
// every other character as it is: a terminal would act on some, others show
// as nothing ("\ufeffadmin" would read "admin"), and a reader built on Qt
// would even drop a leading U+FEFF. Whatever printable() escapes in a name is
// written as a JSON escape instead, which keeps the text exact. Such
// characters only stand inside strings; Qt already writes each byte that is
// not UTF-8 as its lone surrogate ("\udce9").
QByteArray terminalSafe(const QByteArray &json)
{
    QByteArray out;
    out.reserve(json.size());
    for (qsizetype i = 0; i < json.size();) {
        const auto lead = static_cast<unsigned char>(json[i]);
        if (lead < 0x80 && lead != 0x7F) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        const qsizetype length = std::min<qsizetype>(lead >= 0xF0   ? 4
                                                     : lead >= 0xE0 ? 3
                                                     : lead >= 0xC0 ? 2
                                                                    : 1,
                                                     json.size() - i);
        const std::string_view character(json.constData() + i, static_cast<std::size_t>(length));
        i += length;
        if (text::printable(character) == character) {
            out.append(character.data(), length);
            continue;
        }
        for (const char16_t unit : text::toUtf16(character))
            out += "\\u" + QByteArray::number(unit, 16).rightJustified(4, '0');
    }
    return out;
}

QJsonValue timeValue(const std::optional<std::int64_t> &time)
{
    return time ? QJsonValue(QString::fromStdString(LocalTimeText(*time, true))) : QJsonValue();
}

QJsonObject accountObject(const ListedAccount &account)
{
    QJsonObject object{{QStringLiteral("name"), qtText(account.name)},
                       {QStringLiteral("fullName"), qtText(account.fullName)},
                       {QStringLiteral("lockedOut"), account.lockedOut},
                       {QStringLiteral("disabled"), account.disabled},
                       {QStringLiteral("checked"), account.checked}};
    // Only where the server keeps them: absent is "unknown", never "none".
    if (const auto &d = account.details) {
        object.insert(QStringLiteral("failedLogons"), static_cast<qint64>(d->failedLogons));
        if (d->lastFailedLogonKnown)
            object.insert(QStringLiteral("lastFailedLogon"), timeValue(d->lastFailedLogon));
        object.insert(QStringLiteral("lastFailedLogonFrom"), qtText(d->lastFailedLogonFrom));
        if (d->lockedOutSinceKnown)
            object.insert(QStringLiteral("lockedOutSince"), timeValue(d->lockedOutSince));
        if (d->unlocksAtKnown)
            object.insert(QStringLiteral("unlocksAt"),
                          timeValue(d->lockedOutSince || !d->lockedOutSinceKnown ? d->unlocksAt
                                                                                 : std::nullopt));
    }
    return object;
}

void printJson(const std::string &server, const QJsonArray &accounts, const QJsonArray &lines,
               int status)
{
    QJsonObject document;
    document.insert(QStringLiteral("server"), qtText(server));
    document.insert(QStringLiteral("accounts"), accounts);
    document.insert(QStringLiteral("lines"), lines);
    document.insert(QStringLiteral("status"), status);
    const QByteArray bytes = terminalSafe(QJsonDocument(document).toJson(QJsonDocument::Indented));
    std::cout.write(bytes.constData(), bytes.size());
}

// Rows and lines go to standard output as text, gathered into large writes
// (a listing of many accounts would leave otherwise in the stream's small
// blocks); with --json they are gathered for one document at the end. Before
// anything is asked on the terminal, and after each batch when standard
// output is a terminal, what was gathered goes out.
class PrintingView final : public ListingView
{
public:
    PrintingView(bool all, bool json)
        : m_all(all), m_json(json), m_terminal(::isatty(STDOUT_FILENO) == 1)
    {}
    ~PrintingView() override { flush(); }
    PrintingView(const PrintingView &) = delete;
    PrintingView &operator=(const PrintingView &) = delete;

    bool ShowAllUsers() const override { return m_all; }
    int RowCount() const override { return m_rows; }
    bool AfterBatch() override
    {
        if (m_terminal)
            flush();
        return true;
    }
    bool AskForLogon(const std::string &server) override
    {
        flush();
        return AskForLogonOnTerminal(server);
    }
    bool WantsDetails() const override { return m_json; }
    void AddLine(const std::string &line) override
    {
        if (m_json) {
            lines.append(QString::fromStdString(line));
            return;
        }
        m_text += line;
        m_text += '\n';
        flushIfFull();
    }
    void AddRow(const ListedAccount &account) override
    {
        ++m_rows;
        if (m_json) {
            accounts.append(accountObject(account));
            return;
        }
        const char *marks = account.lockedOut && account.disabled ? "\tlocked,disabled\n"
                            : account.lockedOut                   ? "\tlocked\n"
                            : account.disabled                    ? "\tdisabled\n"
                                                                  : "\t-\n";
        m_text += PrintableField(account.name);
        m_text += '\t';
        m_text += PrintableField(account.fullName);
        m_text += marks;
        flushIfFull();
    }
    void flush()
    {
        if (m_text.empty())
            return;
        std::cout.write(m_text.data(), static_cast<std::streamsize>(m_text.size()));
        std::cout.flush();
        m_text.clear();
    }

    QJsonArray accounts;
    QJsonArray lines;

private:
    void flushIfFull()
    {
        if (m_text.size() >= blockSize)
            flush();
    }

    static constexpr std::size_t blockSize = 256 * 1024;
    bool m_all;
    bool m_json;
    bool m_terminal;
    int m_rows = 0;
    std::string m_text;
};

QString outcomeName(ResetOutcome outcome)
{
    switch (outcome) {
    case ResetOutcome::NotLockedOut:
        return QStringLiteral("notLockedOut");
    case ResetOutcome::Reset:
        return QStringLiteral("reset");
    case ResetOutcome::Failed:
    case ResetOutcome::LogonRefused:
        return QStringLiteral("failed");
    case ResetOutcome::NoAnswer:
        break;
    }
    return QStringLiteral("noAnswer");
}

// Sorts the names given to --unlock into accounts and a server. Returns an
// error message, or an empty string when they make sense.
std::string takeAccountsAndServer(const QCommandLineParser &parser, const Options &o,
                                  StartupOptions &options)
{
    if (parser.values(o.unlock).size() > 1)
        return "Give --unlock once and name the accounts after it.";
    QStringList names = parser.positionalArguments();
    names.prepend(parser.value(o.unlock));
    if (!parser.isSet(o.server)) {
        // The form scripts have always used: --unlock USER [SERVER].
        if (names.size() > 2)
            return "To reset several accounts, name the server with --server SERVER "
                   "(--server \"\" for this computer).";
        if (names.size() == 2)
            options.server = exactText(names.takeLast());
    }
    for (const QString &name : names) {
        if (name.isEmpty())
            return "--unlock needs user names, and none may be empty.";
        options.users.push_back(exactText(name));
    }
    return {};
}

} // namespace

std::optional<StartupOptions> ParseCommandLine(const QStringList &arguments, std::string &error)
{
    QCommandLineParser parser;
    const Options o;
    o.addTo(parser);
    if (!parser.parse(arguments)) {
        error = exactText(parser.errorText());
        return std::nullopt;
    }
    StartupOptions options;
    if (parser.isSet(o.help)) {
        options.mode = StartupOptions::Mode::Help;
        return options;
    }
    if (parser.isSet(o.version)) {
        options.mode = StartupOptions::Mode::Version;
        return options;
    }
    options.directoryFile = exactText(parser.value(o.directory));
    if (parser.isSet(o.directory) && options.directoryFile.empty()) {
        error = "--directory needs a file name.";
        return std::nullopt;
    }
    if (parser.values(o.server).size() > 1) {
        error = "Name the server once.";
        return std::nullopt;
    }
    options.server = exactText(parser.value(o.server));
    options.allUsers = parser.isSet(o.all);
    options.json = parser.isSet(o.json);
    const QStringList positional = parser.positionalArguments();

    if (parser.isSet(o.list) + parser.isSet(o.unlock) + parser.isSet(o.show) > 1) {
        error = "--list, --unlock and --show cannot be used together.";
        return std::nullopt;
    }
    if (parser.isSet(o.list)) {
        options.mode = StartupOptions::Mode::List;
        if (positional.size() > 1 || (parser.isSet(o.server) && !positional.isEmpty())) {
            error = "Name at most one server.";
            return std::nullopt;
        }
        if (!positional.isEmpty())
            options.server = exactText(positional.front());
    } else if (parser.isSet(o.show)) {
        options.mode = StartupOptions::Mode::Show;
        if (parser.values(o.show).size() > 1 || parser.value(o.show).isEmpty() ||
            !positional.isEmpty()) {
            error = "--show takes one user name; name the server with --server SERVER.";
            return std::nullopt;
        }
        if (options.json) {
            error = "--json goes with --list or --unlock.";
            return std::nullopt;
        }
        options.users.push_back(exactText(parser.value(o.show)));
    } else if (parser.isSet(o.unlock)) {
        options.mode = StartupOptions::Mode::Unlock;
        error = takeAccountsAndServer(parser, o, options);
        if (!error.empty())
            return std::nullopt;
    }
    if (options.allUsers && options.mode != StartupOptions::Mode::List) {
        error = "--all goes with --list.";
        return std::nullopt;
    }
    if (options.mode == StartupOptions::Mode::Window) {
        if (!positional.isEmpty() || parser.isSet(o.server)) {
            error = "A server name goes with --list or --unlock; the window asks for it.";
            return std::nullopt;
        }
        if (options.json) {
            error = "--json goes with --list or --unlock.";
            return std::nullopt;
        }
    }
    return options;
}

std::string CommandLineHelp()
{
    QCommandLineParser parser;
    const Options o;
    o.addTo(parser);
    // Without a running application the parser cannot know the program's name.
    return parser.helpText()
               .replace(QStringLiteral("<executable_name>"), QStringLiteral("tumblerset"))
               .toStdString() +
           helpEpilogue;
}

int RunListCommand(const StartupOptions &options)
{
    PrintingView view(options.allUsers, options.json);
    const ListingOutcome outcome = RunAccountListing(options.server, view);
    const int status = outcome == ListingOutcome::Summary            ? ExitDone
                       : outcome == ListingOutcome::SummaryUnchecked ? ExitUnchecked
                                                                     : ExitFailed;
    view.flush();
    if (options.json)
        printJson(options.server, view.accounts, view.lines, status);
    std::cout.flush();
    return status;
}

// Said of each account left after the server refused the logon: one bad
// logon per command is the most it may cost the operator.
const char *const notAttemptedLine = "Not attempted: the server refused the logon.";

int RunUnlockCommand(const StartupOptions &options)
{
    const bool headed = options.users.size() > 1 && !options.json;
    QJsonArray accounts, allLines;
    int status = ExitDone;
    bool refused = false;
    for (const std::string &user : options.users) {
        if (headed)
            std::cout << PrintableField(user) << ":\n";
        // Until the lookup says otherwise, nothing is known of the account.
        ListedAccount account;
        account.name = user;
        account.checked = false;
        QJsonArray lines;
        const auto addLine = [&](const std::string &line) {
            if (options.json) {
                lines.append(QString::fromStdString(line));
                allLines.append(QString::fromStdString(line));
            } else {
                std::cout << line << '\n';
            }
        };
        QString outcomeText;
        if (refused) {
            addLine(notAttemptedLine);
            outcomeText = QStringLiteral("notAttempted");
        } else {
            ResetCallbacks callbacks;
            callbacks.addLine = addLine;
            callbacks.askForLogon = AskForLogonOnTerminal;
            callbacks.accountFound = [&](const ListedAccount &found) { account = found; };

            const ResetOutcome outcome = ResetLockout(options.server, user, callbacks);
            if (outcome == ResetOutcome::Reset)
                account.lockedOut = false;
            if (outcome != ResetOutcome::Reset && outcome != ResetOutcome::NotLockedOut)
                status = ExitFailed;
            refused = outcome == ResetOutcome::LogonRefused;
            if (outcome == ResetOutcome::NoAnswer)
                // The pane gets no line for it; a script still learns why it failed.
                std::cerr << "tumblerset: the server answered the lookup of "
                          << PrintableField(user) << " without the account.\n";
            outcomeText = outcomeName(outcome);
        }
        if (options.json) {
            QJsonObject entry = accountObject(account);
            entry.insert(QStringLiteral("outcome"), outcomeText);
            entry.insert(QStringLiteral("lines"), lines);
            accounts.append(entry);
        }
    }
    if (options.json)
        printJson(options.server, accounts, allLines, status);
    std::cout.flush();
    return status;
}

std::string PrintableField(const std::string &text)
{
    return text::printable(text);
}

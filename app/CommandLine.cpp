#include "app/CommandLine.h"

#include "app/AccountListing.h"
#include "app/LockoutReset.h"
#include "app/TerminalLogon.h"
#include "platform/text/Printable.h"

#include <QCommandLineParser>
#include <iostream>

namespace {

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
                              QStringLiteral("Reset the lockout of the account USER on SERVER "
                                             "(this computer when none is named)."),
                              QStringLiteral("USER")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{QStringLiteral("version"),
                               QStringLiteral("Show the version and exit.")};

    void addTo(QCommandLineParser &parser) const
    {
        parser.setApplicationDescription(
            QStringLiteral("Lists the locked-out and disabled user accounts of a Windows or Samba "
                           "domain controller, or of this computer, and resets lockouts."));
        parser.addOptions({directory, list, all, unlock, help, version});
        parser.addPositionalArgument(QStringLiteral("SERVER"),
                                     QStringLiteral("The server to ask (with --list or --unlock)."),
                                     QStringLiteral("[SERVER]"));
    }
};

class PrintingView final : public ListingView
{
public:
    explicit PrintingView(bool all) : m_all(all) {}

    bool ShowAllUsers() const override { return m_all; }
    int RowCount() const override { return m_rows; }
    bool AfterBatch() override { return true; }
    bool AskForLogon(const std::string &server) override { return AskForLogonOnTerminal(server); }
    void AddLine(const std::string &line) override { std::cout << line << '\n'; }
    void AddRow(const ListedAccount &account) override
    {
        ++m_rows;
        const char *marks = account.lockedOut && account.disabled ? "locked,disabled"
                            : account.lockedOut                   ? "locked"
                            : account.disabled                    ? "disabled"
                                                                  : "-";
        std::cout << PrintableField(account.name) << '\t' << PrintableField(account.fullName)
                  << '\t' << marks << '\n';
    }

private:
    bool m_all;
    int m_rows = 0;
};

} // namespace

std::optional<StartupOptions> ParseCommandLine(const QStringList &arguments, std::string &error)
{
    QCommandLineParser parser;
    const Options o;
    o.addTo(parser);
    if (!parser.parse(arguments)) {
        error = parser.errorText().toStdString();
        return std::nullopt;
    }
    StartupOptions options;
    options.directoryFile = parser.value(o.directory).toStdString();
    if (parser.isSet(o.directory) && options.directoryFile.empty()) {
        error = "--directory needs a file name.";
        return std::nullopt;
    }
    options.allUsers = parser.isSet(o.all);
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        error = "Name at most one server.";
        return std::nullopt;
    }
    if (!positional.isEmpty())
        options.server = positional.front().toStdString();

    if (parser.isSet(o.help)) {
        options.mode = StartupOptions::Mode::Help;
        return options;
    }
    if (parser.isSet(o.version)) {
        options.mode = StartupOptions::Mode::Version;
        return options;
    }
    if (parser.isSet(o.list) && parser.isSet(o.unlock)) {
        error = "--list and --unlock cannot be used together.";
        return std::nullopt;
    }
    if (parser.isSet(o.list)) {
        options.mode = StartupOptions::Mode::List;
    } else if (parser.isSet(o.unlock)) {
        options.mode = StartupOptions::Mode::Unlock;
        options.user = parser.value(o.unlock).toStdString();
        if (options.user.empty()) {
            error = "--unlock needs a user name.";
            return std::nullopt;
        }
    }
    if (options.allUsers && options.mode != StartupOptions::Mode::List) {
        error = "--all goes with --list.";
        return std::nullopt;
    }
    if (options.mode == StartupOptions::Mode::Window && !options.server.empty()) {
        error = "A server name goes with --list or --unlock; the window asks for it.";
        return std::nullopt;
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
        .toStdString();
}

int RunListCommand(const StartupOptions &options)
{
    PrintingView view(options.allUsers);
    const ListingOutcome outcome = RunAccountListing(options.server, view);
    std::cout.flush();
    return outcome == ListingOutcome::Summary ? 0 : 1;
}

int RunUnlockCommand(const StartupOptions &options)
{
    ResetCallbacks callbacks;
    callbacks.addLine = [](const std::string &line) { std::cout << line << '\n'; };
    callbacks.askForLogon = AskForLogonOnTerminal;
    const ResetOutcome outcome = ResetLockout(options.server, options.user, callbacks);
    std::cout.flush();
    return outcome == ResetOutcome::Reset || outcome == ResetOutcome::NotLockedOut ? 0 : 1;
}

std::string PrintableField(const std::string &text)
{
    return text::printable(text);
}

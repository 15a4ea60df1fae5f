#pragma once

// Tumblerset's command line: the options, and the listing and reset for
// scripts and remote shells, with the same lines as the message pane.

#include <QStringList>
#include <optional>
#include <string>
#include <vector>

// What the program tells its caller when it ends.
enum ExitStatus : int
{
    ExitDone = 0,     // the listing ended with its summary; every reset worked or was not needed
    ExitFailed = 1,   // the listing or a reset ended with an error line
    ExitUsage = 2,    // the command line or the directory file could not be used
    ExitUnchecked = 3 // the listing ended with its summary, but some accounts could not be checked
};

struct StartupOptions
{
    enum class Mode
    {
        Window,
        List,
        Unlock,
        Show,
        Help,
        Version
    };
    Mode mode = Mode::Window;
    std::string directoryFile;      // --directory FILE
    bool allUsers = false;          // --all
    bool json = false;              // --json
    std::vector<std::string> users; // --unlock USER [USER...], or --show USER
    std::string server;             // [SERVER] or --server SERVER; empty: this computer
};

// Reads the arguments (program name first). On a usage error returns nothing
// and sets `error` to a message that names the problem.
std::optional<StartupOptions> ParseCommandLine(const QStringList &arguments, std::string &error);

// The text --help prints.
std::string CommandLineHelp();

// Runs --list: rows then lines on standard output, or one JSON document with
// --json. ExitDone, ExitUnchecked or ExitFailed.
int RunListCommand(const StartupOptions &options);

// Runs --unlock: each account's reset in turn, its lines headed by its name
// when there are several, or one JSON document with --json. ExitDone when
// every account was reset or was not locked out, ExitFailed otherwise.
int RunUnlockCommand(const StartupOptions &options);

// A text made safe for one field of a line on a terminal: control characters
// (tabs, line breaks and the C1 range included) become visible escapes, as
// text::printable writes them.
std::string PrintableField(const std::string &text);

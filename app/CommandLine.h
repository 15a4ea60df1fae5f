#pragma once

// Tumblerset's command line: the options, and the listing and reset for
// scripts and remote shells, with the same lines as the message pane.

#include <QStringList>
#include <optional>
#include <string>

struct StartupOptions
{
    enum class Mode
    {
        Window,
        List,
        Unlock,
        Help,
        Version
    };
    Mode mode = Mode::Window;
    std::string directoryFile; // --directory FILE
    bool allUsers = false;     // --all
    std::string user;          // --unlock USER
    std::string server;        // [SERVER]
};

// Reads the arguments (program name first). On a usage error returns nothing
// and sets `error` to a message that names the problem.
std::optional<StartupOptions> ParseCommandLine(const QStringList &arguments, std::string &error);

// The text --help prints.
std::string CommandLineHelp();

// Runs --list: rows then lines on standard output. 0 when the listing ended
// with its summary, 1 when it ended with an error line.
int RunListCommand(const StartupOptions &options);

// Runs --unlock: the reset's lines on standard output. 0 when the account was
// reset or was not locked out, 1 otherwise.
int RunUnlockCommand(const StartupOptions &options);

// A text made safe for one field of a line on a terminal: control characters
// (tabs, line breaks and the C1 range included) become visible escapes, as
// text::printable writes them.
std::string PrintableField(const std::string &text);

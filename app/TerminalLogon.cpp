#include "app/TerminalLogon.h"

#include "app/Session.h"
#include "platform/netapi/remote/RemoteProvider.h"
#include "platform/text/Printable.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace {

// The terminal's settings before echo was turned off, for the signal handler.
termios savedTerminal{};
volatile sig_atomic_t echoIsOff = 0;

// Ctrl-C (or a kill) while the password is typed ends the program without
// unwinding: echo comes back here, then the signal does what it would have.
void restoreEchoAndDie(int signal)
{
    if (echoIsOff)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Restores the terminal's echo however the read ends: a line, the end of the
// input, an exception or a signal.
class EchoOff
{
public:
    EchoOff()
    {
        if (tcgetattr(STDIN_FILENO, &savedTerminal) != 0)
            return;
        struct sigaction action
        {};
        action.sa_handler = restoreEchoAndDie;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(signals); ++i)
            sigaction(signals[i], &action, &m_previous[i]);
        termios quiet = savedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        echoIsOff = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (echoIsOff)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
        echoIsOff = 0;
        for (std::size_t i = 0; i < std::size(signals); ++i)
            sigaction(signals[i], &m_previous[i], nullptr);
    }
    EchoOff(const EchoOff &) = delete;
    EchoOff &operator=(const EchoOff &) = delete;

private:
    static constexpr int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    struct sigaction m_previous[std::size(signals)]{};
};

} // namespace

bool AskForLogonOnTerminal(const std::string &server)
{
    // A ticket that cannot be used for the name given: the operator learns
    // what name would do, rather than typing a password the ticket was
    // meant to spare.
    if (const std::string advice = LogonAdvice(server); !advice.empty()) {
        std::cerr << "tumblerset: " << text::printable(advice) << '\n';
        return false;
    }
    if (!AcceptsCredentials() || !isatty(STDIN_FILENO) || !isatty(STDERR_FILENO))
        return false;
    std::cerr << text::printable(server)
              << " refused the logon.\nUser name (DOMAIN\\user): " << std::flush;
    netapi::Credentials credentials;
    if (!std::getline(std::cin, credentials.user) || credentials.user.empty())
        return false;
    KeepSecretsOutOfCoreDumps();
    {
        EchoOff quiet;
        std::cerr << "Password: " << std::flush;
        // Room enough that growing leaves no copy behind in freed memory.
        credentials.password.reserve(1024);
        std::getline(std::cin, credentials.password);
    }
    std::cerr << '\n';
    ApplyCredentials(credentials);
    return true;
}

#include "app/TerminalLogon.h"

#include "app/Session.h"
#include "platform/netapi/remote/RemoteProvider.h"
#include "platform/text/Printable.h"

#include <cstdio>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace {

// Restores the terminal's echo however the read ends.
class EchoOff
{
public:
    EchoOff()
    {
        if (tcgetattr(STDIN_FILENO, &m_saved) == 0) {
            termios quiet = m_saved;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            m_active = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~EchoOff()
    {
        if (m_active)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
    }
    EchoOff(const EchoOff &) = delete;
    EchoOff &operator=(const EchoOff &) = delete;

private:
    termios m_saved{};
    bool m_active = false;
};

} // namespace

bool AskForLogonOnTerminal(const std::string &server)
{
    if (!AcceptsCredentials() || !isatty(STDIN_FILENO) || !isatty(STDERR_FILENO))
        return false;
    std::cerr << text::printable(server)
              << " refused the logon.\nUser name (DOMAIN\\user): " << std::flush;
    std::string user;
    if (!std::getline(std::cin, user) || user.empty())
        return false;
    std::string password;
    {
        EchoOff quiet;
        std::cerr << "Password: " << std::flush;
        std::getline(std::cin, password);
    }
    std::cerr << '\n';
    ApplyCredentials({user, password});
    password.assign(password.size(), '\0');
    return true;
}

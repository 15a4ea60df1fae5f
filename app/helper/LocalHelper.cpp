// tumblerset-local-helper: the local provider's root work for a window run by
// a normal user. The window starts it through pkexec, which runs it as root
// once polkit has authorised the action for this program
// (org.marrowlight.tumblerset.local-lockouts). It lists this computer's
// accounts with their states, looks one up, reads why and until when one is
// locked out, and resets one's lockout, and nothing else: requests come on standard input and
// answers go to standard output, in the line protocol of platform/netapi/HelperProtocol.h.
//
// It trusts nothing of whoever started it: the environment is emptied (PATH
// is fixed), no argument is taken, every request is checked before it is
// acted on, the process cannot be dumped or traced by its caller's user, and
// it ends after a few idle minutes so that no root process outlives its use
// for long.
//
// The build also makes a copy for tests (TUMBLERSET_HELPER_TEST_ROOT), never
// installed, that reads the account files under a folder it is given, and
// only when run by root directly (not through pkexec).

#include "platform/netapi/HelperProtocol.h"
#include "platform/netapi/LocalProvider.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

namespace helper = netapi::helper;

constexpr int IdleMilliseconds = 5 * 60 * 1000;

enum Exit
{
    ExitDone = 0,
    ExitRefused = 2,   // a request or an argument that is not accepted
    ExitCutShort = 3,  // input ended in the middle of a request
    ExitIdle = 4,      // nothing asked for IdleMilliseconds
    ExitBrokenPipe = 5 // the answer could not be written
};

bool writeAll(const std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string answer(netapi::LocalProvider &provider, const helper::Request &request)
{
    using Verb = helper::Request::Verb;
    switch (request.verb) {
    case Verb::List: {
        std::uint32_t resume = request.resume;
        std::vector<netapi::AccountEntry> entries;
        const std::uint32_t status =
            provider.enumerate({}, request.filter, request.prefMaxLen, resume, entries);
        std::string out = "OK " + std::to_string(status) + ' ' + std::to_string(resume) + ' ' +
                          std::to_string(entries.size()) + '\n';
        for (const netapi::AccountEntry &e : entries)
            out += "ENTRY " + helper::encode(e.name) + ' ' + helper::encode(e.comment) + ' ' +
                   helper::encode(e.userComment) + ' ' + helper::encode(e.fullName) + '\n';
        return out;
    }
    case Verb::Info: {
        netapi::AccountInfo info;
        const std::uint32_t status = provider.getInfo({}, request.name, info);
        if (status != 0)
            return "OK " + std::to_string(status) + '\n';
        return "OK 0 " + helper::encode(info.name) + ' ' + helper::encode(info.fullName) + ' ' +
               helper::encode(info.comment) + ' ' + std::to_string(info.flags) + ' ' +
               std::to_string(info.userId) + '\n';
    }
    case Verb::Reset:
        return "OK " + std::to_string(provider.setFlags({}, request.name, request.flags)) + '\n';
    case Verb::Details: {
        netapi::AccountDetails details;
        const std::uint32_t status = provider.getDetails({}, request.name, details);
        if (status != 0)
            return "OK " + std::to_string(status) + '\n';
        return helper::detailsAnswer(details);
    }
    }
    return "OK 50\n";
}

int serve(netapi::LocalProvider &provider)
{
    if (!writeAll(std::string(helper::Greeting) + '\n'))
        return ExitBrokenPipe;
    std::string pending;
    char buffer[4096];
    for (;;) {
        pollfd in{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&in, 1, IdleMilliseconds);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return ExitIdle;
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return pending.empty() ? ExitDone : ExitCutShort;
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t newline;
        while ((newline = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            std::string why;
            const auto request = helper::parseRequest(line, why);
            if (!request) {
                writeAll("REFUSED " + helper::encode(why) + '\n');
                return ExitRefused;
            }
            if (!writeAll(answer(provider, *request)))
                return ExitBrokenPipe;
        }
        if (pending.size() >= helper::MaxRequestBytes) {
            writeAll("REFUSED " + helper::encode("request too long") + '\n');
            return ExitRefused;
        }
    }
}

// Nothing of the caller's environment reaches the provider: locale, PATH,
// XDG folders, preloads and the like are all dropped.
void resetEnvironment()
{
    ::clearenv();
    ::setenv("PATH", "/usr/sbin:/usr/bin:/sbin:/bin", 1);
    ::umask(077);
    ::signal(SIGPIPE, SIG_IGN);
    // Only the three standard descriptors are the caller's to give.
    ::close_range(3, ~0U, 0);
}

} // namespace

int main(int argc, char **argv)
{
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    netapi::LocalProvider::Options options;
#ifdef TUMBLERSET_HELPER_TEST_ROOT
    // The test copy: --root DIR [--pam DIR], for root running it directly.
    const bool direct = ::getuid() == 0 && !std::getenv("PKEXEC_UID");
    for (int i = 1; i + 1 < argc && direct; i += 2) {
        if (std::strcmp(argv[i], "--root") == 0)
            options.root = argv[i + 1];
        else if (std::strcmp(argv[i], "--pam") == 0)
            options.pamFolder = argv[i + 1];
        else
            argc = -1;
    }
    if (!direct || argc < 0 || argc % 2 == 0) {
        std::fputs("tumblerset-local-helper: the test copy runs for root directly, with "
                   "--root DIR [--pam DIR]\n",
                   stderr);
        return ExitRefused;
    }
#else
    if (argc > 1) {
        std::fputs("tumblerset-local-helper: takes no arguments; it is started by tumblerset "
                   "through pkexec\n",
                   stderr);
        return ExitRefused;
    }
    (void)argv;
#endif
    resetEnvironment();
    netapi::LocalProvider provider(std::move(options));
    return serve(provider);
}

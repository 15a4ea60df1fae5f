#include "platform/netapi/HelperProvider.h"

#include "platform/WinError.h"
#include "platform/netapi/HelperProtocol.h"

#include <cerrno>
#include <spawn.h>
#include <string_view>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace netapi {

namespace {

bool isServedHere(const std::string &server)
{
    return server.empty();
}

} // namespace

HelperProvider::HelperProvider(std::vector<std::string> command,
                               std::shared_ptr<AccountProvider> fallback)
    : m_command(std::move(command)), m_fallback(std::move(fallback))
{}

HelperProvider::~HelperProvider()
{
    stop();
}

bool HelperProvider::start()
{
    if (m_command.empty())
        return false;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return false;
    files::Descriptor mine(pair[0]);
    files::Descriptor theirs(pair[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Its standard input and output are its end of the socket; dup2 leaves
    // the copies open across exec. Standard error stays the window's.
    posix_spawn_file_actions_adddup2(&actions, theirs.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, theirs.get(), STDOUT_FILENO);
    std::vector<char *> argv;
    for (const std::string &arg : m_command)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    // pkexec needs the caller's environment to find its agent; it hands the
    // helper only a few variables of its own, which the helper drops too.
    const int error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return false;
    theirs.reset();
    m_socket = std::move(mine);
    m_pid = pid;
    m_buffered.clear();

    // pkexec asks polkit before it runs the helper: until the greeting comes,
    // the agent's dialog may be up.
    std::string greeting;
    if (readLine(greeting) && greeting == helper::Greeting)
        return true;
    m_socket.reset();
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    if (WIFEXITED(status) &&
        (WEXITSTATUS(status) == ExitDismissed || WEXITSTATUS(status) == ExitNotAuthorised))
        m_state = State::Refused;
    return false;
}

void HelperProvider::stop()
{
    // End of input tells the helper to leave.
    m_socket.reset();
    if (m_pid > 0) {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    m_pid = -1;
    m_buffered.clear();
}

bool HelperProvider::ensureRunning()
{
    if (m_state == State::Running)
        return true;
    if (m_state != State::NotStarted)
        return false;
    m_state = State::Unavailable;
    if (start())
        m_state = State::Running;
    return m_state == State::Running;
}

bool HelperProvider::readLine(std::string &line)
{
    for (;;) {
        const std::size_t newline = m_buffered.find('\n');
        if (newline != std::string::npos) {
            line = m_buffered.substr(0, newline);
            m_buffered.erase(0, newline + 1);
            return true;
        }
        if (m_buffered.size() > helper::MaxAnswerBytes)
            return false;
        char buffer[4096];
        const ssize_t n = ::recv(m_socket.get(), buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        m_buffered.append(buffer, static_cast<std::size_t>(n));
    }
}

bool HelperProvider::ask(const std::string &request, std::string &answer)
{
    // A helper that left while idle is started again, once; one that breaks
    // off after the request was sent is not asked twice, since a reset may
    // have been made.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool wasRunning = m_state == State::Running;
        if (!ensureRunning())
            return false;
        const std::string line = request + '\n';
        std::size_t sent = 0;
        while (sent < line.size()) {
            const ssize_t n =
                ::send(m_socket.get(), line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        if (sent == 0 && wasRunning) {
            stop();
            m_state = State::NotStarted;
            continue;
        }
        if (sent == line.size() && readLine(answer) && answer.starts_with("OK "))
            return true;
        break;
    }
    stop();
    m_state = State::Unavailable;
    return false;
}

template <typename Read, typename Fallback>
std::uint32_t HelperProvider::exchange(const std::string &server, const std::string *user,
                                       const std::string &request, Read read, Fallback fallback)
{
    if (!isServedHere(server))
        return NERR_InvalidComputer;
    // A name the helper would refuse names no account it could look up.
    if (user && !helper::nameRefusal(*user).empty())
        return NERR_UserNotFound;
    std::unique_lock lock(m_mutex);
    std::string answer;
    if (!ask(request, answer)) {
        lock.unlock();
        return fallback();
    }
    return read(answer);
}

std::uint32_t HelperProvider::enumerate(const std::string &server, std::uint32_t filter,
                                        std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                                        std::vector<AccountEntry> &out)
{
    const auto read = [&](const std::string &answer) -> std::uint32_t {
        const auto fields = helper::splitFields(answer);
        if (fields.size() != 4)
            return NERR_InternalError;
        const std::optional<std::uint32_t> status = helper::parseNumber(fields[1]);
        const std::optional<std::uint32_t> resume = helper::parseNumber(fields[2]);
        const std::uint32_t count = helper::parseNumber(fields[3]).value_or(0xFFFFFFFFu);
        if (!status || !resume || count > helper::MaxAnswerBytes)
            return NERR_InternalError;
        std::vector<AccountEntry> entries;
        for (std::uint32_t i = 0; i < count; ++i) {
            std::string line;
            if (!readLine(line))
                return NERR_InternalError;
            const auto entry = helper::splitFields(line);
            if (entry.size() != 5 || entry[0] != "ENTRY")
                return NERR_InternalError;
            auto name = helper::decode(entry[1]);
            auto comment = helper::decode(entry[2]);
            auto userComment = helper::decode(entry[3]);
            auto fullName = helper::decode(entry[4]);
            if (!name || !comment || !userComment || !fullName)
                return NERR_InternalError;
            entries.push_back({std::move(*name), std::move(*comment), std::move(*userComment),
                               std::move(*fullName)});
        }
        out.insert(out.end(), std::make_move_iterator(entries.begin()),
                   std::make_move_iterator(entries.end()));
        resumeHandle = *resume;
        return *status;
    };
    return exchange(
        server, nullptr,
        "LIST " + std::to_string(filter) + ' ' + std::to_string(prefMaxLen) + ' ' +
            std::to_string(resumeHandle),
        read, [&] { return m_fallback->enumerate(server, filter, prefMaxLen, resumeHandle, out); });
}

namespace {

// The status of an answer "OK <status> ...", when it is well formed.
std::optional<std::uint32_t> statusOf(const std::vector<std::string_view> &fields)
{
    return fields.size() >= 2 ? helper::parseNumber(fields[1]) : std::nullopt;
}

} // namespace

std::uint32_t HelperProvider::getInfo(const std::string &server, const std::string &user,
                                      AccountInfo &out)
{
    const auto read = [&](const std::string &answer) -> std::uint32_t {
        const auto fields = helper::splitFields(answer);
        const auto status = statusOf(fields);
        if (!status)
            return NERR_InternalError;
        if (*status != 0)
            return *status;
        if (fields.size() != 7)
            return NERR_InternalError;
        auto name = helper::decode(fields[2]);
        auto fullName = helper::decode(fields[3]);
        auto comment = helper::decode(fields[4]);
        const auto flags = helper::parseNumber(fields[5]);
        const auto uid = helper::parseNumber(fields[6]);
        if (!name || !fullName || !comment || !flags || !uid)
            return NERR_InternalError;
        out.name = std::move(*name);
        out.fullName = std::move(*fullName);
        out.comment = std::move(*comment);
        out.flags = *flags;
        out.userId = *uid;
        return NERR_Success;
    };
    return exchange(server, &user, "INFO " + helper::encode(user), read,
                    [&] { return m_fallback->getInfo(server, user, out); });
}

std::uint32_t HelperProvider::setFlags(const std::string &server, const std::string &user,
                                       std::uint32_t flags)
{
    const auto read = [](const std::string &answer) -> std::uint32_t {
        const auto fields = helper::splitFields(answer);
        const auto status = fields.size() == 2 ? statusOf(fields) : std::nullopt;
        return status ? *status : NERR_InternalError;
    };
    return exchange(server, &user, "RESET " + helper::encode(user) + ' ' + std::to_string(flags),
                    read, [&] { return m_fallback->setFlags(server, user, flags); });
}

std::uint32_t HelperProvider::getDetails(const std::string &server, const std::string &user,
                                         AccountDetails &out)
{
    const auto read = [&](const std::string &answer) -> std::uint32_t {
        const auto fields = helper::splitFields(answer);
        const auto status = statusOf(fields);
        if (!status)
            return NERR_InternalError;
        if (*status != 0)
            return fields.size() == 2 ? *status : NERR_InternalError;
        AccountDetails details;
        std::uint32_t count = 0;
        if (!helper::parseDetails(answer, details, count) || count > helper::MaxAnswerBytes)
            return NERR_InternalError;
        // Read to the end even when a line is bad, so the next answer is in step.
        bool wellFormed = true;
        for (std::uint32_t i = 0; i < count; ++i) {
            std::string line;
            if (!readLine(line))
                return NERR_InternalError;
            FailedLogon failure;
            wellFormed = helper::parseFailure(line, failure) && wellFormed;
            details.failures.push_back(std::move(failure));
        }
        if (!wellFormed)
            return NERR_InternalError;
        out = std::move(details);
        return NERR_Success;
    };
    return exchange(server, &user, "DETAILS " + helper::encode(user), read,
                    [&] { return m_fallback->getDetails(server, user, out); });
}

std::string HelperProvider::takeNotice()
{
    const std::lock_guard lock(m_mutex);
    const State state = m_state;
    if (state == State::Refused || state == State::Unavailable)
        m_state = State::NotStarted;
    if (state == State::Refused)
        return "The authorisation to read and reset this computer's lockouts was refused.";
    if (state == State::Unavailable)
        return "The helper that reads this computer's lockouts could not be started.";
    return {};
}

} // namespace netapi

#pragma once

// This computer's accounts for a window run by a normal user: the local
// provider's root work is done by the local helper, started through pkexec
// on the first call (the desktop's polkit agent asks for an administrator's
// password then), and kept for the calls that follow. The helper speaks the
// protocol of HelperProtocol.h.
//
// When the authorisation is refused or cancelled, or the helper cannot be
// started, the calls go to the fallback (the local provider as this user,
// which reads what a normal user may and answers "access denied" for the
// rest) until takeNotice() is called; the next call after it asks again. A
// helper that has ended since the last call (it leaves after a few idle
// minutes) is started afresh.

#include "platform/files/Descriptor.h"
#include "platform/netapi/AccountProvider.h"

#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace netapi {

class HelperProvider : public AccountProvider
{
public:
    // pkexec's exit codes when the authorisation was not given.
    static constexpr int ExitDismissed = 126;
    static constexpr int ExitNotAuthorised = 127;

    // command: the program and its arguments, "/usr/bin/pkexec" and the
    // installed helper in use; tests give a stand-in. fallback serves the
    // calls while the helper is refused.
    HelperProvider(std::vector<std::string> command, std::shared_ptr<AccountProvider> fallback);
    ~HelperProvider() override;

    std::uint32_t enumerate(const std::string &server, std::uint32_t filter,
                            std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                            std::vector<AccountEntry> &out) override;
    std::uint32_t getInfo(const std::string &server, const std::string &user,
                          AccountInfo &out) override;
    std::uint32_t setFlags(const std::string &server, const std::string &user,
                           std::uint32_t flags) override;
    std::uint32_t getDetails(const std::string &server, const std::string &user,
                             AccountDetails &out) override;

    // The line for the message pane when the helper was refused or could not
    // be started since the last call, once; empty otherwise. The next call
    // asks for the helper again.
    std::string takeNotice();

private:
    enum class State
    {
        NotStarted,
        Running,
        Refused,    // pkexec said no, or the dialog was dismissed
        Unavailable // the helper could not be started or broke off
    };

    // One call: refuses what the helper could not serve (another server;
    // with user, a name it would refuse), then sends request under the lock
    // and hands the first line of the answer to read, which may read the
    // lines that follow. When the helper cannot be had, fallback() serves
    // the call instead, without the lock.
    template <typename Read, typename Fallback>
    std::uint32_t exchange(const std::string &server, const std::string *user,
                           const std::string &request, Read read, Fallback fallback);
    // Starts the helper when none runs and none was refused; true when one runs.
    bool ensureRunning();
    bool start();
    void stop();
    // Sends one request and reads the first line of its answer; false when
    // the helper is gone.
    bool ask(const std::string &request, std::string &answer);
    bool readLine(std::string &line);

    const std::vector<std::string> m_command;
    const std::shared_ptr<AccountProvider> m_fallback;

    std::mutex m_mutex;
    State m_state = State::NotStarted;
    files::Descriptor m_socket;
    pid_t m_pid = -1;
    std::string m_buffered; // read past the last line
};

} // namespace netapi

// libnetapi, Samba's implementation of the account management calls. Its
// header is kept to this file (see SambaClient.h).

#include "platform/netapi/remote/SambaClient.h"

#include <cstdint> // netapi.h uses the fixed-width types without including them
extern "C" {
#include <netapi.h>
}

#include <cstdio>
#include <unistd.h>

// Exported by libsamba-util but declared in no installed header: the path of
// the smb.conf that libnetapi_init loads. libnetapi_init fails when that file
// is missing, which it is on a machine with the client libraries alone.
extern "C" const char *get_dyn_CONFIGFILE(void);
extern "C" const char *set_dyn_CONFIGFILE(const char *newpath);

namespace netapi::samba {
namespace {

libnetapi_ctx *context = nullptr;
cli_credentials *contextCredentials = nullptr;

std::string text(const char *value)
{
    return value ? std::string(value) : std::string();
}

// Frees a buffer libnetapi handed out when it goes out of scope.
struct NetApiBuffer
{
    std::uint8_t *data = nullptr;
    ~NetApiBuffer()
    {
        if (data)
            NetApiBufferFree(data);
    }
};

void shutDown()
{
    if (!context)
        return;
    libnetapi_free(context);
    context = nullptr;
    contextCredentials = nullptr;
}

// Samba's client prints some failures ("session setup failed: ...") on
// standard output, where they would mix with the lines a script reads. While
// a call runs, standard output goes to standard error instead.
class OutputToErrors
{
public:
    OutputToErrors()
    {
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        if (m_saved >= 0)
            dup2(STDERR_FILENO, STDOUT_FILENO);
    }
    ~OutputToErrors()
    {
        if (m_saved < 0)
            return;
        std::fflush(stdout);
        dup2(m_saved, STDOUT_FILENO);
        close(m_saved);
    }
    OutputToErrors(const OutputToErrors &) = delete;
    OutputToErrors &operator=(const OutputToErrors &) = delete;

private:
    int m_saved = -1;
};

} // namespace

std::string configFile()
{
    static const std::string path = [] {
        const std::string samba = text(get_dyn_CONFIGFILE());
        // An empty configuration means Samba's defaults.
        return access(samba.c_str(), R_OK) == 0 ? samba : std::string("/dev/null");
    }();
    return path;
}

std::uint32_t useCredentials(cli_credentials *credentials)
{
    if (context && contextCredentials == credentials)
        return 0;
    // The connection cache belongs to the context and remembers who logged
    // on, so other credentials need a context of their own.
    shutDown();
    set_dyn_CONFIGFILE(configFile().c_str());
    libnetapi_ctx *fresh = nullptr;
    const NET_API_STATUS status = libnetapi_init(&fresh);
    if (status != 0)
        return status;
    // libnetapi_init's own credentials would ask for a missing password on
    // the terminal; ours never do.
    libnetapi_set_creds(fresh, credentials);
    libnetapi_set_debuglevel(fresh, "0");
    context = fresh;
    contextCredentials = credentials;
    return 0;
}

void forgetCredentials(cli_credentials *credentials)
{
    if (context && contextCredentials == credentials)
        shutDown();
}

std::uint32_t enumerateUsers(const std::string &server, std::uint32_t filter,
                             std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                             std::vector<AccountEntry> &out)
{
    NetApiBuffer buffer;
    std::uint32_t entriesRead = 0;
    std::uint32_t totalEntries = 0;
    const OutputToErrors quiet;
    const NET_API_STATUS status = NetUserEnum(server.c_str(), 10, filter, &buffer.data, prefMaxLen,
                                              &entriesRead, &totalEntries, &resumeHandle);
    if ((status == 0 || status == 234) && buffer.data) {
        const auto *records = reinterpret_cast<const USER_INFO_10 *>(buffer.data);
        for (std::uint32_t i = 0; i < entriesRead; ++i) {
            out.push_back({text(records[i].usri10_name), text(records[i].usri10_comment),
                           text(records[i].usri10_usr_comment), text(records[i].usri10_full_name)});
        }
    }
    return status;
}

std::uint32_t getUserInfo(const std::string &server, const std::string &user, AccountInfo &out)
{
    NetApiBuffer buffer;
    const OutputToErrors quiet;
    const NET_API_STATUS status = NetUserGetInfo(server.c_str(), user.c_str(), 20, &buffer.data);
    if (status == 0 && buffer.data) {
        const auto *record = reinterpret_cast<const USER_INFO_20 *>(buffer.data);
        out.name = text(record->usri20_name);
        out.fullName = text(record->usri20_full_name);
        out.comment = text(record->usri20_comment);
        out.flags = record->usri20_flags;
        out.userId = record->usri20_user_id;
    }
    return status;
}

} // namespace netapi::samba

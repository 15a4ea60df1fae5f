// Credentials and configuration from Samba's client libraries: given ones,
// or those Samba's usual sources yield, read with the sudo caller's
// environment out of the way.

#include "platform/netapi/remote/SambaCredentials.h"

#include "platform/netapi/remote/SambaLibraries.h"

#include <cstdlib>
#include <mutex>
#include <optional>
#include <string.h>
#include <sys/prctl.h>
#include <unistd.h>

// Exported by libsamba-util but declared in no installed header: the path of
// the smb.conf Samba's clients load by default.
extern "C" const char *get_dyn_CONFIGFILE(void);

namespace netapi::samba {
namespace {

// Run by root under sudo, the environment is the user's: their USER, PASSWD,
// PASSWD_FILE and PASSWD_FD must not become root's logon (the descriptor
// would be read from whatever root's process has open under that number).
// Samba reads them while it guesses; they are hidden for that time only.
class SudoEnvironmentHidden
{
public:
    SudoEnvironmentHidden()
    {
        if (!std::getenv("SUDO_UID") || ::geteuid() != 0)
            return;
        for (std::size_t i = 0; i < std::size(names); ++i) {
            if (const char *value = std::getenv(names[i])) {
                m_saved[i] = value;
                ::unsetenv(names[i]);
            }
        }
    }
    ~SudoEnvironmentHidden()
    {
        for (std::size_t i = 0; i < std::size(names); ++i) {
            if (m_saved[i]) {
                ::setenv(names[i], m_saved[i]->c_str(), 1);
                ::explicit_bzero(m_saved[i]->data(), m_saved[i]->capacity());
            }
        }
    }
    SudoEnvironmentHidden(const SudoEnvironmentHidden &) = delete;
    SudoEnvironmentHidden &operator=(const SudoEnvironmentHidden &) = delete;

private:
    static constexpr const char *names[] = {"USER", "PASSWD", "PASSWD_FILE", "PASSWD_FD"};
    std::optional<std::string> m_saved[std::size(names)];
};

// A process that holds a password leaves no core dump and cannot be attached
// to by other processes of the same user.
void keepOutOfCoreDumps()
{
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

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

void Credentials::makeClient()
{
    static std::once_flag initialised;
    std::call_once(initialised, [] {
#if defined(__SANITIZE_ADDRESS__)
        // Sanitizer builds only: the sanitizer refuses libraries opened with
        // RTLD_DEEPBIND, which ldb uses for the LDAP client's modules
        // unless told not to.
        setenv("LDB_MODULES_DISABLE_DEEPBIND", "1", 0);
#endif
        dcerpc_init();
    });
    m_memory = newTallocMemory();
    m_config = loadparm_init(m_memory.get());
    lpcfg_load(m_config, configFile().c_str());
    m_events = tevent_context_init(m_memory.get());
    m_credentials = cli_credentials_init(m_memory.get());
    cli_credentials_set_conf(m_credentials, m_config);
}

Credentials::Credentials()
{
    makeClient();
    {
        const SudoEnvironmentHidden hidden;
        cli_credentials_guess(m_credentials, m_config);
    }
    // No password callback is installed: Samba's client asks none on its
    // own, and the empty answer of one would outrank the ticket, which Samba
    // then drops (every logon after the first would go without it).
    const char *password = cli_credentials_get_password(m_credentials);
    m_hasPassword = password && *password;
    if (m_hasPassword)
        keepOutOfCoreDumps();
    // guess takes the ticket cache's principal when the cache has one; a
    // ticket is enough to log on.
    bool hasTicket = false;
    {
        const TallocMemory probe = newTallocMemory(m_memory.get());
        cli_credentials *ticket = cli_credentials_init(probe.get());
        cli_credentials_set_conf(ticket, m_config);
        const char *error = nullptr;
        cli_credentials_set_ccache(ticket, m_config, nullptr, CRED_SPECIFIED, &error);
        credentials_obtained obtained = CRED_UNINITIALISED;
        const char *principal =
            cli_credentials_get_principal_and_obtained(ticket, probe.get(), &obtained);
        hasTicket = principal && obtained == CRED_SPECIFIED;
        if (hasTicket)
            m_ticketPrincipal = principal;
    }
    m_canLogOn = hasTicket || m_hasPassword;
    // Where the ticket cannot be used (a server named by its address, or by a
    // name it has no service principal for) Samba would go on to a logon
    // with the ticket's user name and an empty password, which the server
    // counts as a bad one. With nothing but the ticket, it is Kerberos or no
    // logon at all; the directory's logon follows the same rule.
    m_ticketOnly = hasTicket && !m_hasPassword;
    if (m_ticketOnly)
        cli_credentials_set_kerberos_state(m_credentials, CRED_USE_KERBEROS_REQUIRED,
                                           CRED_SPECIFIED);
}

Credentials::Credentials(const std::string &user, const std::string &password)
{
    makeClient();
    if (!password.empty())
        keepOutOfCoreDumps();
    cli_credentials_parse_string(m_credentials, user.c_str(), CRED_SPECIFIED);
    cli_credentials_set_password(m_credentials, password.c_str(), CRED_SPECIFIED);
    m_hasPassword = !password.empty();
    m_canLogOn = m_hasPassword;
}

Credentials::~Credentials() = default;

bool Credentials::canLogOn() const
{
    return m_canLogOn;
}

bool Credentials::ticketOnly() const
{
    return m_ticketOnly;
}

std::string Credentials::ticketPrincipal() const
{
    return m_ticketPrincipal;
}

cli_credentials *Credentials::get() const
{
    return m_credentials;
}

loadparm_context *Credentials::config() const
{
    return m_config;
}

tevent_context *Credentials::events() const
{
    return m_events;
}

} // namespace netapi::samba

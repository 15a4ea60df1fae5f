// A password in the environment, as Samba's clients read one, makes the
// process non-dumpable from start-up on; checked in real child processes.

#include "app/Session.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What PR_GET_DUMPABLE says in a child that starts dumpable, sets `name` to
// `value` and runs the start-up check.
int dumpableWith(const char *name, const char *value)
{
    const pid_t child = fork();
    if (child == 0) {
        ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
        for (const char *other : {"PASSWD", "PASSWD_FILE", "PASSWD_FD"})
            unsetenv(other);
        setenv("USER", "someone", 1);
        if (name)
            setenv(name, value, 1);
        KeepEnvironmentSecretsOutOfCoreDumps();
        _exit(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0));
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(Session, APasswordInTheEnvironmentMakesTheProcessNonDumpable)
{
    EXPECT_EQ(dumpableWith(nullptr, nullptr), 1) << "no password: nothing to hide";
    EXPECT_EQ(dumpableWith("PASSWD", "secret"), 0);
    EXPECT_EQ(dumpableWith("PASSWD_FILE", "/run/secret"), 0);
    EXPECT_EQ(dumpableWith("PASSWD_FD", "3"), 0);
    EXPECT_EQ(dumpableWith("USER", "TEST\\worker%secret"), 0);
}

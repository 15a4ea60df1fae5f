#include "tests/peers/PeerNamespace.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
// Samba's libraries lack frame pointers: the leak checker needs the slow
// unwinder to see which library kept a block, and the suppressions name
// Samba's own frames only. The checker of this GCC misreads the thread-local
// blocks of libraries loaded with dlopen (the Samba module's) and crashes at
// exit unless it leaves __tls_get_addr alone; the blocks are still scanned, as
// heap blocks reachable from each thread.
extern "C" const char *__asan_default_options()
{
    return "fast_unwind_on_malloc=0:intercept_tls_get_addr=0";
}
extern "C" const char *__lsan_default_options()
{
    return "suppressions=" TUMBLERSET_SOURCE_DIR "/tests/lsan.supp";
}
#endif

namespace {
// Joined before main, while the process has one thread: setns moves only the
// calling thread, and every thread started later inherits its namespace.
const bool joined = [] {
    if (geteuid() != 0)
        return false;
    const int fd = open(TUMBLERSET_PEERS_DIR "/netns", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = setns(fd, CLONE_NEWNET) == 0;
    close(fd);
    return ok;
}();
} // namespace

bool joinedPeerNamespace()
{
    return joined;
}

#pragma once

// Whether a folder is safe to write in when the tool may run as root: a
// folder someone else controls lets them swap a file in it for a link (or a
// hard link) to any other file between the tool's check and its write.

#include <sys/stat.h>

namespace files {

// Why the folder described by `folder` is not to be written in ("belongs to
// another user", "is writable by other users"), or null when root or the
// running user owns it and nobody else may write to it.
const char *untrustedFolderReason(const struct stat &folder);

} // namespace files

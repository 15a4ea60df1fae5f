#pragma once

// Opening a folder the tool writes in, possibly as root: a folder someone
// else controls lets them swap a file in it for a link (or a hard link) to any
// other file between the tool's check and its write.

namespace files {

// Opens the folder at path (O_RDONLY | O_DIRECTORY | O_CLOEXEC | extraFlags)
// if root or the running user owns it and nobody else may write to it. On
// failure -1 with errno set; when the folder itself is refused, errno is
// EACCES and `refused` says why ("belongs to another user", "is writable by
// other users", or with O_NOFOLLOW "is a symbolic link"), else it is null.
int openTrustedFolder(const char *path, int extraFlags, const char *&refused);

} // namespace files

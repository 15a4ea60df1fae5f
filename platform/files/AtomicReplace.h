#pragma once

// Writing a file so that a crash, a full disk or another writer never leaves
// it half written: a new file beside it, renamed over it. Both work in a
// folder the caller has opened (and checked), never through a link.

#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace files {

// Writes `content` to a new file `name` in `folder`, never over an existing
// file or through a link (O_EXCL), with `mode`, and syncs it. On failure the
// new file is removed again. 0, or the errno of the failure (EEXIST when the
// name is taken).
int writeNewAt(int folder, const char *name, std::string_view content, mode_t mode = 0600);

// Replaces the file `name` in `folder` by one holding `content`: written to a
// temporary name of its own in the same folder, synced, renamed over `name`
// (which replaces whatever entry is there, a link included, without following
// it), and the folder synced, so that a crash leaves the old file or the new
// one, whole. The new file keeps the owner and mode of the regular file it
// replaces (root rewriting a user's file must not take it from them); where
// there is none it gets `mode`. Nothing is left behind on failure. 0, or the
// errno of the failure. `made`, when given, receives the new file's fstat.
int replaceAt(int folder, const char *name, std::string_view content, mode_t mode = 0600,
              struct stat *made = nullptr);

} // namespace files

#pragma once

// Opening a folder the tool writes in, possibly as root: whoever can change
// any folder on the way to it can swap the folder, or a file in it, for a link
// (or a hard link) to any other file between the tool's check and its write.

#include "platform/files/Descriptor.h"

#include <string>
#include <string_view>

namespace files {

// Why a walk stopped at a folder it does not trust.
struct Refusal
{
    std::string folder; // the folder refused, as the walk reached it
    const char *why = nullptr;

    explicit operator bool() const { return why != nullptr; }
    // "<target> <why>", or "<target> is reached through <folder>, which
    // <why>" when the refused folder is one on the way to target.
    std::string describe(std::string_view target) const;
};

struct WalkOptions
{
    // Missing folders are made on the way, readable by their owner only.
    bool create = false;
    // Where the walk starts instead of `/` (an absolute path, itself walked
    // from `/`). The walk never leaves it: a `..` above it is refused, and a
    // link to an absolute path is followed from it. Lets a caller keep a tree
    // of its own, as a system root for tests. Defaults to `/`.
    std::string_view root;
};

// Opens the folder at `path` by walking to it from the root one folder at a
// time, each opened relative to the one before without following a link
// (O_NOFOLLOW | O_DIRECTORY) and checked on its open descriptor: it belongs
// to root or to the effective user, and nobody else may write to it. A `..`
// steps to the parent, checked the same way. Two cases keep ordinary systems
// usable without giving anyone else a say:
// - A symbolic link in a folder that passed is followed by the walk itself,
//   its target walked the same way: only root or we could have put it there
//   (/var/run -> /run).
// - A folder others may write to but with the sticky bit (/tmp, /dev/shm),
//   root's or ours, is passed through to an entry that is root's or ours,
//   which the kernel then lets nobody else rename or remove. It never ends
//   the walk, since anyone could claim a name in it, and no link in it is
//   followed.
// A relative path starts from the working folder. On failure the descriptor
// is empty and errno set: EACCES with `refusal` filled when a folder was
// refused, else the errno of the step that failed (ENOENT, ENOTDIR, ELOOP).
Descriptor openTrustedFolder(std::string_view path, Refusal &refusal,
                             const WalkOptions &options = {});

// The same walk to the folder that holds the file at `path`; `name` is the
// file's name in it. A link in the file's place, in a folder that passed, is
// followed as the folders are, so the file is always opened relative to the
// folder returned, under `name`, without following links.
Descriptor openTrustedParent(std::string_view path, std::string &name, Refusal &refusal,
                             const WalkOptions &options = {});

} // namespace files

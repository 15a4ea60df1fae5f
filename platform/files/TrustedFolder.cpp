#include "platform/files/TrustedFolder.h"

#include <unistd.h>

namespace files {

const char *untrustedFolderReason(const struct stat &folder)
{
    // Root's own folders are as safe as ours.
    if (folder.st_uid != 0 && folder.st_uid != ::geteuid())
        return "belongs to another user";
    if (folder.st_mode & (S_IWGRP | S_IWOTH))
        return "is writable by other users";
    return nullptr;
}

} // namespace files

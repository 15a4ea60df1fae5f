#include "platform/files/TrustedModule.h"

#include "platform/files/RegularFile.h"
#include "platform/files/TrustedFolder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

bool within(const std::filesystem::path &path, const std::filesystem::path &folder)
{
    if (folder.empty())
        return false;
    const auto [end, rest] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return end == folder.end() && rest != path.end();
}

bool readAt(int fd, void *to, std::size_t size, std::uint64_t offset)
{
    return ::pread(fd, to, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

// Why the open 64-bit ELF file is shorter than its own headers say, or null
// when it is not. What is not a 64-bit ELF file at all is left to dlopen to
// refuse.
const char *cutShort(int fd, std::uint64_t size)
{
    Elf64_Ehdr header{};
    if (!readAt(fd, &header, sizeof header, 0) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64)
        return nullptr;
    const auto beyond = [size](std::uint64_t offset, std::uint64_t length) {
        return offset > size || length > size - offset;
    };
    const char *const damaged = "the file is damaged or cut short";
    if (header.e_phentsize != sizeof(Elf64_Phdr) ||
        beyond(header.e_phoff, std::uint64_t{header.e_phnum} * sizeof(Elf64_Phdr)) ||
        beyond(header.e_shoff, std::uint64_t{header.e_shnum} * header.e_shentsize))
        return damaged;
    for (unsigned i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment{};
        if (!readAt(fd, &segment, sizeof segment, header.e_phoff + i * sizeof segment))
            return "the file cannot be read";
        if (segment.p_type == PT_LOAD && beyond(segment.p_offset, segment.p_filesz))
            return damaged;
    }
    return nullptr;
}

// "path: reason", once: dlerror names the file itself for some failures.
std::string failure(const std::string &path, const std::string &why)
{
    return why.starts_with(path) ? why : path + ": " + why;
}

} // namespace

std::vector<std::string> modulePaths(const ModulePlaces &places)
{
    std::vector<std::string> paths;
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        if (!places.buildFolder.empty() &&
            within(program, std::filesystem::weakly_canonical(places.buildFolder, error)))
            paths.push_back(places.built);
        paths.push_back((program.parent_path() / places.fromProgram).lexically_normal().string());
    }
    if (std::find(paths.begin(), paths.end(), places.installed) == paths.end())
        paths.push_back(places.installed);
    return paths;
}

LoadedModule loadTrustedModule(const std::string &path, Binding binding)
{
    LoadedModule loaded;
    Refusal refusal;
    std::string name;
    const Descriptor folder = openTrustedParent(path, name, refusal);
    Descriptor file;
    struct stat st
    {};
    if (folder)
        file = openRegularAt(folder.get(), name.c_str(), O_RDONLY, 0, Links::Refuse, &st);
    if (!file) {
        if (refusal)
            loaded.failure = refusal.describe(path);
        else if (errno == ENOENT)
            loaded.missing = true;
        else
            loaded.failure = failure(path, std::strerror(errno));
        return loaded;
    }
    if (st.st_uid != 0 && st.st_uid != ::geteuid()) {
        loaded.failure = path + " belongs to another user";
        return loaded;
    }
    if (st.st_mode & (S_IWGRP | S_IWOTH)) {
        loaded.failure = path + " is writable by other users";
        return loaded;
    }
    if (const char *damage = cutShort(file.get(), static_cast<std::uint64_t>(st.st_size))) {
        loaded.failure = failure(path, damage);
        return loaded;
    }
    // By its path, so that debuggers and error messages name the file: only
    // root or this user could have changed what the path leads to since.
    // A name without a slash would send dlopen through the library path.
    const std::string named = path.find('/') == std::string::npos ? "./" + path : path;
    loaded.handle =
        ::dlopen(named.c_str(), (binding == Binding::AtLoad ? RTLD_NOW : RTLD_LAZY) | RTLD_LOCAL);
    if (!loaded.handle) {
        const char *why = ::dlerror();
        loaded.failure = failure(path, why ? why : "cannot be loaded");
    }
    return loaded;
}

} // namespace files

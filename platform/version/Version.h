#pragma once

// A program file's own version information, read from the file on disk.
//
// The build embeds the information as a text resource in an ELF section named
// ".versioninfo" (see cmake/VersionInfo.cmake); these calls read it from any
// program file, as the version calls of the original platform read a
// program's version resource.

#include <cstdint>

using UINT = unsigned int;

struct VS_FIXEDFILEINFO
{
    std::uint32_t dwSignature; // 0xFEEF04BD
    std::uint32_t dwStrucVersion;
    std::uint32_t dwFileVersionMS;
    std::uint32_t dwFileVersionLS;
    std::uint32_t dwProductVersionMS;
    std::uint32_t dwProductVersionLS;
    std::uint32_t dwFileFlagsMask;
    std::uint32_t dwFileFlags;
    std::uint32_t dwFileOS;
    std::uint32_t dwFileType;
    std::uint32_t dwFileSubtype;
    std::uint32_t dwFileDateMS;
    std::uint32_t dwFileDateLS;
};

// The size of the block GetFileVersionInfoA fills for `filename`, or 0 when the
// file cannot be read or holds no version information. `handle` is set to 0.
std::uint32_t GetFileVersionInfoSizeA(const char *filename, std::uint32_t *handle);

// Fills `data` (len bytes) with the version information block of `filename`.
// False when the file holds none or len is smaller than the size above.
bool GetFileVersionInfoA(const char *filename, std::uint32_t handle, std::uint32_t len, void *data);

// Looks a value up in a block filled by GetFileVersionInfoA:
//   "\"                          the VS_FIXEDFILEINFO (len: its size in bytes)
//   "\VarFileInfo\Translation"  the translations, one 32-bit value each:
//                               language in the low 16 bits, code page in the high
//   "\StringFileInfo\llllcccc\Name"  a string of that table (hex digits in any case);
//                               len: its length in characters with the terminating zero
// `buffer` points into the block. False when there is no such value.
bool VerQueryValueA(const void *block, const char *subBlock, void **buffer, UINT *len);

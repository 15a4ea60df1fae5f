#pragma once

// The shell's "open" operation, handed to the desktop.

#include <cstdint>

using HWND = std::uintptr_t;
using HINSTANCE = std::intptr_t;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;

// Values at or below 32 are failures, as the desktop reports them.
inline constexpr HINSTANCE SE_ERR_NOASSOC = 31;
inline constexpr HINSTANCE ERROR_FILE_NOT_FOUND_SHELL = 2;
inline constexpr HINSTANCE SHELL_OPEN_OK = 33;

// Opens `file` (an address or a path) with the program the desktop has for it
// (xdg-open and friends, through Qt). Only the "open" verb (or null) is known;
// parameters, directory and the show command have no counterpart here.
// Returns a value above 32 when the desktop took the request.
HINSTANCE ShellExecuteA(HWND hwnd, const char *operation, const char *file, const char *parameters,
                        const char *directory, int showCmd);

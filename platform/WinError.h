#pragma once

// Result codes of the system calls: every code the program answers with or
// tells apart, those of the registry and file calls (ERROR_*) and those of
// the network account calls (NERR_*). One header for all of them, free of
// everything else, so that any source file can use several modules at once
// and the Samba module, which includes no Qt, can use it too. Signed and
// wide, as the system's own definitions are, so they compare cleanly with
// signed and unsigned results.

inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;
inline constexpr long ERROR_ACCESS_DENIED = 5;
inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr long ERROR_WRITE_FAULT = 29;
inline constexpr long ERROR_READ_FAULT = 30;
inline constexpr long ERROR_LOCK_VIOLATION = 33;
inline constexpr long ERROR_NOT_SUPPORTED = 50;
inline constexpr long ERROR_BAD_NETPATH = 53;
inline constexpr long ERROR_INVALID_PARAMETER = 87;
inline constexpr long ERROR_INVALID_LEVEL = 124;
inline constexpr long ERROR_BAD_PATHNAME = 161;
inline constexpr long ERROR_MORE_DATA = 234;
// The client could not finish for a reason it does not tell (among them a
// connection it could not make).
inline constexpr long ERROR_CAN_NOT_COMPLETE = 1003;
inline constexpr long ERROR_LOGON_FAILURE = 1326;
inline constexpr long ERROR_BAD_CONFIGURATION = 1610;

inline constexpr long NERR_Success = 0;
inline constexpr long NERR_InternalError = 2140;
inline constexpr long NERR_UserNotFound = 2221;
inline constexpr long NERR_NotPrimary = 2226;
inline constexpr long NERR_InvalidComputer = 2351;

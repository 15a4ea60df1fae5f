#pragma once

// The network namespace the Samba peers run in. A test program that links
// PeerNamespace.cpp joins it before main, so every packet it (and every
// program it starts) sends stays on that namespace's loopback device.

#include <string>

bool joinedPeerNamespace();

namespace peers {
inline const std::string smbd = "127.0.0.2";
inline const std::string dc = "127.0.0.3";
inline const char *const dcAdminUser = "TEST\\Administrator";
inline const char *const dcAdminPassword = "Adm1n-Pass!9";
} // namespace peers

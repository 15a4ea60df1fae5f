#pragma once

// Asking for credentials on the terminal, for the command-line modes.

#include <string>

// When standard input and standard error are a terminal and named servers
// take credentials, asks for a user name and a password (without echo) for
// `server` and applies them. False otherwise, or when the operator gives an
// empty user name. Never prompts when not interactive.
bool AskForLogonOnTerminal(const std::string &server);

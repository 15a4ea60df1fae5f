#pragma once

// The window run by a normal user reads and resets this computer's lockouts
// through the local helper, started with pkexec and authorised by polkit;
// run by root, the window and the command line use the local provider
// directly, and the command line run by a normal user does as before.

#include <memory>
#include <string>
#include <vector>

namespace netapi {
class AccountProvider;
}

// The command that starts the installed helper through pkexec; empty when
// pkexec or the helper is not installed.
std::vector<std::string> InstalledHelperCommand();

// For the window, after InstallAccountProviders: this computer's accounts go
// through the installed helper when the process is not root and no directory
// file is in use.
void UseLocalHelperWhenUnprivileged(const std::string &directoryFile);

// This computer's accounts go through the helper that command starts;
// fallback answers while it is refused. The window tests give a stand-in.
void UseLocalHelper(std::vector<std::string> command,
                    std::shared_ptr<netapi::AccountProvider> fallback);

// The message pane's line when the helper was refused or could not be
// started since the last time this was asked; empty otherwise.
std::string TakeLocalHelperNotice();

#pragma once

// The least work a text listing of this computer's accounts needs: read
// login.defs, passwd, shadow, the PAM services and pam_faillock's settings,
// list the tally folder and read each tally there once, and write the lines
// `tumblerset --list --all` writes. It handles what the generated computer of
// the benchmarks holds (no admin_group, one pam_faillock line), not every
// system: it is the yardstick for the tool, not a second tool.

namespace localfloor {

// Lists the accounts under `root` to the descriptor `out`. 0, or 1 when a file
// cannot be read or written.
int listAll(const char *root, int out);

} // namespace localfloor

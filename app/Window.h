#pragma once

// The window lives in a module of its own (tumblerset-window.so), loaded by
// the program only when a window is asked for: linked into the program, Qt's
// widgets, the display libraries and the fonts would be mapped at every
// start, also by the command line, which needs none of them.

// Makes the application object (the program has made none yet), installs the
// account providers for directoryFile (empty: this computer and named
// servers), shows the main window and runs it until it closes. argc and argv
// are the program's own and must outlive the call. Returns the exit status.
extern "C" int tumblerset_run_window(int *argc, char **argv, const char *directoryFile) noexcept;
inline constexpr char tumblersetWindowEntry[] = "tumblerset_run_window";

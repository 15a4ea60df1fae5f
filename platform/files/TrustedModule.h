#pragma once

// Loading a shared module of the program's own, possibly as root: code run
// from a file that someone else could have written runs with the program's
// rights, so the module is loaded only from a place nobody else can change.

#include <string>
#include <vector>

namespace files {

// Where a program looks for a module of its own.
struct ModulePlaces
{
    std::string buildFolder; // the build that made the module
    std::string built;       // the module in that build
    std::string fromProgram; // the installed module, relative to the installed program's folder
    std::string installed;   // the installed module, in full
};

// The paths to try, in order: the build's module when the running program
// belongs to that build, then the installed layout relative to the program
// (a package may use another prefix than the build was configured for), then
// the installed path itself. An installed program never runs code from a
// build folder, which anyone who can write there could replace.
std::vector<std::string> modulePaths(const ModulePlaces &places);

// When the module's own calls into other libraries are bound.
enum class Binding
{
    AtLoad,     // all of them at once: a missing one fails the load, not a later call
    AtFirstCall // each when first made, as for a program's own libraries: a large
                // module that calls few of its imports starts sooner
};

struct LoadedModule
{
    void *handle = nullptr; // dlopen's handle, never closed
    bool missing = false;   // nothing at the path: not a failure of the module itself
    std::string failure;    // why there is no handle, naming the path
};

// Loads the module at `path` (RTLD_LOCAL, bound as `binding` says), after
// checking the file and every folder on the way to it as openTrustedParent
// does: each belongs to root or to the effective user and nobody else may
// write to it, so the file checked is the file loaded. The file itself must be
// a regular file of root's or the effective user's that nobody else may write
// to, and as long as its own headers say: dlopen maps a file cut short (an
// interrupted install, a full disk) without complaint, and the process would
// fault on the first touch of a page past its end.
LoadedModule loadTrustedModule(const std::string &path, Binding binding = Binding::AtLoad);

} // namespace files

#pragma once

// A label that shows the running program's file version, read from the
// program file's own version information, as "Version 1.0.0.0".

#include "framework/StdCtrls.h"

#include <cstdint>

class TVersionLabel : public TLabel
{
    TUMBLER_CLASS
public:
    explicit TVersionLabel(TComponent *AOwner);
    ~TVersionLabel() override;

    // The program file's version text ("FileVersion" of the first translation
    // its version information lists), whole whatever its length; empty when
    // the file has none. Found once, then kept; looked for again while empty.
    String GetVersion();

    // After reading from a form description, sets the caption to "Version "
    // and the version text. A label made in code keeps the caption it is given.
    void Loaded() override;

    // The name of the version string of a translation (language in the low 16
    // bits, code page in the high 16): "\StringFileInfo\040904e4\FileVersion",
    // lower-case hexadecimal digits, language first.
    static String FileVersionKey(std::uint32_t Translation);

protected:
    // The file whose version is shown: the running program (the application
    // object's ExeName).
    virtual String ProgramFileName() const;

private:
    String FVersionText;
};

namespace version {
// Puts TVersionLabel on the component palette page "Marrow 2"; nothing else.
void Register();
} // namespace version

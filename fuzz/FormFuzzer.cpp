// The form-description reader and writer: whatever the text, reading either
// succeeds or raises the framework's error, and what is written reads back
// and writes the same text again.

#include "framework/Classes.h"
#include "framework/Controls.h"
#include "framework/Streaming.h"
#include "framework/SysUtils.h"

#include <QApplication>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication application(*argc, *argv);
    RegisterFrameworkClasses();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const String text(reinterpret_cast<const char *>(data), size);
    std::unique_ptr<TComponent> form;
    try {
        form = ReadNewComponentFromText(text, "fuzz.dfm");
    } catch (const Exception &) {
        return 0;
    }
    String written;
    try {
        written = WriteComponentToText(*form);
    } catch (const EWriteError &) {
        return 0; // a value the format cannot carry, reported as such
    }
    const std::unique_ptr<TComponent> again = ReadNewComponentFromText(written, "written.dfm");
    if (WriteComponentToText(*again) != written)
        std::abort();
    return 0;
}

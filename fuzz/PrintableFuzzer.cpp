// The sanitising routine: nothing that can steer a terminal survives it, and
// running it again changes nothing.

#include "platform/text/Printable.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::string shown = text::printable(input);
    if (text::printable(shown) != shown)
        std::abort();
    const QString decoded = QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
    if (decoded.toUtf8().toStdString() != shown)
        std::abort(); // not well-formed UTF-8
    for (const QChar c : decoded) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || (u >= 0x202A && u <= 0x202E) || u == 0x2028 ||
            u == 0x2029 || u == 0xFEFF)
            std::abort();
    }
    return 0;
}

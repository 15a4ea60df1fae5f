// The sanitising routine: nothing that can steer a terminal or show as
// nothing survives it, and running it again changes nothing.

#include "platform/text/Printable.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <unicode/uchar.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::string shown = text::printable(input);
    if (text::printable(shown) != shown)
        std::abort();
    const QString decoded = QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
    if (decoded.toUtf8().toStdString() != shown)
        std::abort(); // not well-formed UTF-8
    // Qt's own character tables for the categories, a second opinion on ICU's.
    for (const uint cp : decoded.toUcs4()) {
        switch (QChar::category(cp)) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            std::abort();
        default:
            break;
        }
        // Variation selectors may stay after a character they vary.
        if (u_hasBinaryProperty(static_cast<UChar32>(cp), UCHAR_DEFAULT_IGNORABLE_CODE_POINT) &&
            !u_hasBinaryProperty(static_cast<UChar32>(cp), UCHAR_VARIATION_SELECTOR))
            std::abort();
    }
    return 0;
}

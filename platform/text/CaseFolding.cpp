#include "platform/text/CaseFolding.h"

#include <QString>
#include <algorithm>

namespace text {

std::string foldCase(std::string_view utf8)
{
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; })) {
        std::string lower(utf8);
        for (char &c : lower) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return lower;
    }
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))
        .toCaseFolded()
        .toStdString();
}

} // namespace text

#include "platform/version/Version.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <algorithm>
#include <cstring>
#include <elf.h>
#include <optional>
#include <string>
#include <vector>

// The block GetFileVersionInfoA hands out:
//   "TVI1", VS_FIXEDFILEINFO, uint32 translation count, the translations,
//   uint32 string count, then per string three zero-terminated texts
//   (table "040904E4", name, value).
// The embedded resource it is made from is UTF-8 text, one entry per line:
//   FileVersion=1.0.0.0          numeric versions of the fixed part
//   ProductVersion=1.0.0.0
//   FileFlagsMask=0x3F, FileFlags, FileOS, FileType, FileSubtype  (numbers)
//   Translation=0409 04E4        (repeatable; language, code page)
//   String.040904E4.CompanyName=Marrowlight Software
// Lines starting with '#' are comments.

namespace {

constexpr char kSectionName[] = ".versioninfo";
constexpr char kMagic[4] = {'T', 'V', 'I', '1'};
constexpr qint64 kMaxSection = 64 * 1024;

template <typename T> std::optional<T> readAt(const QByteArray &file, std::uint64_t offset)
{
    if (offset > static_cast<std::uint64_t>(file.size()) ||
        sizeof(T) > static_cast<std::uint64_t>(file.size()) - offset)
        return std::nullopt;
    T value;
    std::memcpy(&value, file.constData() + offset, sizeof(T));
    return value;
}

// The ".versioninfo" section of a 64-bit little-endian ELF file. Reads the
// file's headers with bounds checks on every offset: the file may be anything.
std::optional<QByteArray> versionSection(const char *filename)
{
    if (!filename)
        return std::nullopt;
    QFile file(QString::fromUtf8(filename));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray image = file.readAll();
    const auto header = readAt<Elf64_Ehdr>(image, 0);
    if (!header || std::memcmp(header->e_ident, ELFMAG, SELFMAG) != 0 ||
        header->e_ident[EI_CLASS] != ELFCLASS64 || header->e_ident[EI_DATA] != ELFDATA2LSB ||
        header->e_shentsize != sizeof(Elf64_Shdr))
        return std::nullopt;
    const auto sectionHeader = [&](unsigned index) {
        return readAt<Elf64_Shdr>(image,
                                  header->e_shoff + std::uint64_t{index} * sizeof(Elf64_Shdr));
    };
    const auto names = sectionHeader(header->e_shstrndx);
    if (!names)
        return std::nullopt;
    for (unsigned i = 0; i < header->e_shnum; ++i) {
        const auto section = sectionHeader(i);
        if (!section || section->sh_name >= names->sh_size)
            continue;
        const std::uint64_t nameAt = names->sh_offset + section->sh_name;
        const std::uint64_t room = names->sh_size - section->sh_name;
        if (nameAt + std::min<std::uint64_t>(room, sizeof kSectionName) >
            static_cast<std::uint64_t>(image.size()))
            continue;
        if (room < sizeof kSectionName ||
            std::memcmp(image.constData() + nameAt, kSectionName, sizeof kSectionName) != 0)
            continue;
        if (section->sh_type == SHT_NOBITS || section->sh_size > kMaxSection ||
            section->sh_offset > static_cast<std::uint64_t>(image.size()) ||
            section->sh_size > static_cast<std::uint64_t>(image.size()) - section->sh_offset)
            return std::nullopt;
        return image.mid(static_cast<qsizetype>(section->sh_offset),
                         static_cast<qsizetype>(section->sh_size));
    }
    return std::nullopt;
}

std::uint32_t parseNumber(const QByteArray &text)
{
    bool ok = false;
    const auto value = text.trimmed().toUInt(&ok, 0);
    return ok ? value : 0;
}

// "1.2.3.4" as the two 32-bit halves of a fixed version.
std::pair<std::uint32_t, std::uint32_t> parseVersion(const QByteArray &text)
{
    const QList<QByteArray> parts = text.trimmed().split('.');
    std::uint32_t n[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4 && i < parts.size(); ++i)
        n[i] = parts[i].toUInt() & 0xFFFF;
    return {(n[0] << 16) | n[1], (n[2] << 16) | n[3]};
}

void append(std::vector<char> &out, const void *data, std::size_t size)
{
    const auto *bytes = static_cast<const char *>(data);
    out.insert(out.end(), bytes, bytes + size);
}

void appendText(std::vector<char> &out, const QByteArray &text)
{
    append(out, text.constData(), static_cast<std::size_t>(text.size()));
    out.push_back('\0');
}

std::optional<std::vector<char>> buildBlock(const char *filename)
{
    const auto resource = versionSection(filename);
    if (!resource)
        return std::nullopt;
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwStrucVersion = 0x00010000;
    std::vector<std::uint32_t> translations;
    struct Entry
    {
        QByteArray table, name, value;
    };
    std::vector<Entry> strings;
    for (QByteArray line : resource->split('\n')) {
        line = line.trimmed();
        const qsizetype eq = line.indexOf('=');
        if (line.isEmpty() || line.startsWith('#') || eq <= 0)
            continue;
        const QByteArray key = line.left(eq).trimmed();
        const QByteArray value = line.mid(eq + 1).trimmed();
        if (key == "FileVersion") {
            std::tie(fixed.dwFileVersionMS, fixed.dwFileVersionLS) = parseVersion(value);
        } else if (key == "ProductVersion") {
            std::tie(fixed.dwProductVersionMS, fixed.dwProductVersionLS) = parseVersion(value);
        } else if (key == "FileFlagsMask") {
            fixed.dwFileFlagsMask = parseNumber(value);
        } else if (key == "FileFlags") {
            fixed.dwFileFlags = parseNumber(value);
        } else if (key == "FileOS") {
            fixed.dwFileOS = parseNumber(value);
        } else if (key == "FileType") {
            fixed.dwFileType = parseNumber(value);
        } else if (key == "FileSubtype") {
            fixed.dwFileSubtype = parseNumber(value);
        } else if (key == "Translation") {
            const QList<QByteArray> pair = value.simplified().split(' ');
            if (pair.size() == 2)
                translations.push_back((pair[0].toUInt(nullptr, 16) & 0xFFFF) |
                                       ((pair[1].toUInt(nullptr, 16) & 0xFFFF) << 16));
        } else if (key.startsWith("String.")) {
            const QList<QByteArray> parts = key.split('.');
            if (parts.size() == 3)
                strings.push_back({parts[1], parts[2], value});
        }
    }
    std::vector<char> block;
    append(block, kMagic, sizeof kMagic);
    append(block, &fixed, sizeof fixed);
    const auto translationCount = static_cast<std::uint32_t>(translations.size());
    append(block, &translationCount, sizeof translationCount);
    append(block, translations.data(), translations.size() * sizeof(std::uint32_t));
    const auto stringCount = static_cast<std::uint32_t>(strings.size());
    append(block, &stringCount, sizeof stringCount);
    for (const Entry &e : strings) {
        appendText(block, e.table);
        appendText(block, e.name);
        appendText(block, e.value);
    }
    return block;
}

bool sameText(const char *a, std::size_t aLength, const std::string &b)
{
    if (aLength != b.size())
        return false;
    for (std::size_t i = 0; i < aLength; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

std::uint32_t GetFileVersionInfoSizeA(const char *filename, std::uint32_t *handle)
{
    if (handle)
        *handle = 0;
    const auto block = buildBlock(filename);
    return block ? static_cast<std::uint32_t>(block->size()) : 0;
}

bool GetFileVersionInfoA(const char *filename, std::uint32_t, std::uint32_t len, void *data)
{
    const auto block = buildBlock(filename);
    if (!block || !data || len < block->size())
        return false;
    std::memcpy(data, block->data(), block->size());
    return true;
}

bool VerQueryValueA(const void *block, const char *subBlock, void **buffer, UINT *len)
{
    if (!block || !subBlock || !buffer || !len)
        return false;
    const char *base = static_cast<const char *>(block);
    if (std::memcmp(base, kMagic, sizeof kMagic) != 0)
        return false;
    const char *fixed = base + sizeof kMagic;
    const char *translationsAt = fixed + sizeof(VS_FIXEDFILEINFO);
    std::uint32_t translationCount;
    std::memcpy(&translationCount, translationsAt, sizeof translationCount);
    const char *translations = translationsAt + sizeof translationCount;
    const char *stringsAt = translations + std::size_t{translationCount} * 4;

    const std::string path(subBlock);
    if (path == "\\" || path.empty()) {
        *buffer = const_cast<char *>(fixed);
        *len = sizeof(VS_FIXEDFILEINFO);
        return true;
    }
    const std::string translationKey = "\\VarFileInfo\\Translation";
    if (sameText(path.data(), path.size(), translationKey)) {
        if (translationCount == 0)
            return false;
        *buffer = const_cast<char *>(translations);
        *len = translationCount * 4;
        return true;
    }
    const std::string prefix = "\\StringFileInfo\\";
    if (path.size() <= prefix.size() || !sameText(path.data(), prefix.size(), prefix))
        return false;
    const std::string rest = path.substr(prefix.size());
    const std::size_t slash = rest.find('\\');
    if (slash == std::string::npos)
        return false;
    const std::string table = rest.substr(0, slash);
    const std::string name = rest.substr(slash + 1);

    std::uint32_t stringCount;
    std::memcpy(&stringCount, stringsAt, sizeof stringCount);
    const char *p = stringsAt + sizeof stringCount;
    for (std::uint32_t i = 0; i < stringCount; ++i) {
        const char *entryTable = p;
        const char *entryName = entryTable + std::strlen(entryTable) + 1;
        const char *entryValue = entryName + std::strlen(entryName) + 1;
        p = entryValue + std::strlen(entryValue) + 1;
        if (sameText(entryTable, std::strlen(entryTable), table) &&
            sameText(entryName, std::strlen(entryName), name)) {
            *buffer = const_cast<char *>(entryValue);
            *len = static_cast<UINT>(std::strlen(entryValue) + 1);
            return true;
        }
    }
    return false;
}

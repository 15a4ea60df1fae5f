#include "platform/registry/Hive.h"

#include "platform/text/CaseFolding.h"
#include "platform/text/HexDigits.h"

#include <QStringDecoder>
#include <optional>

namespace registry {

namespace {

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes);
    return !decoder.hasError();
}

bool hasControlCharacter(const QByteArray &bytes)
{
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            return true;
    }
    return false;
}

// A REG_SZ value goes out as quoted text only when reading that text back
// gives the same bytes: one terminating zero, no other, printable UTF-8.
bool isPlainText(const QByteArray &data)
{
    if (data.isEmpty() || data.back() != '\0')
        return false;
    const QByteArray text = data.chopped(1);
    return !text.contains('\0') && !hasControlCharacter(text) && isValidUtf8(text);
}

void appendQuoted(QByteArray &out, const QByteArray &text)
{
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
}

void appendHexBytes(QByteArray &out, const QByteArray &data)
{
    static constexpr char digits[] = "0123456789abcdef";
    out.reserve(out.size() + data.size() * 3);
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (i > 0)
            out += ',';
        const auto u = static_cast<unsigned char>(data[i]);
        out += digits[u >> 4];
        out += digits[u & 0xF];
    }
}

// A quoted string starting at line[pos] (the opening quote); pos ends past
// the closing quote. Only \\ and \" are escapes.
std::optional<QByteArray> readQuoted(const QByteArray &line, qsizetype &pos, QString &reason)
{
    QByteArray text;
    for (qsizetype i = pos + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            pos = i + 1;
            return text;
        }
        if (c == '\\') {
            if (i + 1 >= line.size() || (line[i + 1] != '\\' && line[i + 1] != '"')) {
                reason = QStringLiteral("unknown escape in a quoted string");
                return std::nullopt;
            }
            ++i;
        }
        text += line[i];
    }
    reason = QStringLiteral("unterminated string");
    return std::nullopt;
}

// "aa,bb,cc" (possibly empty) to bytes.
std::optional<QByteArray> readHexBytes(const QByteArray &text)
{
    QByteArray bytes;
    if (text.isEmpty())
        return bytes;
    bytes.reserve(text.size() / 3 + 1);
    qsizetype i = 0;
    for (;;) {
        if (i + 2 > text.size())
            return std::nullopt;
        const int hi = text::hexDigitValue(text[i]);
        const int lo = text::hexDigitValue(text[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes += static_cast<char>((hi << 4) | lo);
        i += 2;
        if (i == text.size())
            return bytes;
        if (text[i] != ',')
            return std::nullopt;
        ++i;
    }
}

std::optional<std::uint32_t> readHexNumber(const QByteArray &text, int maxDigits)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return std::nullopt;
    std::uint32_t n = 0;
    for (char c : text) {
        const int d = text::hexDigitValue(c);
        if (d < 0)
            return std::nullopt;
        n = (n << 4) | static_cast<std::uint32_t>(d);
    }
    return n;
}

struct ParsedData
{
    std::uint32_t type = 0;
    QByteArray data;
};

std::optional<ParsedData> readData(const QByteArray &text, QString &reason)
{
    if (text.startsWith('"')) {
        qsizetype pos = 0;
        auto quoted = readQuoted(text, pos, reason);
        if (!quoted)
            return std::nullopt;
        if (pos != text.size()) {
            reason = QStringLiteral("text after a quoted string");
            return std::nullopt;
        }
        return ParsedData{1, *quoted + '\0'};
    }
    const QByteArray lower = text.left(8).toLower();
    if (lower.startsWith("dword:")) {
        const auto n = readHexNumber(text.mid(6), 8);
        if (!n || text.size() != 14) {
            reason = QStringLiteral("a dword needs eight hexadecimal digits");
            return std::nullopt;
        }
        QByteArray data(4, '\0');
        for (int i = 0; i < 4; ++i)
            data[i] = static_cast<char>((*n >> (8 * i)) & 0xFF);
        return ParsedData{4, data};
    }
    std::uint32_t type = 3;
    qsizetype bytesStart = 0;
    if (lower.startsWith("hex:")) {
        bytesStart = 4;
    } else if (lower.startsWith("hex(")) {
        const qsizetype close = text.indexOf("):", 4);
        const auto n = close < 0 ? std::nullopt : readHexNumber(text.mid(4, close - 4), 8);
        if (!n) {
            reason = QStringLiteral("bad value type in hex(...)");
            return std::nullopt;
        }
        type = *n;
        bytesStart = close + 2;
    } else {
        reason = QStringLiteral("unknown kind of data");
        return std::nullopt;
    }
    auto bytes = readHexBytes(text.mid(bytesStart));
    if (!bytes) {
        reason = QStringLiteral("bad hexadecimal bytes");
        return std::nullopt;
    }
    return ParsedData{type, *bytes};
}

} // namespace

QString foldName(const QByteArray &name)
{
    return QString::fromStdString(
        text::foldCase(std::string_view(name.constData(), static_cast<std::size_t>(name.size()))));
}

bool isValidName(const QByteArray &name)
{
    return !hasControlCharacter(name) && isValidUtf8(name);
}

bool isValidKeyPath(const QByteArray &path)
{
    if (path.size() > maxKeyPathBytes || path.count('\\') >= maxKeyDepth)
        return false;
    if (path.isEmpty())
        return true;
    for (const QByteArray &part : path.split('\\')) {
        if (part.isEmpty() || part.size() > maxKeyNameBytes || !isValidName(part))
            return false;
    }
    return true;
}

Hive::Hive(QByteArray rootName) : m_rootName(std::move(rootName))
{
    m_keys.push_back(HiveKey{});
    m_index.insert(QString(), 0);
}

const HiveKey *Hive::findKey(const QByteArray &path) const
{
    const auto it = m_index.constFind(foldName(path));
    return it == m_index.cend() ? nullptr : &m_keys[*it];
}

HiveKey &Hive::ensureKey(const QByteArray &path)
{
    if (const auto it = m_index.constFind(foldName(path)); it != m_index.cend())
        return m_keys[*it];
    // Parents first, so that a file lists a key after the keys above it. A
    // loop, not recursion: the depth comes from the file.
    std::size_t parent = 0; // the root
    qsizetype end = -1;
    do {
        end = path.indexOf('\\', end + 1);
        const QByteArray prefix = end < 0 ? path : path.left(end);
        const QString folded = foldName(prefix);
        if (const auto it = m_index.constFind(folded); it != m_index.cend()) {
            parent = *it;
            continue;
        }
        // Keeps the case of the keys above that exist already.
        const QByteArray &above = m_keys[parent].path;
        const qsizetype partStart = prefix.lastIndexOf('\\') + 1;
        HiveKey key;
        key.path = above.isEmpty() ? prefix.mid(partStart) : above + '\\' + prefix.mid(partStart);
        m_keys.push_back(std::move(key));
        parent = m_keys.size() - 1;
        m_index.insert(folded, parent);
    } while (end >= 0);
    return m_keys[parent];
}

const HiveValue *Hive::findValue(const QByteArray &path, const QByteArray &name) const
{
    const HiveKey *key = findKey(path);
    if (!key)
        return nullptr;
    const auto it = key->index.constFind(foldName(name));
    return it == key->index.cend() ? nullptr : &key->values[*it];
}

void Hive::setValue(const QByteArray &path, const QByteArray &name, std::uint32_t type,
                    const QByteArray &data)
{
    HiveKey &key = ensureKey(path);
    const QString folded = foldName(name);
    if (const auto it = key.index.constFind(folded); it != key.index.cend()) {
        HiveValue &value = key.values[*it];
        value.type = type;
        value.data = data;
        return;
    }
    key.values.push_back(HiveValue{name, type, data});
    key.index.insert(folded, key.values.size() - 1);
}

QByteArray Hive::serialize() const
{
    QByteArray out = QByteArray(hiveHeader) + "\n";
    for (const HiveKey &key : m_keys) {
        if (key.path.isEmpty() && key.values.empty())
            continue;
        out += "\n[" + m_rootName;
        if (!key.path.isEmpty())
            out += '\\' + key.path;
        out += "]\n";
        for (const HiveValue &value : key.values) {
            if (value.name.isEmpty())
                out += '@';
            else
                appendQuoted(out, value.name);
            out += '=';
            if (value.type == 1 && isPlainText(value.data)) {
                appendQuoted(out, value.data.chopped(1));
            } else if (value.type == 4 && value.data.size() == 4) {
                std::uint32_t n = 0;
                for (int i = 3; i >= 0; --i)
                    n = (n << 8) | static_cast<unsigned char>(value.data[i]);
                out += "dword:" + QByteArray::number(n, 16).rightJustified(8, '0');
            } else {
                if (value.type == 3)
                    out += "hex:";
                else
                    out += "hex(" + QByteArray::number(value.type, 16) + "):";
                appendHexBytes(out, value.data);
            }
            out += '\n';
        }
    }
    return out;
}

Hive Hive::parse(const QByteArray &rootName, const QByteArray &text, std::vector<HiveIssue> *issues)
{
    Hive hive(rootName);
    const bool wholeFileIsUtf8 = isValidUtf8(text);
    std::optional<QByteArray> current; // the key that value lines belong to
    int lineNumber = 0;
    qsizetype start = 0;
    auto skip = [&](const QString &reason) {
        if (issues)
            issues->push_back(HiveIssue{lineNumber, reason});
    };
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QByteArray line = text.mid(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (line.endsWith('\r'))
            line.chop(1);

        if (lineNumber == 1) {
            if (line == hiveHeader)
                continue;
            skip(QStringLiteral("the header line is missing"));
        }
        if (line.trimmed().isEmpty())
            continue;
        if (!wholeFileIsUtf8 && !isValidUtf8(line)) {
            skip(QStringLiteral("not UTF-8 text"));
            continue;
        }

        if (line.startsWith('[')) {
            current.reset();
            if (!line.endsWith(']') || line.size() < 2) {
                skip(QStringLiteral("unterminated key section"));
                continue;
            }
            const QByteArray inner = line.mid(1, line.size() - 2);
            const qsizetype cut = inner.indexOf('\\');
            const QByteArray root = cut < 0 ? inner : inner.left(cut);
            const QByteArray path = cut < 0 ? QByteArray() : inner.mid(cut + 1);
            if (root.compare(rootName, Qt::CaseInsensitive) != 0) {
                skip(QStringLiteral("a key of another root"));
                continue;
            }
            if (cut >= 0 && path.isEmpty()) {
                skip(QStringLiteral("bad key name"));
                continue;
            }
            if (path.size() > maxKeyPathBytes || path.count('\\') >= maxKeyDepth) {
                skip(QStringLiteral("key path too long or too deep"));
                continue;
            }
            if (!isValidKeyPath(path)) {
                skip(QStringLiteral("bad key name"));
                continue;
            }
            hive.ensureKey(path);
            current = path;
            continue;
        }

        QString reason;
        QByteArray name;
        qsizetype pos = 0;
        if (line.startsWith('@')) {
            pos = 1;
        } else if (line.startsWith('"')) {
            auto quoted = readQuoted(line, pos, reason);
            if (!quoted) {
                skip(reason);
                continue;
            }
            name = *quoted;
        } else {
            skip(QStringLiteral("neither a key section nor a value"));
            continue;
        }
        if (pos >= line.size() || line[pos] != '=') {
            skip(QStringLiteral("'=' expected after the value name"));
            continue;
        }
        if (!isValidName(name)) {
            skip(QStringLiteral("bad value name"));
            continue;
        }
        auto data = readData(line.mid(pos + 1), reason);
        if (!data) {
            skip(reason);
            continue;
        }
        if (!current) {
            skip(QStringLiteral("a value outside any key section"));
            continue;
        }
        // Names match without regard to case: a second "Name" (or "NAME") in
        // one key is damage, not a change to keep.
        if (hive.findValue(*current, name)) {
            skip(QStringLiteral("a value of that name is already in this key"));
            continue;
        }
        hive.setValue(*current, name, data->type, data->data);
    }
    return hive;
}

} // namespace registry

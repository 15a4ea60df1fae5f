#include "platform/netapi/JsonScan.h"

#include "platform/text/Printable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

namespace netapi::json {

namespace {

QString decodeString(const QByteArray &quoted)
{
    if (!quoted.contains('\\'))
        return QString::fromUtf8(quoted.mid(1, quoted.size() - 2));
    return QJsonDocument::fromJson('[' + quoted + ']').array().at(0).toString();
}

// A number's digits without leading or trailing zeros, and the power of
// ten of its first digit: equal for equal values.
std::pair<QByteArray, long long> normalised(const QByteArray &number)
{
    QByteArray digits;
    long long point = -1; // digits before the decimal point
    qsizetype i = number.startsWith('-') ? 1 : 0;
    for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
        if (number[i] == '.')
            point = digits.size();
        else
            digits += number[i];
    }
    if (point < 0)
        point = digits.size();
    const long long exponent = i < number.size() ? number.mid(i + 1).toLongLong() : 0;
    qsizetype lead = 0;
    while (lead < digits.size() && digits[lead] == '0')
        ++lead;
    digits.remove(0, lead);
    while (!digits.isEmpty() && digits.back() == '0')
        digits.chop(1);
    if (digits.isEmpty())
        return {QByteArray(), 0};
    return {digits, point - lead + exponent};
}

bool numberSurvives(const QByteArray &literal)
{
    bool ok = false;
    const double value = literal.toDouble(&ok);
    if (!ok)
        return false;
    const bool negative = literal.startsWith('-') && !normalised(literal).first.isEmpty();
    const QByteArray written = QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
    return normalised(literal) == normalised(written) &&
           negative == (written.startsWith('-') && !normalised(written).first.isEmpty());
}

} // namespace

QString describe(const Path &path)
{
    QString text;
    for (const PathStep &step : path) {
        if (const QString *key = std::get_if<QString>(&step))
            text += (text.isEmpty() ? QString() : QStringLiteral(".")) + *key;
        else
            text += QStringLiteral("[%1]").arg(std::get<qsizetype>(step));
    }
    return text;
}

Path child(Path path, PathStep step)
{
    path.push_back(std::move(step));
    return path;
}

Position Locator::find(const Path &path) const
{
    qsizetype pos = skipBlanks(0);
    for (const PathStep &step : path) {
        const qsizetype found = std::holds_alternative<QString>(step)
                                    ? member(pos, std::get<QString>(step))
                                    : element(pos, std::get<qsizetype>(step));
        if (found < 0)
            break;
        pos = found;
    }
    return at(pos);
}

Position Locator::at(qsizetype offset) const
{
    offset = std::clamp<qsizetype>(offset, 0, m_text.size());
    Position position;
    for (qsizetype i = 0; i < offset; ++i) {
        if (m_text[i] == '\n') {
            ++position.line;
            position.column = 1;
        } else if ((static_cast<unsigned char>(m_text[i]) & 0xC0) != 0x80) {
            ++position.column; // a character's first byte
        }
    }
    return position;
}

qsizetype Locator::skipBlanks(qsizetype pos) const
{
    while (pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[pos])))
        ++pos;
    return pos;
}

// pos at the opening quote; returns the position after the closing one.
qsizetype Locator::skipString(qsizetype pos) const
{
    for (++pos; pos < m_text.size(); ++pos) {
        if (m_text[pos] == '\\')
            ++pos;
        else if (m_text[pos] == '"')
            return pos + 1;
    }
    return pos;
}

qsizetype Locator::skipValue(qsizetype pos) const
{
    if (pos >= m_text.size())
        return pos;
    if (m_text[pos] == '"')
        return skipString(pos);
    if (m_text[pos] == '{' || m_text[pos] == '[') {
        int depth = 0;
        while (pos < m_text.size()) {
            const char c = m_text[pos];
            if (c == '"') {
                pos = skipString(pos);
                continue;
            }
            if (c == '{' || c == '[')
                ++depth;
            else if ((c == '}' || c == ']') && --depth == 0)
                return pos + 1;
            ++pos;
        }
        return pos;
    }
    while (pos < m_text.size() && !std::strchr(",]} \t\r\n", m_text[pos]))
        ++pos;
    return pos;
}

qsizetype Locator::member(qsizetype pos, const QString &key) const
{
    if (pos >= m_text.size() || m_text[pos] != '{')
        return -1;
    const QByteArray quoted = '"' + key.toUtf8() + '"';
    pos = skipBlanks(pos + 1);
    while (pos < m_text.size() && m_text[pos] == '"') {
        const qsizetype keyEnd = skipString(pos);
        const bool match = m_text.mid(pos, keyEnd - pos) == quoted;
        pos = skipBlanks(keyEnd);
        pos = skipBlanks(pos + 1); // the colon
        if (match)
            return pos;
        pos = skipBlanks(skipValue(pos));
        if (pos < m_text.size() && m_text[pos] == ',')
            pos = skipBlanks(pos + 1);
    }
    return -1;
}

qsizetype Locator::element(qsizetype pos, qsizetype index) const
{
    if (pos >= m_text.size() || m_text[pos] != '[')
        return -1;
    pos = skipBlanks(pos + 1);
    for (qsizetype i = 0; pos < m_text.size() && m_text[pos] != ']'; ++i) {
        if (i == index)
            return pos;
        pos = skipBlanks(skipValue(pos));
        if (pos < m_text.size() && m_text[pos] == ',')
            pos = skipBlanks(pos + 1);
    }
    return -1;
}

QByteArray withByteOrderMarksEscaped(const QByteArray &text)
{
    static const QByteArray mark("\xEF\xBB\xBF");
    if (!text.contains(mark))
        return text;
    QByteArray out;
    out.reserve(text.size() + text.size() / 8);
    bool inString = false;
    for (qsizetype pos = 0; pos < text.size();) {
        const char c = text[pos];
        if (inString && c == '\\') {
            out += text.mid(pos, 2);
            pos += 2;
        } else if (inString && text.mid(pos, mark.size()) == mark) {
            out += "\\ufeff";
            pos += mark.size();
        } else {
            if (c == '"')
                inString = !inString;
            out += c;
            ++pos;
        }
    }
    return out;
}

void checkKeptExactly(const QByteArray &text,
                      const std::function<void(qsizetype, const QString &)> &refuse)
{
    struct Frame
    {
        bool object = false;
        bool expectKey = false;
        std::set<QString> names;
    };
    std::vector<Frame> frames;
    for (qsizetype pos = 0; pos < text.size();) {
        const char c = text[pos];
        if (c == '{' || c == '[') {
            frames.push_back(Frame{c == '{', c == '{', {}});
            ++pos;
        } else if (c == '}' || c == ']') {
            if (!frames.empty())
                frames.pop_back();
            ++pos;
        } else if (c == ',') {
            if (!frames.empty() && frames.back().object)
                frames.back().expectKey = true;
            ++pos;
        } else if (c == '"') {
            const qsizetype start = pos;
            for (++pos; pos < text.size() && text[pos] != '"'; ++pos) {
                if (text[pos] == '\\')
                    ++pos;
            }
            ++pos;
            if (!frames.empty() && frames.back().expectKey) {
                frames.back().expectKey = false;
                const QByteArray raw = text.mid(start, pos - start);
                const QString name = decodeString(raw);
                if (!frames.back().names.insert(name).second)
                    return refuse(
                        start,
                        QStringLiteral("member \"%1\" is given twice in one object")
                            .arg(QString::fromStdString(text::printable(name.toStdString()))));
            }
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            const qsizetype start = pos;
            while (pos < text.size() && std::strchr("+-.eE0123456789", text[pos]))
                ++pos;
            const QByteArray literal = text.mid(start, pos - start);
            if (!numberSurvives(literal))
                return refuse(start,
                              QStringLiteral("the number %1 cannot be kept exactly; write it "
                                             "as a text")
                                  .arg(QString::fromLatin1(literal)));
        } else {
            ++pos;
        }
    }
}

} // namespace netapi::json

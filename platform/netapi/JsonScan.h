#pragma once

// What QJsonDocument does not do for a file a person edits and this tool
// writes back: say where in the text a value sits, refuse what its round
// trip would silently change, and keep a byte-order mark inside a string.
// Each runs on text that QJsonDocument has accepted as well-formed, so it
// only needs to skip, never to check.

#include <QByteArray>
#include <QString>
#include <functional>
#include <variant>
#include <vector>

namespace netapi::json {

// One step of a path into the document: a member name or an array index.
using PathStep = std::variant<QString, qsizetype>;
using Path = std::vector<PathStep>;

// "servers[0].accounts[1].name"
QString describe(const Path &path);

// `path` with one more step.
Path child(Path path, PathStep step);

// A place in the text, both counted from 1; the column in characters.
struct Position
{
    int line = 1;
    int column = 1;
};

// Finds where a value sits in the text, for messages that name a line.
class Locator
{
public:
    explicit Locator(const QByteArray &text) : m_text(text) {}

    // Where the value at `path` starts, or the nearest enclosing value that
    // could be found.
    Position find(const Path &path) const;
    Position at(qsizetype offset) const;

private:
    qsizetype skipBlanks(qsizetype pos) const;
    qsizetype skipString(qsizetype pos) const;
    qsizetype skipValue(qsizetype pos) const;
    qsizetype member(qsizetype pos, const QString &key) const;
    qsizetype element(qsizetype pos, qsizetype index) const;

    const QByteArray &m_text;
};

// The text with every U+FEFF inside a JSON string written as the escape
// "\ufeff". Qt's UTF-8 decoding drops a byte-order mark at the start of the
// text it decodes, and its JSON parser decodes each string on its own: an
// account "\ufeffadmin" written out as UTF-8 would load as "admin" (and be
// written back so). Escaped, it is kept. Outside strings nothing changes, so
// what is not JSON stays so; no line break is added, so lines still count.
QByteArray withByteOrderMarksEscaped(const QByteArray &text);

// What QJsonDocument would silently change on the way back out: a member
// given twice in one object (one of them is dropped) and a number that a
// double cannot hold (it is rounded). Calls `refuse` with the offset of the
// first such thing and what is wrong with it (and stops there, if `refuse`
// returns at all).
void checkKeptExactly(const QByteArray &text,
                      const std::function<void(qsizetype, const QString &)> &refuse);

} // namespace netapi::json

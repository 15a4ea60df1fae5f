#pragma once

// A description is read in two steps: the parser turns the whole text into a
// tree of objects and values, and only a text that parses completely is then
// applied to components by TReader. So a syntax error never leaves anything
// behind, and errors found while applying it still know their line.

#include "framework/Streaming.h"

#include <vector>

namespace streaming_detail {

// An error that already names its source and line.
class ELocatedReadError : public EReadError
{
public:
    using EReadError::EReadError;
};

[[noreturn]] inline void failAt(const String &source, int line, const String &what)
{
    throw ELocatedReadError(source + ":" + std::to_string(line) + ": " + what);
}

struct FormObject
{
    enum class Kind
    {
        Object,
        Inherited,
        Inline
    };
    Kind kind = Kind::Object;
    String name; // may be empty: "object TClass"
    String className;
    int line = 0;
    std::vector<TFormValue::Property> properties;
    std::vector<FormObject> children;
};

inline bool isIdentStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

inline bool isIdentChar(char c)
{
    return isIdentStart(c) || (c >= '0' && c <= '9');
}

// Turns a whole description into its tree of objects; raises
// ELocatedReadError at the first fault, so nothing half-parsed is ever
// applied.
FormObject parseDescription(const String &text, const String &source);

} // namespace streaming_detail

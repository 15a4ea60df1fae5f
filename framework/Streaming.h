#pragma once

// Form descriptions: the text that says which components a form holds, how
// they nest and what their published properties are.
//
//   object MainForm: TMainForm
//     Caption = 'Tumblerset'
//     Font.Name = 'MS Sans Serif'
//     OnCreate = FormCreate
//     object Server: TLabel
//       Left = 12
//       Caption = 'Server:'
//     end
//   end
//
// Values: integers (12, -3, $0A), floats (1.5, 1.5E10), strings ('it''s',
// #13#10, pieces joined by + at a line end), identifiers (enumeration
// literals, True/False, colour names, component and method names), sets
// ([a, b]), string lists (( 'a' 'b' ), as Lines.Strings), collections
// (<item ... end>) and binary data ({ hex }). Nested objects' properties are
// written with dotted names (Font.Name, Storage.Key).

#include "framework/TypInfo.h"

#include <memory>

// A component that cannot be written (a float that is not a number).
class EWriteError : public Exception
{
public:
    using Exception::Exception;
};

// Deepest nesting of objects, collections and lists a description may have.
inline constexpr int MaxFormNesting = 256;

// Reads a description "object Name: TClass ... end" into an existing Root (a
// form being constructed). Root's own properties are set; nested objects are
// created with Root as their owner (the class looked up first among Root's
// published fields' classes, then in the class registry), named, nested in
// their parent via SetParentComponent and assigned to Root's published field
// of that name if there is one. Events are bound to Root's published methods
// by name; component references are resolved once every component exists.
// TClass must be Root's class or one it inherits.
//
// Each component has csLoading and csReading while it is read; csReading goes
// at the end of its block, csLoading when Loaded() is called, on every
// component read (Root first, then in creation order) once all are read.
//
// A description that cannot be read raises EReadError "<SourceName>:<line>:
// <what>". Root then keeps its name, loses every component the read created
// and has the published fields it set reset to null.
void ReadComponentFromText(TComponent &Root, const String &Text, const String &SourceName);

// Creates the root itself from the class registry (its class's
// TClassInfo::Create, without an owner) and reads the description into it.
std::unique_ptr<TComponent> ReadNewComponentFromText(const String &Text, const String &SourceName);

// Writes Root and the components GetChildren gives, recursively: of each
// component the published properties that differ from their declared default
// (all of those without one), in declaration order, then its children.
// Raises EWriteError for a value the format cannot carry.
String WriteComponentToText(TComponent &Root);

// The form description shipped inside the program as the Qt resource
// ":/forms/<NAME>.dfm" (NAME upper case, e.g. TMAINFORM). False when there is
// none.
bool FindFormResource(const String &ResourceName, String &Text);

#pragma once

// Common dialogs: the file-open dialog, shown by Qt.

#include "framework/Classes.h"

// Asks the user for a file to open. Execute shows the dialog and waits; the
// chosen path is FileName afterwards.
class TOpenDialog : public TComponent
{
    TUMBLER_CLASS
public:
    explicit TOpenDialog(TComponent *AOwner);
    ~TOpenDialog() override;

    // The chosen file: preselected when the dialog opens, the user's choice
    // after Execute returned true. Defaults to empty.
    const String &FileName() const { return FFileName; }
    void SetFileName(const String &Value) { FFileName = Value; }
    // Filter pairs separated by '|': description, then patterns separated by
    // ';' ("Text files (*.txt)|*.txt|All files|*"). Defaults to empty: every
    // file.
    const String &Filter() const { return FFilter; }
    void SetFilter(const String &Value) { FFilter = Value; }
    // The folder the dialog opens in when FileName names none. Defaults to
    // empty: the current folder.
    const String &InitialDir() const { return FInitialDir; }
    void SetInitialDir(const String &Value) { FInitialDir = Value; }
    // The window title. Defaults to empty: "Open".
    const String &Title() const { return FTitle; }
    void SetTitle(const String &Value) { FTitle = Value; }

    // Shows the dialog modally. True when the user chose a file (FileName
    // holds it), false when cancelled (FileName unchanged).
    virtual bool Execute();

private:
    String FFileName;
    String FFilter;
    String FInitialDir;
    String FTitle;
};

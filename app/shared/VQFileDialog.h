// The program's open, save and folder dialog: the library's file dialog with
// one optional check button (for example "save the search only"), made by a
// factory. Each dialog holds one COM user of the thread that made it: the
// first initialises COM apartment-threaded, the last one gone uninitialises
// it, so a dialog works on any thread.
#pragma once

#include "foundation/mvstring.h"
#include "ui/dialogs/mvFileDialog.h"

#include <windows.h>

#include <memory>

class CVQFileDialog : public mvFileDialog {
public:
    CVQFileDialog() = default;

    // Before the item dialog shows: adds the check button when it has an id
    // and a label and the dialog takes custom controls. Always true.
    virtual bool AddCheckOption(IFileDialog* dialog);
    // After the user confirmed: reads the check button's state back.
    virtual void ReadCheckOption(IFileDialog* dialog);

    bool OnBeforeShow(IFileDialog* dialog) override { return AddCheckOption(dialog); }
    void OnAfterShow(IFileDialog* dialog) override { ReadCheckOption(dialog); }

    // The check button: its control id (0: none), its label, and its state,
    // given before Show and read after it. The older dialogs (legacy mode)
    // show no check button and leave the state as it was.
    DWORD m_checkId = 0;
    mvstring m_checkLabel;
    BOOL m_checked = FALSE;
};

// Resetting the pointer releases the dialog and its COM user.
using CVQFileDialogPtr = std::unique_ptr<CVQFileDialog>;

// A new dialog with nothing set, in place of the one the pointer held.
// False (the pointer empty) when it cannot be had.
bool MakeFileDialog(CVQFileDialogPtr& dialog);

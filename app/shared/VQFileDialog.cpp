#include "app/shared/VQFileDialog.h"

#include "foundation/Handles.h"

#include <new>

namespace {

ComHandle<IFileDialogCustomize> Customize(IFileDialog* dialog) {
    ComHandle<IFileDialogCustomize> customize;
    if (dialog != nullptr)
        dialog->QueryInterface(IID_PPV_ARGS(customize.Put()));
    return customize;
}

} // namespace

bool CVQFileDialog::AddCheckOption(IFileDialog* dialog) {
    if (m_checkId == 0 || m_checkLabel.empty())
        return true;
    if (const ComHandle<IFileDialogCustomize> customize = Customize(dialog))
        customize.Get()->AddCheckButton(m_checkId, m_checkLabel.c_str(), m_checked);
    return true;
}

void CVQFileDialog::ReadCheckOption(IFileDialog* dialog) {
    // Only a button that was added: some systems answer for any id.
    if (m_checkId == 0 || m_checkLabel.empty())
        return;
    const ComHandle<IFileDialogCustomize> customize = Customize(dialog);
    BOOL checked = FALSE;
    if (customize && SUCCEEDED(customize.Get()->GetCheckButtonState(m_checkId, &checked)))
        m_checked = checked;
}

bool MakeFileDialog(CVQFileDialogPtr& dialog) {
    dialog.reset();
    dialog.reset(new (std::nothrow) CVQFileDialog());
    return dialog != nullptr;
}

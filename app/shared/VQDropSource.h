// The drag loop's source: drops when the buttons that started the drag are
// released, cancels on Escape, and leaves the cursors to the system. The
// shell's drag helper takes no null source everywhere, so every drag the
// program starts hands it this one.
#pragma once

#include "ui/core/mvComBase.h"

#include <oleidl.h>

class CVQDropSource : public mvcom_base<IDropSource> {
public:
    CVQDropSource() = default;

    // DRAGDROP_S_CANCEL on Escape or when the other mouse button joins in,
    // DRAGDROP_S_DROP once neither the left nor the right button is held,
    // else S_OK.
    STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD keys) override;
    STDMETHODIMP GiveFeedback(DWORD effect) override;
};

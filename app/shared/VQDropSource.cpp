#include "app/shared/VQDropSource.h"

STDMETHODIMP CVQDropSource::QueryContinueDrag(BOOL escape, DWORD keys) {
    if (escape || (keys & (MK_LBUTTON | MK_RBUTTON)) == (MK_LBUTTON | MK_RBUTTON))
        return DRAGDROP_S_CANCEL;
    if ((keys & (MK_LBUTTON | MK_RBUTTON)) == 0)
        return DRAGDROP_S_DROP;
    return S_OK;
}

STDMETHODIMP CVQDropSource::GiveFeedback(DWORD) {
    return DRAGDROP_S_USEDEFAULTCURSORS;
}

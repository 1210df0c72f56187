// A window's drop target: it shows the shell's drag image over the window
// and either accepts what is offered or refuses every drop. Lives inside
// its owner (a member, or a local of a drag), so it is never deleted
// through Release. UI thread, with OLE initialised.
#pragma once

#include "foundation/Handles.h"
#include "ui/core/mvComBase.h"

#include <oleidl.h>
#include <shobjidl.h>

class CVQDropTarget : public mvcom_base<IDropTarget> {
public:
    explicit CVQDropTarget(bool accept = false) : m_accept(accept) {}
    ~CVQDropTarget() override;

    // Makes `window` the target window with a new drag-image object (none
    // when the shell cannot make one: the target then works without drag
    // images) and registers the target for it. False when the window could
    // not be registered.
    bool Register(HWND window);
    // Takes the registration back; the drag-image object stays.
    void Revoke();

    // The drag-image object to show the drag with; the target takes its own
    // reference. Null shows no image.
    void SetDragImage(IDropTargetHelper* helper);
    void SetAccept(bool accept) noexcept { m_accept = accept; }
    HWND Window() const noexcept { return m_window; }

    // All answer S_OK. While not accepting, the effect is cleared to
    // DROPEFFECT_NONE before the drag image is moved; else the effect the
    // source offers passes unchanged.
    STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

private:
    void Refuse(DWORD* effect) const noexcept;

    ComHandle<IDropTargetHelper> m_dragImage;
    HWND m_window = nullptr;
    bool m_accept = false;
    bool m_registered = false;
};

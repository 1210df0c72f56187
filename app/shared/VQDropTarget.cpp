#include "app/shared/VQDropTarget.h"

#include <shlguid.h>

CVQDropTarget::~CVQDropTarget() {
    Revoke();
}

bool CVQDropTarget::Register(HWND window) {
    Revoke();
    m_window = window;
    m_dragImage.Reset();
    CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_ALL, IID_IDropTargetHelper,
                     reinterpret_cast<void**>(m_dragImage.Put()));
    m_registered = window != nullptr && SUCCEEDED(RegisterDragDrop(window, this));
    return m_registered;
}

void CVQDropTarget::Revoke() {
    if (m_registered && IsWindow(m_window))
        RevokeDragDrop(m_window);
    m_registered = false;
}

void CVQDropTarget::SetDragImage(IDropTargetHelper* helper) {
    if (helper != nullptr)
        helper->AddRef();
    m_dragImage.Assign(helper);
}

void CVQDropTarget::Refuse(DWORD* effect) const noexcept {
    if (!m_accept && effect != nullptr)
        *effect = DROPEFFECT_NONE;
}

STDMETHODIMP CVQDropTarget::DragEnter(IDataObject* data, DWORD, POINTL point, DWORD* effect) {
    Refuse(effect);
    if (m_dragImage && m_window != nullptr) {
        POINT at{point.x, point.y};
        m_dragImage.Get()->DragEnter(m_window, data, &at, effect != nullptr ? *effect : 0);
    }
    return S_OK;
}

STDMETHODIMP CVQDropTarget::DragOver(DWORD, POINTL point, DWORD* effect) {
    Refuse(effect);
    if (m_dragImage) {
        POINT at{point.x, point.y};
        m_dragImage.Get()->DragOver(&at, effect != nullptr ? *effect : 0);
    }
    return S_OK;
}

STDMETHODIMP CVQDropTarget::DragLeave() {
    if (m_dragImage)
        m_dragImage.Get()->DragLeave();
    return S_OK;
}

STDMETHODIMP CVQDropTarget::Drop(IDataObject* data, DWORD, POINTL point, DWORD* effect) {
    if (m_dragImage) {
        POINT at{point.x, point.y};
        m_dragImage.Get()->Drop(data, &at, effect != nullptr ? *effect : 0);
    }
    return S_OK;
}

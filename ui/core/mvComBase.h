// The base of every COM object this program implements: one interface, a
// reference count changed only by interlocked operations, and a table-driven
// QueryInterface that answers IUnknown and the one interface.
#pragma once

#include <windows.h>
#include <shlwapi.h>

template <typename I> class mvcom_base : public I {
public:
    mvcom_base() = default;
    mvcom_base(const mvcom_base&) = delete;
    mvcom_base& operator=(const mvcom_base&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        static const QITAB table[] = {{&__uuidof(I), 0}, {nullptr, 0}};
        return QISearch(this, table, riid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement64(&m_refs));
    }
    // Deletes the object when the last reference goes.
    STDMETHODIMP_(ULONG) Release() override {
        LONG64 refs = InterlockedDecrement64(&m_refs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }

protected:
    virtual ~mvcom_base() = default;

private:
    LONG64 m_refs = 1;
};

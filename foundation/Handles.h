// Owners of system handles: one template over the function that frees the
// handle, and the named holders built from it. The holders of windows,
// icons, image lists and themes live with the window library
// (ui/WindowHolders.h), so that code which draws nothing needs none of its
// headers.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

// Owns one handle of type H and frees it with Close on reassignment and on
// destruction. Both 0 and INVALID_HANDLE_VALUE mean "no handle": Get() gives
// 0 for either, and neither is ever passed to Close. Move-only.
template <typename H, auto Close> class mvHandle {
public:
    using handle_type = H;

    mvHandle() noexcept = default;
    explicit mvHandle(H handle) noexcept : m_handle(handle) {}
    mvHandle(mvHandle&& other) noexcept : m_handle(other.Release()) {}
    mvHandle& operator=(mvHandle&& other) noexcept {
        if (this != &other)
            Assign(other.Release());
        return *this;
    }
    mvHandle(const mvHandle&) = delete;
    mvHandle& operator=(const mvHandle&) = delete;
    ~mvHandle() { Reset(); }

    static bool IsValid(H handle) noexcept {
        return handle != H{} && handle != reinterpret_cast<H>(INVALID_HANDLE_VALUE);
    }

    H Get() const noexcept { return IsValid(m_handle) ? m_handle : H{}; }
    explicit operator bool() const noexcept { return IsValid(m_handle); }

    // Frees the handle held (if any) and holds none.
    void Reset() noexcept {
        H old = m_handle;
        m_handle = H{};
        if (IsValid(old))
            Close(old);
    }
    // Takes ownership of a new handle, freeing the old one unless it is the
    // same handle.
    void Assign(H handle) noexcept {
        if (handle == m_handle)
            return;
        Reset();
        m_handle = handle;
    }
    // Gives up ownership without freeing; returns the handle (0 for none).
    [[nodiscard]] H Release() noexcept {
        H handle = Get();
        m_handle = H{};
        return handle;
    }
    // Frees the handle held and returns the slot for a function that hands
    // out a new handle through a pointer.
    H* Put() noexcept {
        Reset();
        return &m_handle;
    }

private:
    H m_handle{};
};

// Kernel objects closed with CloseHandle: files, events, threads, processes.
using KernelHandle = mvHandle<HANDLE, ::CloseHandle>;
using FileHandle = KernelHandle;
using EventHandle = KernelHandle;
using ThreadHandle = KernelHandle;

// Closes the file held by the holder and clears it.
inline void CloseFileHandle(FileHandle& file) noexcept {
    file.Reset();
}

// Movable global memory (GlobalAlloc) not yet handed to the clipboard.
using GlobalMemory = mvHandle<HGLOBAL, ::GlobalFree>;

// Searches opened by FindFirstFileW and its relatives.
using FindHandle = mvHandle<HANDLE, ::FindClose>;

// Modules this code loaded with LoadLibraryW.
using ModuleHandle = mvHandle<HMODULE, ::FreeLibrary>;

// Global memory blocks (GlobalAlloc), as handed to and taken from the
// clipboard and data objects.
using GlobalMemory = mvHandle<HGLOBAL, ::GlobalFree>;

// Registry keys opened or created by this process.
using RegKeyHandle = mvHandle<HKEY, ::RegCloseKey>;

// GDI objects (fonts, brushes, pens, bitmaps, regions), typed as created.
template <typename T = HGDIOBJ> using GdiHandle = mvHandle<T, ::DeleteObject>;

// A device context of the whole screen (GetDC(nullptr)).
inline void ReleaseScreenDC(HDC dc) noexcept {
    ReleaseDC(nullptr, dc);
}
using ScreenDC = mvHandle<HDC, ReleaseScreenDC>;

// A memory device context (CreateCompatibleDC).
using MemoryDC = mvHandle<HDC, ::DeleteDC>;

// COM interface pointers, released when the holder lets go.
template <typename I> inline void ReleaseComObject(I* object) noexcept {
    object->Release();
}
template <typename I> using ComHandle = mvHandle<I*, ReleaseComObject<I>>;

// Memory a system function handed out to be freed with CoTaskMemFree (known
// folder paths, shell strings), typed as handed out: CoTaskMemHandle<wchar_t>
// holds a PWSTR, and Put() is the slot to pass for it.
template <typename T> inline void FreeCoTaskMem(T* block) noexcept {
    ::CoTaskMemFree(block);
}
template <typename T> using CoTaskMemHandle = mvHandle<T*, FreeCoTaskMem<T>>;

#pragma once
// Non-copyable owners for Win32 handles: each closes its handle with the matching call.
#include <windows.h>

#include <utility>

template <class H, class Traits> class TUniqueHandle {
public:
    TUniqueHandle() = default;
    explicit TUniqueHandle(H h) : FHandle(h) {}
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;
    TUniqueHandle(TUniqueHandle&& other) noexcept : FHandle(other.Release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    ~TUniqueHandle() { Reset(); }

    H Get() const { return FHandle; }
    explicit operator bool() const { return Traits::Valid(FHandle); }
    H Release() { return std::exchange(FHandle, Traits::Invalid()); }
    void Reset(H h = Traits::Invalid()) {
        if (Traits::Valid(FHandle)) Traits::Close(FHandle);
        FHandle = h;
    }

private:
    H FHandle = Traits::Invalid();
};

template <class H, auto CloseFn> struct TNullHandleTraits {
    static H Invalid() { return nullptr; }
    static bool Valid(H h) { return h != nullptr; }
    static void Close(H h) { CloseFn(h); }
};

struct TFileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) { CloseHandle(h); }
};

using TWindowHandle = TUniqueHandle<HWND, TNullHandleTraits<HWND, DestroyWindow>>;
using TGdiObject = TUniqueHandle<HGDIOBJ, TNullHandleTraits<HGDIOBJ, DeleteObject>>;
using TFontHandle = TUniqueHandle<HFONT, TNullHandleTraits<HFONT, DeleteObject>>;
using TBrushHandle = TUniqueHandle<HBRUSH, TNullHandleTraits<HBRUSH, DeleteObject>>;
using TRegionHandle = TUniqueHandle<HRGN, TNullHandleTraits<HRGN, DeleteObject>>;
using TIconHandle = TUniqueHandle<HICON, TNullHandleTraits<HICON, DestroyIcon>>;
using TMenuHandle = TUniqueHandle<HMENU, TNullHandleTraits<HMENU, DestroyMenu>>;
using TModuleHandle = TUniqueHandle<HMODULE, TNullHandleTraits<HMODULE, FreeLibrary>>;
using TRegKeyHandle = TUniqueHandle<HKEY, TNullHandleTraits<HKEY, RegCloseKey>>;
using TKernelHandle = TUniqueHandle<HANDLE, TNullHandleTraits<HANDLE, CloseHandle>>;
using TFileHandle = TUniqueHandle<HANDLE, TFileHandleTraits>;

// Releases a device context taken with GetDC.
class TScreenDC {
public:
    explicit TScreenDC(HWND wnd = nullptr) : FWnd(wnd), FDC(GetDC(wnd)) {}
    TScreenDC(const TScreenDC&) = delete;
    TScreenDC& operator=(const TScreenDC&) = delete;
    ~TScreenDC() {
        if (FDC) ReleaseDC(FWnd, FDC);
    }
    HDC Get() const { return FDC; }

private:
    HWND FWnd;
    HDC FDC;
};

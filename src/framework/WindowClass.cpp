#include "framework/WindowClass.h"

#include "framework/Error.h"
#include "framework/SystemError.h"

#include <set>
#include <string>

void RegisterWindowClass(const WNDCLASSEXW& windowClass) {
    static std::set<std::wstring> registered;
    const std::wstring name = windowClass.lpszClassName;
    if (registered.count(name)) return;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw TError(L"Cannot register window class " + name + L". " + SystemErrorText(GetLastError()));
    registered.insert(name);
}

HWND CreateUtilityWindow(const wchar_t* className, WNDPROC procedure, HWND parent, DWORD exStyle, DWORD style,
                         void* owner) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    RegisterWindowClass(wc);
    HWND wnd = CreateWindowExW(exStyle, className, L"", style, 0, 0, 0, 0, parent, nullptr, GetModuleHandleW(nullptr),
                               nullptr);
    if (!wnd) throw TError(std::wstring(L"Cannot create the window ") + className + L". " +
                           SystemErrorText(GetLastError()));
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return wnd;
}

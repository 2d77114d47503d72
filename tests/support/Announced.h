#pragma once
// What a screen reader finds for a window: the name and the role of its client object, read
// through the platform's accessibility functions.
#include <windows.h>

#include <oleacc.h>

#include <string>

struct TSpoken {
    std::wstring Name;
    long Role = 0;
};

inline TSpoken Announced(HWND wnd) {
    TSpoken spoken;
    IAccessible* acc = nullptr;
    if (FAILED(AccessibleObjectFromWindow(wnd, OBJID_CLIENT, __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&acc))))
        return spoken;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (acc->get_accName(self, &name) == S_OK && name) spoken.Name = name;
    SysFreeString(name);
    VARIANT role{};
    if (SUCCEEDED(acc->get_accRole(self, &role)) && role.vt == VT_I4) spoken.Role = role.lVal;
    acc->Release();
    return spoken;
}

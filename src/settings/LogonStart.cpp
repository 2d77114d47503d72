#include "settings/LogonStart.h"

#include "framework/Paths.h"
#include "framework/Registry.h"

const wchar_t kRunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring LogonStartName() {
    const std::wstring path = ExecutablePath();
    return path.substr(path.find_last_of(L"\\/") + 1);
}

std::wstring ReadLogonStart(const std::wstring& fallback) {
    TRegistryKey key = TRegistryKey::Open(HKEY_CURRENT_USER, kRunKeyPath, KEY_READ);
    if (!key.IsOpen()) return fallback;
    return key.ReadString(LogonStartName()).value_or(fallback);
}

void WriteLogonStart() {
    const std::wstring failure = L"Unable to open key \"" + std::wstring(kRunKeyPath) + L"\" for write";
    TRegistryKey key = TRegistryKey::Open(HKEY_CURRENT_USER, kRunKeyPath, KEY_SET_VALUE);
    if (!key.IsOpen()) throw TError(failure);
    try {
        key.WriteString(LogonStartName(), ExecutablePath());
    } catch (const TRegistryError&) {
        throw TError(failure);
    }
}

void DeleteLogonStart() {
    const std::wstring failure = L"Unable to open key \"" + std::wstring(kRunKeyPath) +
                                 L"\" and access value \"" + LogonStartName() + L"\"";
    TRegistryKey key = TRegistryKey::Open(HKEY_CURRENT_USER, kRunKeyPath, KEY_SET_VALUE);
    if (!key.IsOpen()) throw TError(failure);
    try {
        key.DeleteValue(LogonStartName());
    } catch (const TRegistryError&) {
        throw TError(failure);
    }
}

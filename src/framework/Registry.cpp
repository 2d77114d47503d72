#include "framework/Registry.h"

#include "framework/SystemError.h"

#include <algorithm>
#include <cwchar>

TRegistryError::TRegistryError(LONG code) : TError(SystemErrorText(static_cast<DWORD>(code))), FCode(code) {}

TRegistryKey TRegistryKey::Open(HKEY root, const std::wstring& path, REGSAM access) {
    HKEY key = nullptr;
    const LONG error = RegOpenKeyExW(root, path.c_str(), 0, access, &key);
    return {TRegKeyHandle(error == ERROR_SUCCESS ? key : nullptr), path, error};
}

TRegistryKey TRegistryKey::Create(HKEY root, const std::wstring& path, REGSAM access) {
    HKEY key = nullptr;
    const LONG error = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                       nullptr, &key, nullptr);
    return {TRegKeyHandle(error == ERROR_SUCCESS ? key : nullptr), path, error};
}

void TRegistryKey::CheckOpen() const {
    if (!IsOpen()) throw TRegistryError(FOpenError);
}

void TRegistryKey::RequireOpen() const {
    if (!IsOpen()) throw TRegistryError(FOpenError == ERROR_SUCCESS ? ERROR_INVALID_HANDLE : FOpenError);
}

std::optional<std::wstring> TRegistryKey::ReadString(const std::wstring& name) const {
    if (!IsOpen()) return std::nullopt;
    DWORD type = 0, size = 0;
    LONG error = RegQueryValueExW(FKey.Get(), name.c_str(), nullptr, &type, nullptr, &size);
    std::vector<BYTE> data;
    while (error == ERROR_SUCCESS) {
        data.resize(size);
        DWORD got = size;
        error =
            RegQueryValueExW(FKey.Get(), name.c_str(), nullptr, &type, size ? data.data() : nullptr, &got);
        if (error == ERROR_MORE_DATA) { // the value grew meanwhile
            size = got;
            error = ERROR_SUCCESS;
            continue;
        }
        data.resize(got);
        break;
    }
    if (error != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    // Stored text need not end with a NUL, nor hold a whole number of characters.
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    std::copy_n(data.data(), text.size() * sizeof(wchar_t), reinterpret_cast<BYTE*>(text.data()));
    text.resize(std::wcslen(text.c_str()));
    return text;
}

std::optional<DWORD> TRegistryKey::ReadDword(const std::wstring& name) const {
    if (!IsOpen()) return std::nullopt;
    DWORD value = 0, type = 0, size = sizeof value;
    const LONG error =
        RegQueryValueExW(FKey.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (error != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
    return value;
}

bool TRegistryKey::ValueExists(const std::wstring& name) const {
    return IsOpen() &&
           RegQueryValueExW(FKey.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void TRegistryKey::WriteString(const std::wstring& name, const std::wstring& value) {
    RequireOpen();
    const auto size = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)); // the NUL is stored too
    const LONG error = RegSetValueExW(FKey.Get(), name.c_str(), 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(value.c_str()), size);
    if (error != ERROR_SUCCESS) throw TRegistryError(error);
}

void TRegistryKey::WriteDword(const std::wstring& name, DWORD value) {
    RequireOpen();
    const LONG error = RegSetValueExW(FKey.Get(), name.c_str(), 0, REG_DWORD,
                                      reinterpret_cast<const BYTE*>(&value), sizeof value);
    if (error != ERROR_SUCCESS) throw TRegistryError(error);
}

void TRegistryKey::DeleteValue(const std::wstring& name) {
    RequireOpen();
    const LONG error = RegDeleteValueW(FKey.Get(), name.c_str());
    if (error != ERROR_SUCCESS) throw TRegistryError(error);
}

std::vector<std::wstring> TRegistryKey::SubKeyNames() const {
    std::vector<std::wstring> names;
    if (!IsOpen()) return names;
    DWORD count = 0, longest = 0;
    if (RegQueryInfoKeyW(FKey.Get(), nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::vector<wchar_t> buffer(longest + 1);
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (RegEnumKeyExW(FKey.Get(), i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS)
            names.emplace_back(buffer.data(), length);
    }
    return names;
}

LONG DeleteKeyTree(HKEY root, const std::wstring& path) {
    {
        TRegistryKey key = TRegistryKey::Open(root, path, KEY_ALL_ACCESS);
        if (!key.IsOpen()) return key.OpenError();
        DWORD count = 0, longest = 0;
        if (RegQueryInfoKeyW(key.Handle(), nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            std::vector<wchar_t> buffer(longest + 1);
            // From the last down to the first, so deleting does not shift the ones still to come.
            for (DWORD i = count; i-- > 0;) {
                DWORD length = static_cast<DWORD>(buffer.size());
                if (RegEnumKeyExW(key.Handle(), i, buffer.data(), &length, nullptr, nullptr, nullptr,
                                  nullptr) != ERROR_SUCCESS)
                    continue;
                DeleteKeyTree(key.Handle(), std::wstring(buffer.data(), length));
            }
        }
    }
    return RegDeleteKeyW(root, path.c_str());
}

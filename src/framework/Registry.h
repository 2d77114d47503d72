#pragma once
// A registry key open for one operation or batch, closed when the object goes.
#include "framework/Error.h"
#include "framework/Handles.h"

#include <optional>
#include <string>
#include <vector>

// A failed registry call: the system's text for its code, and the code itself.
class TRegistryError : public TError {
public:
    explicit TRegistryError(LONG code);
    LONG Code() const { return FCode; }

private:
    LONG FCode;
};

class TRegistryKey {
public:
    TRegistryKey() = default;
    TRegistryKey(TRegistryKey&&) = default;
    TRegistryKey& operator=(TRegistryKey&&) = default;

    // Opens a key that exists; a key that cannot be opened leaves the object closed with the
    // platform's code in OpenError().
    static TRegistryKey Open(HKEY root, const std::wstring& path, REGSAM access = KEY_ALL_ACCESS);
    // Opens the key, creating it and the keys above it where missing.
    static TRegistryKey Create(HKEY root, const std::wstring& path, REGSAM access = KEY_ALL_ACCESS);

    bool IsOpen() const { return static_cast<bool>(FKey); }
    LONG OpenError() const { return FOpenError; }
    // Throws the platform's error of the failed opening; nothing when the key is open.
    void CheckOpen() const;
    HKEY Handle() const { return FKey.Get(); }
    const std::wstring& Path() const { return FPath; }

    // The stored text of a REG_SZ or REG_EXPAND_SZ value up to its first NUL, not expanded;
    // nothing when the value is missing or holds another type.
    std::optional<std::wstring> ReadString(const std::wstring& name) const;
    // A REG_DWORD value of exactly four bytes; nothing when missing, of another type or size.
    std::optional<DWORD> ReadDword(const std::wstring& name) const;
    bool ValueExists(const std::wstring& name) const;

    // The writes and the deletion throw TRegistryError with the platform's text.
    void WriteString(const std::wstring& name, const std::wstring& value);
    void WriteDword(const std::wstring& name, DWORD value);
    void DeleteValue(const std::wstring& name);

    std::vector<std::wstring> SubKeyNames() const;

private:
    TRegistryKey(TRegKeyHandle key, std::wstring path, LONG error)
        : FKey(std::move(key)), FPath(std::move(path)), FOpenError(error) {}
    void RequireOpen() const;

    TRegKeyHandle FKey;
    std::wstring FPath;
    LONG FOpenError = ERROR_INVALID_HANDLE;
};

// Deletes a key with everything below it, deepest keys first. Returns the platform's result of
// deleting the key itself (ERROR_FILE_NOT_FOUND when there was none).
LONG DeleteKeyTree(HKEY root, const std::wstring& path);

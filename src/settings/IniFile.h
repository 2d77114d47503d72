#pragma once
// Settings in an INI file through the platform's profile functions. Each object is one batch:
// it opens nothing and keeps nothing but whether the file was there when it began, and closing
// it flushes the platform's cache for the file.
#include "settings/IniNumber.h"

#include <optional>
#include <string>

class TIniFile {
public:
    explicit TIniFile(std::wstring path);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::wstring& Path() const { return FPath; }

    // Values are read as text, at most 2047 characters.
    std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                            const std::wstring& fallback) const;
    // The default stands in for anything that is not wholly a number.
    int ReadInteger(const std::wstring& section, const std::wstring& key, int fallback) const;
    // Any non-zero integer is true.
    bool ReadBool(const std::wstring& section, const std::wstring& key, bool fallback) const;

    // A value the file already holds is not written again, so an unchanged file keeps its bytes
    // and its time. A failed write ends the batch: the writes after it are not made. It raises
    // "Unable to write to <path>" the first time; while the file stays unwritable, later failures
    // in this run end their batch without raising, until a write to it succeeds again.
    void WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value);
    void WriteInteger(const std::wstring& section, const std::wstring& key, int value);
    void WriteBool(const std::wstring& section, const std::wstring& key, bool value);

private:
    bool Holds(const std::wstring& section, const std::wstring& key, const std::wstring& value) const;

    std::wstring FPath;
    bool FMissing = false; // no file when the batch began, nothing written since
    bool FWriteFailed = false;
};

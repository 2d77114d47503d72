#pragma once
// The note's entry in the user's log-on start list: a string value under the Run key, named
// after the executable's file name, holding its full path unquoted.
#include <string>

extern const wchar_t kRunKeyPath[];

// The value's name: the executable's file name with its extension.
std::wstring LogonStartName();
// The stored text, or `fallback` when the key, the value or a string in it is missing.
std::wstring ReadLogonStart(const std::wstring& fallback);
// Sets the value to the executable's full path; the key itself is never created.
void WriteLogonStart();
void DeleteLogonStart();

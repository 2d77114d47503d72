#pragma once
#include <string>

// The executable's full path.
std::wstring ExecutablePath();
// The executable's full path with its extension replaced, e.g. ".INI" beside "quillpad.exe".
std::wstring ExecutableRelativePath(const std::wstring& extension);

#pragma once
#include <string>

// The executable's full path.
std::wstring ExecutablePath();
// The executable's full path with its extension replaced, e.g. ".INI" beside "quillpad.exe".
std::wstring ExecutableRelativePath(const std::wstring& extension);
// The same name in the user's own application-data folder, in a folder named after the
// executable: "<AppData>\quillpad\quillpad.RTF" for ".RTF" beside "quillpad.exe".
std::wstring UserDataPath(const std::wstring& extension);

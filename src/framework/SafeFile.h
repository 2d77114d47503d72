#pragma once
// Replacing a file so that it is never left holding less than a complete copy: the bytes go to
// a temporary file beside it, are flushed, and only then put in its place in one step.
#include <windows.h>

#include <string>

// The temporary file used while `path` is replaced.
std::wstring TemporaryPathFor(const std::wstring& path);

// Removes a temporary file that a replacement cut short (a kill, a power cut) left beside `path`.
void RemoveLeftTemporaries(const std::wstring& path);

// Writes `bytes` to `path` through its temporary file. Returns 0 when `path` now holds exactly
// `bytes`; otherwise a system error code (never 0), `path` keeps what it had and the temporary
// file is gone. A temporary file left by an earlier, interrupted replacement is overwritten.
DWORD ReplaceFileContents(const std::wstring& path, const std::string& bytes);

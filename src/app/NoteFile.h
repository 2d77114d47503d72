#pragma once
// The note's document file: reading it, and replacing it without ever leaving less than a
// complete document on disk.
#include <string>

std::wstring DocumentPath();

// The whole file; raises "Cannot open file "<path>". <reason>" when it cannot be opened.
std::string ReadDocumentFile(const std::wstring& path);
// File bytes as the editor is to read them: every line break CR LF, NUL bytes left out.
std::string PrepareForEditor(const std::string& bytes);

// Writes the bytes to a file beside `path`, flushes it and renames it over `path`. If any step
// fails, `path` keeps what it had, the temporary file is removed and
// "Cannot create file "<path>". <reason>" is raised.
void ReplaceFileSafely(const std::wstring& path, const std::string& bytes);
// Renames a document that could not be read, so no save replaces it; returns the new name.
std::wstring SetAside(const std::wstring& path);

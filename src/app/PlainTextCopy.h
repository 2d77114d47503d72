#pragma once
// The note's plain-text copies: beside the executable, or wherever the user chooses.
#include <string>
#include <vector>

std::wstring PlainTextPath();

// Each line followed by CR LF, in the ANSI code page; a character it lacks becomes its
// replacement character instead of a look-alike.
std::string PlainTextBytes(const std::vector<std::wstring>& lines);
// Creates or truncates the file and writes the bytes; a failure raises the I/O error text.
void WritePlainText(const std::wstring& path, const std::string& bytes);
std::wstring IoErrorText(int code);

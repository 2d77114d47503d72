#pragma once
// The note's plain-text copies: beside the executable, or wherever the user chooses.
#include "note/PlainTextBytes.h"

#include <string>

std::wstring PlainTextPath();

// Replaces the file with the bytes through a temporary file, so a failure leaves the previous
// copy whole; a failure raises the I/O error text.
void WritePlainText(const std::wstring& path, const std::string& bytes);
std::wstring IoErrorText(int code);

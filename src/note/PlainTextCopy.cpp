#include "note/PlainTextCopy.h"

#include "framework/Error.h"
#include "framework/Paths.h"
#include "framework/SafeFile.h"

#include <windows.h>

#include <optional>
#include <string_view>

namespace {

constexpr UINT kGb18030 = 54936;

int IoErrorCode(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return 2;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return 3;
    case ERROR_TOO_MANY_OPEN_FILES:
        return 4;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return 5;
    case ERROR_HANDLE_EOF:
        return 100;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return 101;
    }
    return static_cast<int>(error);
}

bool HasLoneBreak(const std::wstring& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && (i + 1 == text.size() || text[i + 1] != L'\n')) return true;
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) return true;
    }
    return false;
}

// The text with a lone CR or LF turned into CR LF.
std::wstring WithCrLfBreaks(const std::wstring& text) {
    std::wstring lines;
    lines.reserve(text.size() + text.size() / 16 + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            lines += L"\r\n";
        } else {
            lines += c;
        }
    }
    return lines;
}

// Code pages that hold every character; they take no flags and no default character.
bool CoversUnicode(UINT codePage) {
    return codePage == CP_UTF8 || codePage == kGb18030;
}

// `before`, the text (not empty) in `codePage`, then `after`; nothing when a character is
// missing from the code page or the code page cannot be used. The copy can be megabytes: one
// buffer, filled in place.
std::optional<std::string> Encoded(const std::wstring& text, UINT codePage, std::string_view before,
                                   std::string_view after) {
    const DWORD flags = CoversUnicode(codePage) ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = CoversUnicode(codePage) ? nullptr : &usedDefault;
    const int size = static_cast<int>(text.size());
    const int n =
        WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, usedDefaultOut);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string bytes;
    bytes.reserve(before.size() + static_cast<size_t>(n) + after.size());
    bytes.assign(before);
    bytes.resize(before.size() + static_cast<size_t>(n));
    if (WideCharToMultiByte(codePage, flags, text.data(), size, bytes.data() + before.size(), n, nullptr,
                            usedDefaultOut) != n ||
        usedDefault)
        return std::nullopt;
    bytes += after;
    return bytes;
}

} // namespace

std::wstring PlainTextPath() {
    return ExecutableRelativePath(L".txt");
}

std::string PlainTextBytes(const std::wstring& text, unsigned codePage) {
    if (text.empty()) return {};
    // The control gives CR LF between paragraphs; anything else is rewritten to that first.
    const bool rewrite = HasLoneBreak(text);
    const std::wstring rewritten = rewrite ? WithCrLfBreaks(text) : std::wstring();
    const std::wstring& lines = rewrite ? rewritten : text;
    const std::string_view end = lines.back() == L'\n' ? "" : "\r\n"; // the last paragraph has no break
    if (std::optional<std::string> bytes = Encoded(lines, codePage, "", end)) return *std::move(bytes);
    // UTF-8 takes every character but a lone surrogate, which becomes U+FFFD.
    return Encoded(lines, CP_UTF8, "\xEF\xBB\xBF", end).value_or(std::string());
}

std::string PlainTextBytes(const std::wstring& text) {
    return PlainTextBytes(text, GetACP());
}

std::wstring IoErrorText(int code) {
    switch (code) {
    case 2:
        return L"File not found";
    case 3:
        return L"Invalid filename";
    case 4:
        return L"Too many open files";
    case 5:
        return L"File access denied";
    case 100:
        return L"Read beyond end of file";
    case 101:
        return L"Disk full";
    case 106:
        return L"Invalid numeric input";
    }
    return L"I/O error " + std::to_wstring(code);
}

void WritePlainText(const std::wstring& path, const std::string& bytes) {
    if (const DWORD error = ReplaceFileContents(path, bytes)) throw TError(IoErrorText(IoErrorCode(error)));
}

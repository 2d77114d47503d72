// Waits until the note's editor, in the Quillpad running in this Wine prefix, holds a word.
// Usage: editor_wait.exe WORD TIMEOUT_MS
// Exit status 0 once the word is there, 1 when the time is up, 2 when there is no note window.
#include <windows.h>

#include <string>

namespace {

HWND Found = nullptr;

BOOL CALLBACK FindNote(HWND wnd, LPARAM) {
    wchar_t title[64] = {};
    GetWindowTextW(wnd, title, 64);
    if (std::wstring(title).rfind(L"Quillpad v", 0) != 0) return TRUE;
    Found = wnd;
    return FALSE;
}

BOOL CALLBACK FindEditor(HWND wnd, LPARAM) {
    wchar_t name[64] = {};
    GetClassNameW(wnd, name, 64);
    if (_wcsnicmp(name, L"RichEdit", 8) != 0) return TRUE;
    Found = wnd;
    return FALSE;
}

HWND NoteEditor() {
    Found = nullptr;
    EnumWindows(FindNote, 0);
    HWND note = Found;
    if (!note) return nullptr;
    Found = nullptr;
    EnumChildWindows(note, FindEditor, 0);
    return Found;
}

std::wstring EditorText(HWND editor) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(editor, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(editor, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 1000, &copied))
        return {};
    text.resize(copied);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string word8 = argv[1];
    const std::wstring word(word8.begin(), word8.end()); // the words are plain ASCII
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(std::stoul(argv[2]));
    for (;;) {
        HWND editor = NoteEditor();
        if (!editor) return 2;
        if (EditorText(editor).find(word) != std::wstring::npos) return 0;
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0) return 1;
        Sleep(50);
    }
}

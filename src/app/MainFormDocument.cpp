#include "app/MainForm.h"

#include "app/NoteFile.h"
#include "framework/Error.h"

void TForm1::OpenMemo() {
    const std::wstring path = DocumentPath();
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    try {
        const std::string data = PrepareForEditor(ReadDocumentFile(path));
        if (!StreamIntoEditor(data, SF_RTF) && !StreamIntoEditor(data, SF_TEXT))
            throw TError(L"Failed to Load Stream");
    } catch (...) {
        // The editor stays empty; the stored document must survive the saves that follow.
        FLoadFailed = true;
        throw;
    }
    Memo1->LimitText(0x7FFFFFF0);
}

bool TForm1::StreamIntoEditor(const std::string& data, UINT format) {
    size_t at = 0;
    return Memo1->StreamIn(format, [&](BYTE* buffer, LONG size) {
        // At most half of what the control offers: it may need the rest to expand what it gets.
        const auto n = std::min(data.size() - at, static_cast<size_t>(size / 2));
        std::copy_n(data.data() + at, n, reinterpret_cast<char*>(buffer));
        at += n;
        return static_cast<LONG>(n);
    });
}

void TForm1::Enregistrer1Click(TObject*) {
    const std::wstring path = DocumentPath();
    if (FLoadFailed) {
        SetAside(path);
        FLoadFailed = false;
    }
    std::string rtf;
    if (!Memo1->SaveRtf(rtf)) throw TError(L"Failed to Save Stream");
    ReplaceFileSafely(path, rtf);
}

void TForm1::Vider1Click(TObject*) {
    if (AskYesNo(Handle(), L"Êtes vous sûr de vouloir tout supprimer?", L"Tout Supprimer ?")) Memo1->Clear();
}

void TForm1::HKDelHotKey(TObject*) {
    Memo1->Clear();
}

void TForm1::Memo1KeyUp(TObject*, WORD&, TShiftState) {
    if (FSaveOnChange) Enregistrer1Click(this);
}

void TForm1::FormDestroy(TObject*) {
    Enregistrer1Click(this);
}

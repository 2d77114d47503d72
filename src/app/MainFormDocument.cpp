#include "app/MainForm.h"

#include "app/NoteFile.h"
#include "app/RtfSafetyScan.h"
#include "framework/Error.h"

void TForm1::OpenMemo() {
    // The note's window is made here, once, with the border and scroll bars of the settings.
    Memo1->HandleNeeded();
    const std::wstring path = DocumentPath();
    try {
        if (!DocumentExists(path)) return;
        if (LoadNeverReturned(path)) throw TError(L"Failed to Load Stream");
        const std::string data = PrepareForEditor(ReadDocumentFile(path));
        const TDocumentFigures figures = MeasureDocument(data);
        if (!SafeForControl(figures)) throw TError(L"Failed to Load Stream");
        bool loaded = false;
        {
            TLoadInProgress marker(path);
            loaded = StreamIntoEditor(data, SF_RTF) || StreamIntoEditor(data, SF_TEXT);
        }
        // The control can take a file as RTF and show nothing of it (a code page it does not
        // know): that is a load that lost the note, not an empty note.
        if (!loaded || (figures.HoldsText && GetWindowTextLengthW(Memo1->Handle()) == 0))
            throw TError(L"Failed to Load Stream");
    } catch (...) {
        // The stored document must survive the saves that follow: see Enregistrer1Click.
        Memo1->Clear();
        FLoadFailed = true;
        ReportCurrentException(this);
        return;
    }
    Memo1->LimitText(0x7FFFFFF0);
}

bool TForm1::StreamIntoEditor(const std::string& data, UINT format) {
    size_t at = 0;
    return Memo1->StreamIn(format, [&](BYTE* buffer, LONG size) {
        // At most half of what the control offers: it may need the rest to expand what it gets.
        auto n = std::min(data.size() - at, static_cast<size_t>(size / 2));
        // A CR LF pair split between two chunks would be read as two line breaks.
        if (n > 0 && at + n < data.size() && data[at + n - 1] == '\r' && data[at + n] == '\n')
            n = n > 1 ? n - 1 : n + 1;
        std::copy_n(data.data() + at, n, reinterpret_cast<char*>(buffer));
        at += n;
        return static_cast<LONG>(n);
    });
}

void TForm1::Enregistrer1Click(TObject*) {
    const std::wstring path = DocumentPath();
    if (FLoadFailed) {
        // Until the user writes something the stored document stays where it is, so the next
        // start loads it (a file held by another program at start is there again then). Once
        // there is something to save, the stored document is set aside first.
        if (GetWindowTextLengthW(Memo1->Handle()) == 0) return;
        SetAside(path);
        FLoadFailed = false;
    }
    std::string rtf;
    // Even an empty note is a few dozen bytes of RTF; nothing at all is a failed stream.
    if (!Memo1->SaveRtf(rtf) || rtf.empty()) throw TError(L"Failed to Save Stream");
    ReplaceFileSafely(path, rtf);
}

// Clearing is one edit that Undo takes back, also after the empty note has been saved: one slip
// of the hand on Ctrl+Del must not lose the note.
void TForm1::Vider1Click(TObject*) {
    if (AskYesNo(Handle(), L"Êtes vous sûr de vouloir tout supprimer?", L"Tout Supprimer ?"))
        Memo1->ClearUndoable();
}

void TForm1::HKDelHotKey(TObject*) {
    Memo1->ClearUndoable();
}

void TForm1::Memo1KeyUp(TObject*, WORD&, TShiftState) {
    if (FSaveOnChange) Enregistrer1Click(this);
}

void TForm1::FormDestroy(TObject*) {
    if (FHandingOver) return; // the note is the running instance's
    Enregistrer1Click(this);
}

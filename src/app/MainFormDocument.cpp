#include "app/MainForm.h"

#include "note/ForeignNote.h"
#include "note/NoteFile.h"
#include "note/RtfCodePage.h"
#include "note/RtfSafetyScan.h"
#include "components/HotKeyEdit.h"
#include "framework/Application.h"
#include "framework/Error.h"
#include "framework/SafeFile.h"
#include "framework/Shell.h"
#include "framework/SystemError.h"

#include <utility>

namespace {

// Another writer is mostly done a moment after the first change in the folder (a sync client
// renames its temporary file, a word processor writes in a few steps).
constexpr UINT kSettleMs = 500;
// Where the folder cannot be watched, the file is looked at this often instead; a file that
// could not be read is looked at again after this long.
constexpr UINT kLookAgainMs = 2000;
// Save-on-change saves in the pauses of typing: once the keyboard has been quiet this long, and
// during continuous typing at the latest this long after the first change not yet saved.
constexpr ULONGLONG kQuietMs = 300;
constexpr ULONGLONG kLongestWaitMs = 2000;
// A note held by another program at start (a backup, a scan, a sync client) is read again this
// long, every kLookAgainMs, while the editor stays empty.
constexpr ULONGLONG kRetryLoadForMs = 60000;

// Keys that move the caret or the selection, or change no text at all.
bool OnlyMoves(WORD key) {
    switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_APPS:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
    case VK_ESCAPE:
    case VK_INSERT:
        return true;
    default:
        return IsModifierKey(key) || (key >= VK_F1 && key <= VK_F24);
    }
}

std::wstring FileName(const std::wstring& path) {
    return path.substr(path.find_last_of(L"\\/") + 1);
}

} // namespace

void TForm1::OpenMemo() {
    // The note's window is made here, once, with the border and scroll bars of the settings.
    Memo1->HandleNeeded();
    const std::wstring path = DocumentPath();
    FNote = std::make_unique<TStoredNote>(path);
    RemoveLeftTemporaries(path);
    try {
        if (!DocumentExists(path)) return;
        // Read first: a load that never returned is then known as this file's, and not tried
        // again when the file is looked at later.
        const std::string bytes = FNote->Read();
        if (LoadNeverReturned(path)) throw TError(L"Failed to Load Stream");
        LoadIntoEditor(bytes, false);
    } catch (...) {
        // The stored document must survive the saves that follow: see SyncStoredNote.
        Memo1->Clear();
        FLoadFailed = true;
        const bool held = HeldByAnotherProgram(path);
        ReportNotLoaded(ExceptionText(std::current_exception()), held);
        if (held) RetryLoadWhileHeld();
    }
    Memo1->LimitText(0x7FFFFFF0);
}

void TForm1::ReportNotLoaded(const std::wstring& why, bool retrying) {
    const std::wstring path = FNote->Path();
    std::wstring text =
        why + L"\n\nLa note n'a pas été chargée ; elle est gardée telle quelle dans « " + path + L" ».";
    if (retrying)
        text +=
            L" Un autre programme tient ce fichier ouvert : Quillpad réessaie de le lire pendant une minute.";
    text += L" Si vous écrivez dans la note vide, ce fichier sera d'abord renommé « " +
            FileName(SetAsideName(path)) + L" » dans le même dossier.";
    Application->HandleException(this, text);
}

void TForm1::RetryLoadWhileHeld() {
    FLoadRetryUntil = GetTickCount64() + kRetryLoadForMs;
    if (!FLoadRetry) {
        FLoadRetry = new TTimer(this);
        FLoadRetry->SetName(L"LoadRetry");
        FLoadRetry->SetEnabled(false);
        FLoadRetry->SetInterval(kLookAgainMs);
        FLoadRetry->OnTimer = [this](TObject*) { RetryLoad(); };
    }
    FLoadRetry->SetEnabled(true);
}

void TForm1::RetryLoad() {
    if (!FLoadFailed || GetTickCount64() >= FLoadRetryUntil || GetWindowTextLengthW(Memo1->Handle()) != 0) {
        FLoadRetry->SetEnabled(false);
        return;
    }
    const TStoredCheck check = FNote->Check();
    if (check.Change == scUnreadable) return; // still held: the next tick tries again
    FLoadRetry->SetEnabled(false);
    if (check.Change != scChanged) return;
    FNote->Accept(check.Bytes);
    try {
        LoadIntoEditor(check.Bytes, false);
    } catch (...) {
        Memo1->Clear();
        ReportNotLoaded(ExceptionText(std::current_exception()), false);
        return;
    }
    // As if the start had read it: the note is the stored one, unchanged.
    FLoadFailed = false;
    Memo1->LimitText(0x7FFFFFF0);
    Memo1->SetModified(false);
}

void TForm1::LoadIntoEditor(const std::string& bytes, bool undoable) {
    const std::string prepared = PrepareForEditor(FromByteOrder(bytes));
    // What the file holds, read by the program itself: the measure of what the control shows.
    const TDocumentFigures held = MeasureDocument(prepared);
    TNoteForControl note = held.Rtf ? RewriteForControl(prepared) : TNoteForControl{prepared, {}};
    const std::string data = undoable ? WithoutFinalParagraphMark(note.Bytes) : note.Bytes;
    const TDocumentFigures figures = MeasureDocument(data);
    if (!SafeForControl(figures)) throw TError(L"Failed to Load Stream");
    // Into the whole content selected, the load is one edit that Undo takes back.
    const UINT into = undoable ? SFF_SELECTION : 0;
    if (undoable) Memo1->SelectAll();
    bool loaded = false;
    {
        TLoadInProgress marker(FNote->Path());
        loaded = StreamIntoEditor(data, SF_RTF | into);
        if (!loaded && held.Rtf) {
            // An RTF file the control refuses is shown as its text, never as its source code.
            AddChange(note.Changes,
                      L"la zone de texte ne sait pas le lire comme RTF : seul son texte est chargé");
            loaded = StreamIntoEditor(RtfFromText(held.Text), SF_RTF | into);
        }
        if (!loaded) loaded = StreamIntoEditor(data, SF_TEXT | into);
    }
    // The control can take a file and show nothing of it: that is a load that lost the note, not
    // an empty note.
    if (!loaded || (figures.HoldsText && GetWindowTextLengthW(Memo1->Handle()) == 0))
        throw TError(L"Failed to Load Stream");
    if (held.Rtf) {
        // A few characters of difference are the two readings' detail (a code page's pairs of
        // bytes, a list's number); more is text the control dropped.
        const size_t holds = VisibleCharacters(held.Text);
        const size_t shown = VisibleCharacters(Memo1->Text());
        if (shown + std::max<size_t>(2, holds / 100) < holds)
            AddChange(note.Changes, L"la zone de texte n'en affiche pas tout le texte");
    }
    if (!note.Changes.empty()) KeepOriginal(bytes, note.Changes);
}

void TForm1::KeepOriginal(const std::string& bytes, const std::wstring& changes) {
    const std::wstring copy = OriginalCopyPath(FNote->Path());
    if (const DWORD error = ReplaceFileContents(copy, bytes))
        throw TError(L"Cannot create file \"" + copy + L"\". " + SystemErrorText(error));
    Application->HandleException(
        this, L"La note « " + FNote->Path() + L" » n'a pas pu être reprise telle quelle : " + changes +
                  L".\n\nLe fichier tel qu'il était est gardé dans « " + copy +
                  L" ». La note est chargée telle qu'elle s'affiche et sera enregistrée ainsi.");
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
    SyncStoredNote(true, false);
}

bool TForm1::EditorUnchanged(const std::string& rtf) {
    // Between the start's load and the first save only the control knows whether it was edited.
    return FInStep ? rtf == *FInStep : !Memo1->Modified();
}

void TForm1::SyncStoredNote(bool writeOurs, bool leaving) {
    if (!FNote) return;
    if (FLoadFailed) {
        // Until the user writes something the stored document stays where it is, so the next
        // start loads it (a file held by another program at start is there again then). Once
        // there is something to save, the stored document is set aside first.
        if (GetWindowTextLengthW(Memo1->Handle()) == 0) {
            // Readable again, or replaced by another writer: the note it holds is shown.
            if (const TStoredCheck check = FNote->Check(); check.Change == scChanged && !leaving)
                ReloadFromStore(check.Bytes, {});
            return;
        }
        if (!writeOurs) return;
        const std::wstring aside = SetAside(FNote->Path());
        FNote->Forget();
        FLoadFailed = false;
        if (!aside.empty())
            NoteBalloon(L"La note qui n'avait pas pu être chargée est gardée dans « " + FileName(aside) +
                            L" ».",
                        aside);
    }
    const TStoredCheck check = FNote->Check();
    if (!writeOurs && check.Change != scChanged) return;
    std::string rtf;
    // Even an empty note is a few dozen bytes of RTF; nothing at all is a failed stream.
    if (!Memo1->ControlRtf(rtf) || rtf.empty()) throw TError(L"Failed to Save Stream");
    rtf = StoredRtf(rtf);
    const bool unchanged = EditorUnchanged(rtf);
    switch (check.Change) {
    case scChanged:
        // Another writer's version: taken as it is when ours has nothing new, else kept beside it.
        if (unchanged) {
            if (!leaving) ReloadFromStore(check.Bytes, rtf);
            return;
        }
        try {
            KeepTheirs(check.Bytes);
        } catch (const TError& failure) {
            // Theirs stays where it is, unseen by the user: ours must not go over it.
            Rescue(rtf, failure.Message(), leaving);
            return;
        }
        WriteOurs(std::move(rtf), leaving);
        return;
    case scUnreadable:
        // Something else is writing it: it is looked at again soon, and never written over unseen.
        // On the way out, an edited note goes beside it rather than nowhere.
        if (leaving && !unchanged) {
            try {
                const std::wstring kept = FNote->KeepConflict(rtf);
                Application->HandleException(this, L"La note n'a pas pu être enregistrée dans « " +
                                                       FNote->Path() +
                                                       L" », qu'un autre programme est en train "
                                                       L"d'écrire.\n\nElle est gardée à côté, dans « " +
                                                       kept + L" ».");
            } catch (const TError& failure) {
                Rescue(rtf, failure.Message(), leaving);
            }
        }
        if (FNoteCheck && !leaving) LookAgainIn(kLookAgainMs);
        FWriteWhenFree = FWriteWhenFree || writeOurs;
        return;
    case scGone:
        WriteOurs(std::move(rtf), leaving);
        return;
    default:
        if (const bool holds = FNote->Holds(rtf); holds || (FInStep && unchanged)) {
            // Edited back to what the file holds: in step again, nothing to write.
            InStep(holds ? FNote->Known() : nullptr);
            return;
        }
        WriteOurs(std::move(rtf), leaving);
    }
}

void TForm1::WriteOurs(std::string rtf, bool leaving) {
    // Kept by the stored note as what the file holds, and compared with the editor's next RTF.
    auto bytes = std::make_shared<const std::string>(std::move(rtf));
    try {
        FNote->Write(bytes);
    } catch (const TError& failure) {
        Rescue(*bytes, failure.Message(), leaving);
        return;
    }
    InStep(FNote->Known());
    FSaveFailed = false;
}

void TForm1::InStep(std::shared_ptr<const std::string> rtf) {
    if (rtf) FInStep = std::move(rtf);
    Memo1->SetModified(false);
    // Nothing waits to be saved: the next change starts its own wait, and its own longest wait.
    FUnsavedSince = 0;
    if (FSaveWait) FSaveWait->SetEnabled(false);
}

void TForm1::Rescue(const std::string& rtf, const std::wstring& why, bool leaving) {
    std::wstring kept = RescuePath();
    try {
        WriteRescueCopy(rtf);
    } catch (const TError&) {
        kept.clear();
    }
    // Said once until a save works again, and always on the way out.
    if (FSaveFailed && !leaving) return;
    FSaveFailed = true;
    const std::wstring where = kept.empty() ? std::wstring()
                                            : L"La note est gardée dans « " + kept +
                                                  L" » en attendant de pouvoir l'enregistrer à nouveau.";
    std::wstring text;
    if (!leaving)
        text =
            why + L"\n\n" +
            (kept.empty() ? L"La note reste dans la fenêtre ; elle n'a pas pu être gardée ailleurs non plus."
                          : where);
    else if (!kept.empty())
        text = L"Quillpad se termine sans avoir pu enregistrer la note dans « " + FNote->Path() + L" » (" +
               why + L").\n\nElle est gardée dans « " + kept +
               L" » ; elle vous sera proposée au prochain lancement.";
    else
        text = L"Quillpad se termine sans avoir pu enregistrer la note (" + why +
               L"), ni à côté du programme, ni dans le dossier de secours.";
    Application->HandleException(this, text);
}

void TForm1::OfferRescueCopy() {
    const std::wstring rescue = RescuePath();
    TFileStamp kept, stored;
    try {
        kept = StampOf(rescue);
        stored = StampOf(FNote->Path());
    } catch (const TError&) {
        return;
    }
    if (!kept.Exists || (stored.Exists && stored.LastWrite >= kept.LastWrite)) return;
    if (!AskYesNo(Handle(),
                  L"Une copie de la note plus récente que « " + FNote->Path() + L" » a été gardée dans « " +
                      rescue +
                      L" » parce que la note ne pouvait pas être enregistrée.\n\nLa charger dans la note ? "
                      L"(Ctrl+Z revient à la note enregistrée.)",
                  L"Copie de secours")) {
        // Asked once: it stays in the same folder under another name.
        MoveFileExW(rescue.c_str(), (rescue + L".old").c_str(), MOVEFILE_REPLACE_EXISTING);
        return;
    }
    // An edit like any other: Undo takes it back, the next save writes it beside the program.
    try {
        LoadIntoEditor(ReadDocumentFile(rescue), true);
    } catch (const TError& failure) {
        Application->HandleException(
            this, failure.Message() + L"\n\nLa copie n'a pas été chargée ; elle reste telle quelle dans « " +
                      rescue + L" ».");
    }
}

void TForm1::ReloadFromStore(const std::string& bytes, const std::string& ours) {
    CHARRANGE selection{};
    Memo1->Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const LRESULT firstLine = Memo1->Perform(EM_GETFIRSTVISIBLELINE);
    try {
        LoadIntoEditor(bytes, true);
    } catch (const TError&) {
        // The editor keeps its note, whole; what the control could not show stays in the file,
        // and in a file of its own once the note is written again.
        if (ours.empty())
            Memo1->Clear();
        else
            Memo1->SetRtf(ours);
        FNote->Accept(bytes);
        if (!FLoadFailed) KeepTheirs(bytes);
        return;
    }
    FNote->Accept(bytes);
    FLoadFailed = false;
    Memo1->LimitText(0x7FFFFFF0);
    // The caret and the view as near to where they were as the new text allows.
    const LONG length = GetWindowTextLengthW(Memo1->Handle());
    Memo1->Select(std::min(selection.cpMin, length), std::min(selection.cpMax, length));
    Memo1->ScrollLines(static_cast<int>(firstLine - Memo1->Perform(EM_GETFIRSTVISIBLELINE)));
    std::string rtf;
    InStep(Memo1->ControlRtf(rtf) ? std::make_shared<const std::string>(StoredRtf(rtf)) : nullptr);
    NoteBalloon(L"La note a été mise à jour depuis son fichier, modifié par un autre programme.", L"");
}

void TForm1::KeepTheirs(const std::string& theirs) {
    const std::wstring kept = FNote->KeepConflict(theirs);
    NoteBalloon(L"La note a aussi été modifiée ailleurs. Cette autre version est gardée dans « " +
                    FileName(kept) + L" ». Cliquez ici pour l'ouvrir.",
                kept);
}

void TForm1::NoteBalloon(const std::wstring& text, const std::wstring& file) {
    FBalloonFile = file;
    if (TrayIcon1->Active()) TrayIcon1->ShowBalloon(Application->Title(), text, bkInformation, 10000);
}

void TForm1::WatchStoredNote() {
    FNoteCheck = new TTimer(this);
    FNoteCheck->SetName(L"NoteCheck");
    FNoteCheck->SetEnabled(false);
    // Once after a change or a failed look while the folder is watched; all the time otherwise.
    FNoteCheck->OnTimer = [this](TObject*) {
        if (FNote->ChangeHandle()) FNoteCheck->SetEnabled(false);
        CheckStoredNote();
    };
    TrayIcon1->OnBalloonClick = [this](TObject*) {
        if (!FBalloonFile.empty()) ShellOpen(Handle(), FBalloonFile);
    };
    if (HANDLE change = FNote->ChangeHandle())
        FNoteWait = Application->AddWait(change, [this] { StoredNoteSignalled(); });
    else
        LookAgainIn(kLookAgainMs);
}

void TForm1::StoredNoteSignalled() {
    FNote->Rearm();
    if (!FNote->ChangeHandle()) {
        Application->RemoveWait(FNoteWait);
        FNoteWait = 0;
        LookAgainIn(kLookAgainMs);
        return;
    }
    // Each change starts the wait again, so the look comes once the writer is done.
    LookAgainIn(kSettleMs);
}

void TForm1::LookAgainIn(UINT milliseconds) {
    FNoteCheck->SetEnabled(false);
    FNoteCheck->SetInterval(FNote->ChangeHandle() ? milliseconds : kLookAgainMs);
    FNoteCheck->SetEnabled(true);
}

void TForm1::CheckStoredNote() {
    // A save put off while the file was held is done now, not at the next key or tick.
    SyncStoredNote(std::exchange(FWriteWhenFree, false), false);
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

void TForm1::Memo1KeyUp(TObject*, WORD& key, TShiftState) {
    // A key that changed nothing (an arrow, a modifier, a selection) has nothing to save. The
    // control's modified flag alone cannot tell: an undo back past a save clears it.
    if (!FSaveOnChange || (OnlyMoves(key) && !Memo1->Modified())) return;
    if (!FSaveWait) {
        FSaveWait = new TTimer(this);
        FSaveWait->SetName(L"SaveWait");
        FSaveWait->SetEnabled(false);
        FSaveWait->OnTimer = [this](TObject*) {
            FSaveWait->SetEnabled(false);
            FUnsavedSince = 0;
            Enregistrer1Click(this);
        };
    }
    const ULONGLONG now = GetTickCount64();
    if (!FUnsavedSince) FUnsavedSince = now;
    const ULONGLONG due = std::min(now + kQuietMs, FUnsavedSince + kLongestWaitMs);
    FSaveWait->SetEnabled(false);
    // Handled past the longest wait (the program was busy): due at once, never a wait that wraps.
    FSaveWait->SetInterval(due > now ? static_cast<UINT>(due - now) : 1);
    FSaveWait->SetEnabled(true);
}

void TForm1::FormDestroy(TObject*) {
    if (FHandingOver) return; // the note is the running instance's
    if (FNoteWait) Application->RemoveWait(FNoteWait);
    FNoteWait = 0;
    SyncStoredNote(true, true);
}

#pragma once
// The versions dialog: the earlier versions of the note, newest first, a preview of the selected
// one, and the way back to it. The note's window gives the dialog its note and carries out the
// restoring; the dialog reads the files and shows them.
#include "framework/Button.h"
#include "framework/Form.h"
#include "framework/ListView.h"
#include "framework/RichEditEx.h"
#include "framework/Timer.h"
#include "versions/VersionLines.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TMemoNote;

class TFVersions : public TForm {
public:
    explicit TFVersions(TComponent* owner);
    ~TFVersions() override;

    TListView* List = nullptr;
    TRichEditEx* Preview = nullptr;
    TButton* Restaurer = nullptr;
    TButton* OuvrirDossier = nullptr;
    TButton* Fermer = nullptr;
    // The preview follows the selection once it rests: a long note takes a moment to show, and
    // the arrows must not wait for each version they pass.
    TTimer* PreviewWait = nullptr;

    // Puts the version's bytes in the note; empty when done, else why not in the user's words.
    using TRestore = std::function<std::wstring(const std::string& bytes)>;
    // Lists the versions of `note` and shows the dialog until it is closed; mrOk when a version
    // went into the note.
    TModalResult ShowFor(const std::wstring& note, TRestore restore);

    // What the dialog lists, in the list's order.
    const std::vector<TVersionLine>& Lines() const { return FLines; }
    // The preview's text when nothing of the version can be shown.
    static constexpr const wchar_t* kNoPreview = L"Cette version ne peut pas être affichée.";
    static constexpr const wchar_t* kNoVersions = L"Aucune version précédente pour l'instant.";

    // Opens a folder in the shell; replaceable, so tests see what would have been opened.
    static std::function<void(const std::wstring& folder)> OpenFolder;

protected:
    void WndProc(TMessage& message) override;

private:
    void ApplyDesign();
    template <class T> T* Add(const wchar_t* name, int left, int top, int width, int height);
    void Fill();
    void SelectionMoved();
    void ShowSelected();
    void ShowInPreview(const std::wstring& text);
    void RestaurerClick(TObject* sender);
    void OuvrirDossierClick(TObject* sender);

    std::wstring FNote;
    TRestore FRestore;
    std::vector<TVersionLine> FLines;
    std::unique_ptr<TMemoNote> FPreviewNote;
};

extern TFVersions* FVersions;

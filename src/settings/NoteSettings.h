#pragma once
// What the settings dialog reads and changes in the running note. The note window provides it;
// the dialog finds it as the application's main form.
#include "framework/Types.h"

class TFont;
class TForm;
class TGlobalHotKey;
class TRichEditEx;
class TTimer;

class TNoteSettings {
public:
    virtual ~TNoteSettings() = default;

    virtual TForm& NoteWindow() = 0;
    virtual TRichEditEx& NoteEditor() = 0;
    virtual TTimer& SaveTimer() = 0;
    virtual TGlobalHotKey& GlobalHotKey() = 0;

    virtual bool TitleBarHidden() const = 0;
    virtual void SetTitleBarHidden(bool hidden) = 0;
    virtual bool BgTransparent() const = 0;
    virtual void SetBgTransparent(bool on) = 0;
    virtual bool MinimizeOnClose() const = 0;
    virtual void SetMinimizeOnClose(bool on) = 0;
    virtual bool SaveOnChange() const = 0;
    virtual void SetSaveOnChange(bool on) = 0;
    virtual bool ShowAtStart() const = 0;
    virtual void SetShowAtStart(bool on) = 0;
    // The font new text gets; not owned by the note.
    virtual TFont* DefaultFont() const = 0;
    virtual void SetDefaultFont(TFont* font) = 0;
    // The tray menu's "always on top" item is checked.
    virtual bool AlwaysOnTop() const = 0;
    // Turns link detection on in the editor again.
    virtual void Hypertext() = 0;
    // Opens the About dialog and waits until it closes.
    virtual void ShowAboutModal() = 0;
};

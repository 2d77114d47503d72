#pragma once
// A label that acts as a hyperlink: hand cursor, blue underlined under the pointer, and a click
// opens its Url with the shell. It takes the focus with Tab like a control, shows it with a
// focus rectangle, and opens with Enter or Space.
#include "components/TrackLabel.h"

#include <functional>
#include <string>

class TLinkFocus;

class THotLink : public TTrackLabel {
public:
    explicit THotLink(TComponent* owner);

    // Anything the shell can open: a web address, a "mailto:" link, a file.
    const std::wstring& Url() const { return FUrl; }
    void SetUrl(const std::wstring& url) { FUrl = url; }

    void SetParent(TWinControl* parent) override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetCaption(const std::wstring& caption) override;

    // The window that holds the keyboard focus for the link; it has the link's place and text.
    TWinControl* FocusWindow() const;

    // Opens a target with the shell's default action; the result is not looked at.
    // Replaceable, so tests see what a click opens.
    static std::function<void(const std::wstring& target)> ShellOpenUrl;

protected:
    friend class TLinkFocus;
    void Click() override;
    void Paint(HDC dc) override;
    // Under high contrast a link takes the theme's link colour, hovered or not.
    COLORREF ShownTextColor() override;

private:
    std::wstring FUrl;
    TLinkFocus* FFocus = nullptr;
};

#pragma once
// A label that acts as a hyperlink: hand cursor, blue underlined under the pointer, and a click
// opens its Url with the shell.
#include "components/TrackLabel.h"

#include <functional>
#include <string>

class THotLink : public TTrackLabel {
public:
    explicit THotLink(TComponent* owner);

    // Anything the shell can open: a web address, a "mailto:" link, a file.
    const std::wstring& Url() const { return FUrl; }
    void SetUrl(const std::wstring& url) { FUrl = url; }

    // Opens a target with the shell's default action; the result is not looked at.
    // Replaceable, so tests see what a click opens.
    static std::function<void(const std::wstring& target)> ShellOpenUrl;

protected:
    void Click() override;

private:
    std::wstring FUrl;
};

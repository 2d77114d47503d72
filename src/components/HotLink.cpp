#include "components/HotLink.h"

#include <shellapi.h>

std::function<void(const std::wstring&)> THotLink::ShellOpenUrl = [](const std::wstring& target) {
    ShellExecuteW(nullptr, nullptr, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
};

THotLink::THotLink(TComponent* owner) : TTrackLabel(owner), FUrl(L"https://quillpad.example/") {
    SetCursor(crHandPoint);
    SetHotTrack(true);
    HotTrackFont()->SetColor(clBlue);
    HotTrackFont()->SetStyle(fsUnderline);
}

void THotLink::Click() {
    TTrackLabel::Click();
    if (ShellOpenUrl) ShellOpenUrl(FUrl);
}

#include "framework/GroupBox.h"

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {
    FWidth = 185;
    FHeight = 105;
}

void TGroupBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"Quillpad.GroupBox";
    params.ClassStyle = CS_HREDRAW | CS_VREDRAW;
    params.ExStyle |= WS_EX_CONTROLPARENT;
}

void TGroupBox::Paint(HDC dc) {
    RECT client;
    GetClientRect(Handle(), &client);
    HGDIOBJ oldFont = SelectObject(dc, Font()->Handle());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    // The frame runs through the middle of the caption's line.
    RECT frame = client;
    frame.top = metrics.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (!FCaption.empty()) {
        RECT text{8, 0, client.right - 8, metrics.tmHeight};
        DrawTextW(dc, FCaption.c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
        text.right += 4;
        FillRect(dc, &text, BackgroundBrush());
        text.left += 2;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(FEnabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawTextW(dc, FCaption.c_str(), -1, &text, DT_SINGLELINE);
    }
    SelectObject(dc, oldFont);
}

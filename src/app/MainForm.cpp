#include "app/MainForm.h"

TForm1* Form1 = nullptr;

TForm1::TForm1(TComponent* owner) : TForm(owner) {
    FWindowClass = L"TForm1";
    ApplyDesign();
}

TForm1::~TForm1() {
    if (Form1 == this) Form1 = nullptr;
}

void TForm1::ApplyDesign() {
    SetName(L"Form1");
    SetBounds(200, 200, 258, 233);
    SetBorderStyle(bsNone);
    SetCaption(L"Quillpad v1.6");
    SetClientWidth(258);
    SetClientHeight(233);
    SetColor(clHighlightText);
    SetAlphaBlend(true);
    SetAlphaBlendValue(150);
    SetTransparentColorValue(clInactiveBorder);
    Font()->SetName(L"MS Sans Serif");
    Font()->SetSize(8);
    SetVisible(true);
}

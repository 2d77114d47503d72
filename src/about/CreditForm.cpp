#include "about/CreditForm.h"

TFCredit* FCredit = nullptr;

TFCredit::TFCredit(TComponent* owner) : TForm(owner) {
    FWindowClass = L"TFCredit";
    ApplyDesign();
}

TFCredit::~TFCredit() {
    if (FCredit == this) FCredit = nullptr;
}

std::vector<std::wstring> TFCredit::CreditLines() {
    std::vector<std::wstring> lines = {
        L"/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\",
        L"<               __  __   _____   ____     ____   ___               >",
        L"<              |  \\/  | | ____| |  _ \\   / ___| |_ _|              >",
        L"<              | \\  / | |  _|   | |_) | | |      | |               >",
        L"<              | |\\/| | | |___  |  _ <  | |___   | |               >",
        L"<              |_|  |_| |_____| |_| \\_\\  \\____| |___|              >",
        L"\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/\\/",
        L"",
        L"ICQ# 000000000",
        L"",
        L"¯`·.¸¸.·´¯`·.¸¸.-> QUILLPAD <-.¸¸.·´¯`·.¸¸.·´¯",
        L"",
        L"Merci à toutes celles et à tous ceux qui utilisent Quillpad",
        L"pour garder leurs idées sous la main.",
        L"",
        L"Quillpad est écrit par l'équipe Quillpad, une petite équipe",
        L"qui voulait une note simple, toujours à portée de clavier,",
        L"discrète sur le bureau et sauvegardée sans qu'on y pense.",
        L"Elle la partage aujourd'hui avec vous.",
        L"",
        L"Ce programme est libre et gratuit : vous pouvez le copier",
        L"et le distribuer autour de vous comme bon vous semble.",
        L"Vos remarques, vos critiques et vos idées sont les bienvenues,",
        L"elles aident à le rendre meilleur.",
        L"",
        L"",
        L"Pour nous joindre, écrivez à contact@quillpad.example",
        L"ou passez sur le site https://quillpad.example/",
        L"",
        L"Merci de votre attention.",
        L"",
        L"Une idée pour la suite ? N'hésitez pas à nous la proposer.",
        L"",
        L"A bientôt,",
        L"l'équipe Quillpad",
    };
    lines.insert(lines.end(), 38, L"");
    lines.insert(lines.end(),
                 {L"Vous pouvez maintenant fermer la fenêtre, il n'y a rien a voir ", L"", L":-)", L"", L"\t\t\t\t"});
    return lines;
}

void TFCredit::ApplyDesign() {
    SetName(L"FCredit");
    SetBounds(351, 297, 0, 0);
    SetBorderStyle(bsDialog);
    SetCaption(kCaption);
    SetClientWidth(637);
    SetClientHeight(273);
    SetColor(clBtnFace);
    Font()->SetName(L"MS Sans Serif");
    Font()->SetHeight(-11);

    ScrollText1 = new TScrollText(this);
    ScrollText1->SetName(L"ScrollText1");
    ScrollText1->SetParent(this);
    ScrollText1->SetBounds(0, 0, 637, 273);
    ScrollText1->SetAlign(alClient);
    ScrollText1->SetTextAlignment(taCenter);
    ScrollText1->SetBackgroundColor(clBtnFace);
    TFont* font = ScrollText1->Font();
    font->SetName(L"Courier");
    font->SetHeight(-13);
    font->SetStyle(0);
    font->SetColor(clWindowText);
    font->SetCharset(ANSI_CHARSET);
    ScrollText1->SetShowHint(false);
    ScrollText1->SetParentShowHint(false);
    // Read straight in, as a stored design is: the label gets the text at the first activation.
    ScrollText1->Items() = CreditLines();

    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
}

void TFCredit::FormShow(TObject*) { ScrollText1->SetActive(true); }

void TFCredit::FormClose(TObject*, TCloseAction&) { ScrollText1->SetActive(false); }

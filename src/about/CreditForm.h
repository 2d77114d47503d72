#pragma once
// The credits window: a long text of thanks rolling upwards.
#include "about/ScrollText.h"
#include "framework/Form.h"

#include <string>
#include <vector>

class TFCredit : public TForm {
public:
    explicit TFCredit(TComponent* owner);
    ~TFCredit() override;

    TScrollText* ScrollText1;

    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);

    // The window's title, also what the About picture that opens it is called.
    static constexpr const wchar_t* kCaption = L"A Propos de .... l'équipe Quillpad";
    // The credits, one item per line.
    static std::vector<std::wstring> CreditLines();

private:
    void ApplyDesign();
};

extern TFCredit* FCredit;

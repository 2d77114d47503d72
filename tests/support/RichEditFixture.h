#pragma once
// A rich-text editor on a form of its own, shown, and a second one beside it where a test needs
// to read back what the first wrote.
#include "framework/RichEditEx.h"
#include "support/FrameworkFixture.h"

class RichEditTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        app->CreateForm(form);
        edit = new TRichEditEx(form);
        edit->SetParent(form);
        edit->SetAlign(alClient);
        form->Show();
    }
    TRichEditEx* NewEdit() {
        auto* other = new TRichEditEx(form);
        other->SetParent(form);
        return other;
    }
    TPlainForm* form = nullptr;
    TRichEditEx* edit = nullptr;
};

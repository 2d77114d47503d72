// Writes a note beyond the ANSI code page, saved as the note saves it, to the file named on the
// command line, for a test that reads it with an RTF reader of another origin.
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/RichEditEx.h"
#include "note/RtfCodePage.h"

#include <cstdio>
#include <fstream>
#include <shellapi.h>

namespace {

class TSampleForm : public TForm {
public:
    explicit TSampleForm(TComponent* owner) : TForm(owner) {}
};

} // namespace

int main() {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (count != 2) {
        std::fprintf(stderr, "usage: write_standard_rtf FILE\n");
        return 2;
    }
    TApplication app;
    app.Initialize();
    TSampleForm* form = nullptr;
    app.CreateForm(form);
    auto* edit = new TRichEditEx(form);
    edit->SetParent(form);
    SetWindowTextW(edit->Handle(),
                   L"Bonjour \u00e9t\u00e9 \u20ac \u03a9\u03bc\u03ad\u03b3\u03b1 \u65e5\u672c \U0001F600");
    edit->Select(8, 11);
    edit->SetSelAttributes({L"Arial", 12, 0x0000FF, fsBold});
    std::string rtf;
    if (!edit->ControlRtf(rtf)) {
        std::fprintf(stderr, "the control reported an error\n");
        return 1;
    }
    std::ofstream out(args[1], std::ios::binary);
    out << StoredRtf(rtf);
    LocalFree(args);
    return out.good() ? 0 : 1;
}

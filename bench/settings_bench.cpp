// The settings dialog and file: Ctrl+P to the dialog painted (first show, which creates its
// windows, and later shows), OK to the file written against the 20 bare profile writes, and the
// program's start with a full settings file against none.
#include "app/MainForm.h"
#include "app/Program.h"
#include "framework/Application.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsForm.h"

#include "Median.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kRuns = 10;

const wchar_t* const kFullSettings[][3] = {
    {L"Apparence", L"Left", L"220"},      {L"Apparence", L"Top", L"180"},
    {L"Apparence", L"Width", L"300"},     {L"Apparence", L"Height", L"280"},
    {L"Save", L"SaveOnChange", L"1"},     {L"Apparence", L"Border", L"1"},
    {L"Apparence", L"BgTrans", L"0"},     {L"Apparence", L"Alpha", L"200"},
    {L"Apparence", L"Title", L"1"},       {L"Save", L"AutoSave", L"1"},
    {L"Save", L"Interval", L"120000"},    {L"Apparence", L"Font", L"Courier New"},
    {L"Apparence", L"Size", L"10"},       {L"Apparence", L"Color", L"255"},
    {L"Apparence", L"Bgcolor", L"65535"}, {L"Apparence", L"AOT", L"1"},
    {L"Apparence", L"Global", L"49233"},  {L"Apparence", L"Bold", L"1"},
    {L"Apparence", L"Italic", L"1"},      {L"Apparence", L"UnderLine", L"1"},
    {L"Apparence", L"StrikeOut", L"1"},   {L"Apparence", L"Scroll", L"1"},
    {L"Apparence", L"Visible", L"0"},     {L"Apparence", L"Close", L"1"},
};

void WriteFullSettings() {
    TIniFile ini(SettingsPath());
    for (const auto& entry : kFullSettings)
        ini.WriteString(entry[0], entry[1], entry[2]);
}

// Runs the loop until the dialog has painted itself.
void WaitForPaint(TApplication& app, bool& painted) {
    while (!painted && app.HandleMessage()) {
    }
}

} // namespace

int main() {
    TApplication app;
    app.Initialize();
    app.SetTitle(L"Quillpad");
    app.OnException = [](TObject*, const std::wstring& message) {
        std::fwprintf(stderr, L"reported: %ls\n", message.c_str());
    };

    // Start-up: the four windows created, with no settings file and with every key set.
    DeleteFileW(SettingsPath().c_str());
    CreateForms(app); // the first creation loads the modules; not counted
    app.DestroyForms();
    const double bare = MedianMs(kRuns, [&] {
        CreateForms(app);
        app.DestroyForms();
    });
    WriteFullSettings();
    const double full = MedianMs(kRuns, [&] {
        CreateForms(app);
        app.DestroyForms();
    });

    // Ctrl+P as the platform delivers it to the shown note, until the dialog's first paint.
    CreateForms(app);
    Form1->Show();
    bool painted = false;
    Fcfg->WindowProc = [inherited = Fcfg->WindowProc, &painted](TMessage& m) {
        inherited(m);
        if (m.Msg == WM_PAINT) painted = true;
    };
    auto openOnce = [&] {
        painted = false;
        Form1->SetNoteHotKeysActive(true);
        PostMessageW(Form1->Handle(), WM_HOTKEY, static_cast<WPARAM>(Form1->HKCfg->HotKeyId()), 0);
        WaitForPaint(app, painted);
    };
    const double firstShow = MedianMs(1, openOnce);
    const double laterShow = MedianMs(kRuns, [&] {
        Fcfg->Hide();
        openOnce();
    });

    // OK: the 20 keys in one batch, against the same 20 writes straight through the profile API.
    DeleteFileW(SettingsPath().c_str());
    const double ok = MedianMs(kRuns, [&] {
        Fcfg->Show();
        SendMessageW(Fcfg->Button1->Handle(), BM_CLICK, 0, 0);
    });
    const std::wstring raw = SettingsPath() + L".raw";
    const double rawWrites = MedianMs(kRuns, [&] {
        for (int i = 0; i < 20; ++i)
            WritePrivateProfileStringW(i < 3 ? L"Save" : L"Apparence", kFullSettings[i][1], L"1",
                                       raw.c_str());
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, raw.c_str());
    });
    app.DestroyForms();
    DeleteFileW(raw.c_str());
    DeleteFileW(SettingsPath().c_str());

    std::printf("%-44s %10s\n", "settings", "median ms");
    std::printf("%-44s %10.2f\n", "start, no settings file (4 windows created)", bare);
    std::printf("%-44s %10.2f\n", "start, every key set", full);
    std::printf("%-44s %10.2f\n", "Ctrl+P to dialog painted, first show", firstShow);
    std::printf("%-44s %10.2f\n", "Ctrl+P to dialog painted, later shows", laterShow);
    std::printf("%-44s %10.2f\n", "OK to file written (20 keys)", ok);
    std::printf("%-44s %10.2f\n", "baseline: 20 bare profile writes", rawWrites);
    std::printf("full/none start %.2f, OK/baseline %.2f\n", bare > 0 ? full / bare : 0.0,
                rawWrites > 0 ? ok / rawWrites : 0.0);
    return 0;
}

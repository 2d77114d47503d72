// Saves the note over and over, alternating two complete versions, until it is killed. First it
// writes what each version looks like on disk, for the test to compare against.
#include "app/MainForm.h"
#include "note/NotePaths.h"
#include "note/RtfCodePage.h"
#include "app/Program.h"
#include "framework/Application.h"

#include <fstream>
#include <string>

namespace {

std::string Version(char tag) {
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 ";
    for (int line = 0; rtf.size() < 60000; ++line)
        rtf += "\\pard {\\b version " + std::string(1, tag) + "} line " + std::to_string(line) + " of the note\\par\n";
    return rtf + "\\pard END OF VERSION " + std::string(1, tag) + "\\par}";
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    TApplication app;
    app.Initialize();
    CreateForms(app);
    std::string versions[2];
    for (int i = 0; i < 2; ++i) {
        Form1->Memo1->SetRtf(Version(static_cast<char>('A' + i)));
        versions[i] = StoredRtf(Form1->Memo1->Rtf());
        const std::wstring expected = DocumentPath() + (i == 0 ? L".expected-a" : L".expected-b");
        std::ofstream(expected.c_str(), std::ios::binary) << versions[i];
    }
    MoveFileW((DocumentPath() + L".expected-a").c_str(), (DocumentPath() + L".ready-a").c_str());
    MoveFileW((DocumentPath() + L".expected-b").c_str(), (DocumentPath() + L".ready-b").c_str());
    for (int round = 0;; ++round) {
        Form1->Memo1->SetRtf(Version(static_cast<char>('A' + round % 2)));
        Form1->Enregistrer1->Click();
    }
}

#pragma once
// The whole program in the test process: the application object and its four windows, started
// with the settings file a test writes first. The settings file is the test program's own.
#include "app/MainForm.h"
#include "note/NoteFiles.h"
#include "note/NotePaths.h"
#include "note/NoteVersions.h"
#include "note/PlainTextCopy.h"
#include "app/Program.h"
#include "components/UnPas2.h"
#include "framework/Application.h"
#include "framework/Registry.h"
#include "framework/SafeFile.h"
#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveFiles();
        app.Initialize();
        app.SetTitle(L"Quillpad");
        app.OnException = [this](TObject*, const std::wstring& m) { reported.push_back(m); };
    }
    void TearDown() override {
        app.DestroyForms();
        RemoveFiles();
    }
    // The test program's own settings, document and copies, as the program would have them.
    static void RemoveFiles() {
        for (const std::wstring& path :
             {SettingsPath(), DocumentPath(), DocumentPath() + L".tmp", NoteTemporaryPath(DocumentPath()),
              NoteBackupPath(DocumentPath()), DocumentPath() + L".unreadable",
              DocumentPath() + L".unreadable2", LoadMarkerPath(DocumentPath()), PlainTextPath(), RescuePath(),
              RescuePath() + L".old", AddendumPathFor(RescuePath()), AddendumPathFor(RescuePath()) + L".old"})
            DeleteFileW(path.c_str());
        RemoveDirectoryW(RescuePath().substr(0, RescuePath().find_last_of(L'\\')).c_str());
        // The versions beside the note, and the numbered ones of earlier releases.
        const std::wstring versions = VersionsFolder(DocumentPath());
        for (const TNoteVersion& version : ListVersions(FileCalls(), DocumentPath()))
            if (!version.Conflict) DeleteFileW(version.Path.c_str());
        RemoveDirectoryW(versions.c_str());
        for (const wchar_t* n : {L".1", L".2", L".3"})
            DeleteFileW((DocumentPath() + n).c_str());
        // The single-instance record of this test program, left by a test that did not finish.
        DeleteKeyTree(HKEY_CURRENT_USER, TUnPas2::RecordKeyPath(TUnPas2::ProgramFileName()));
    }
    void Setting(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
        TIniFile(SettingsPath()).WriteString(section, key, value);
    }
    std::wstring StoredSetting(const wchar_t* key) {
        return TIniFile(SettingsPath()).ReadString(L"Apparence", key, L"<none>");
    }
    void Start() { CreateForms(app); }

    TApplication app;
    std::vector<std::wstring> reported;
};

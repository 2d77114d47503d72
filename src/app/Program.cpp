#include "app/Program.h"

#include "about/AboutForm.h"
#include "about/CreditForm.h"
#include "app/MainForm.h"
#include "framework/Application.h"
#include "settings/SettingsForm.h"

void CreateForms(TApplication& application) {
    application.CreateForm(Form1);
    application.CreateForm(Fcfg);
    application.CreateForm(FAbout);
    application.CreateForm(FCredit);
}

int RunProgram() {
    try {
        TApplication application;
        application.Initialize();
        application.SetTitle(L"Quillpad");
        CreateForms(application);
        application.Run();
        // Leaving the scope destroys the windows, last created first.
    } catch (...) {
        ReportCurrentException(nullptr);
        return 1;
    }
    return 0;
}

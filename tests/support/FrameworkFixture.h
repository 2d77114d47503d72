#pragma once
#include "framework/Application.h"
#include "framework/Form.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A form with nothing of its own, created hidden.
class TPlainForm : public TForm {
public:
    explicit TPlainForm(TComponent* owner) : TForm(owner) { SetBounds(50, 60, 200, 150); }
};

// Each test gets its own application object whose reporter collects the messages.
class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<TApplication>();
        app->Initialize();
        app->SetTitle(L"Quillpad test");
        app->OnException = [this](TObject*, const std::wstring& message) { reported.push_back(message); };
    }
    void TearDown() override { app.reset(); }

    // Dispatches what is queued, then stops the loop.
    void RunQueued() {
        app->Terminate();
        app->Run();
    }

    std::unique_ptr<TApplication> app;
    std::vector<std::wstring> reported;
};

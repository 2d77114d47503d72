#include "framework/Error.h"

#include "framework/Application.h"
#include "framework/Text.h"

TError::TError(std::wstring message) : std::runtime_error(WideToUtf8(message)), FMessage(std::move(message)) {}

std::wstring ExceptionText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const TError& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return Utf8ToWide(e.what());
    } catch (...) {
        return L"Unknown error";
    }
}

void ReportCurrentException(TObject* sender) noexcept {
    try {
        std::wstring text = ExceptionText(std::current_exception());
        if (Application)
            Application->HandleException(sender, text);
        else
            MessageBoxW(nullptr, text.c_str(), L"Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    } catch (...) {
        // Reporting must never throw back into a callback.
    }
}

#pragma once
// The program's one exception type, and the bridge that keeps exceptions out of Win32 callbacks.
#include <exception>
#include <stdexcept>
#include <string>

class TObject;

class TError : public std::runtime_error {
public:
    explicit TError(std::wstring message);
    const std::wstring& Message() const { return FMessage; }

private:
    std::wstring FMessage;
};

// The text to show for any exception object.
std::wstring ExceptionText(const std::exception_ptr& error);

// Called from every catch-all at a Win32 callback boundary: hands the current exception
// to the application's reporter (or an error box when there is no application).
void ReportCurrentException(TObject* sender) noexcept;

// Runs f, reporting instead of propagating anything it throws.
template <class F> void Guarded(TObject* sender, F&& f) noexcept {
    try {
        f();
    } catch (...) {
        ReportCurrentException(sender);
    }
}

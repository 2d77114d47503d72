// The About dialog's first opening (picture decoding included) and the CPU the rolling
// credits use over 10 s, against the same program idle for 10 s.
#include "about/AboutForm.h"
#include "about/CreditForm.h"
#include "framework/Application.h"

#include <chrono>
#include <cstdio>

namespace {

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto toSeconds = [](FILETIME t) { return (double(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7; };
    return toSeconds(kernel) + toSeconds(user);
}

double PumpFor(TApplication& app, int seconds) {
    const double before = CpuSeconds();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < until) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        app.ProcessMessages();
    }
    return CpuSeconds() - before;
}

} // namespace

int main() {
    TApplication app;
    app.Initialize();
    app.CreateForm(FAbout);
    app.CreateForm(FCredit);
    const auto start = std::chrono::steady_clock::now();
    FAbout->Show();
    app.ProcessMessages();
    const double openMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double idle = PumpFor(app, 10);
    FCredit->Show();
    const unsigned stepsBefore = FCredit->ScrollText1->Thread().StepsRun();
    const double rolling = PumpFor(app, 10);
    const unsigned steps = FCredit->ScrollText1->Thread().StepsRun() - stepsBefore;
    std::printf("%-40s %10s\n", "measure", "value");
    std::printf("%-40s %8.1f ms\n", "About first opening (picture included)", openMs);
    std::printf("%-40s %8.3f s\n", "CPU, idle 10 s", idle);
    std::printf("%-40s %8.3f s\n", "CPU, credits rolling 10 s", rolling);
    std::printf("%-40s %10u\n", "steps in 10 s", steps);
    FCredit->Close();
    FAbout->Close();
    return 0;
}

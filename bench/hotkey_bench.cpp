// Cost of switching the note's eight hot keys: setting them active when they already are (which
// must not reach the platform at all) and one activation/deactivation pair, against the bare
// platform calls for the same pair.
#include "components/GlobalHotKey.h"
#include "framework/Application.h"
#include "framework/Form.h"

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class TBenchForm : public TForm {
public:
    explicit TBenchForm(TComponent* owner) : TForm(owner) {}
};

double NanosecondsPer(Clock::duration elapsed, long long count) {
    return std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(count);
}

} // namespace

int main() {
    long long platformCalls = 0;
    auto realRegister = TGlobalHotKey::PlatformRegister;
    auto realUnregister = TGlobalHotKey::PlatformUnregister;
    TGlobalHotKey::PlatformRegister = [&](HWND w, int id, UINT mods, UINT key) {
        ++platformCalls;
        return realRegister(w, id, mods, key);
    };
    TGlobalHotKey::PlatformUnregister = [&](HWND w, int id) {
        ++platformCalls;
        return realUnregister(w, id);
    };

    TApplication app;
    app.Initialize();
    TBenchForm* form = nullptr;
    app.CreateForm(form);
    std::vector<TGlobalHotKey*> keys;
    for (int i = 0; i < 8; ++i) {
        auto* key = new TGlobalHotKey(form);
        key->SetHotKey(static_cast<TShortCut>(scCtrl | scAlt | scShift | (VK_F13 + i)));
        key->SetActive(true);
        if (!key->Active()) {
            std::printf("hot key %d was refused by the platform\n", i);
            return 1;
        }
        keys.push_back(key);
    }

    const long long rounds = 1000000;
    platformCalls = 0;
    auto start = Clock::now();
    for (long long r = 0; r < rounds; ++r)
        for (TGlobalHotKey* key : keys) key->SetActive(true);
    const auto alreadyActive = Clock::now() - start;
    const long long callsWhileActive = platformCalls;

    const long long pairs = 2000;
    TGlobalHotKey* key = keys.front();
    platformCalls = 0;
    start = Clock::now();
    for (long long p = 0; p < pairs; ++p) {
        key->SetActive(false);
        key->SetActive(true);
    }
    const auto pairTime = Clock::now() - start;
    const long long callsPerPair = platformCalls / pairs;

    // The same pair straight on the platform, same window, same combination.
    key->SetActive(false);
    const HWND wnd = form->Handle();
    start = Clock::now();
    for (long long p = 0; p < pairs; ++p) {
        RegisterHotKey(wnd, 0xBEEF, MOD_CONTROL | MOD_ALT | MOD_SHIFT, VK_F13);
        UnregisterHotKey(wnd, 0xBEEF);
    }
    const auto rawPair = Clock::now() - start;

    std::printf("\nHot keys: %lld rounds of setting all 8 active again, %lld activation/deactivation pairs.\n\n",
                rounds, pairs);
    std::printf("%-44s %14s %16s\n", "operation", "time", "platform calls");
    std::printf("%-44s %11.1f ns %16lld\n", "set 8 already-active hot keys active", NanosecondsPer(alreadyActive, rounds),
                callsWhileActive);
    std::printf("%-44s %11.1f us %16lld\n", "one deactivation + activation", NanosecondsPer(pairTime, pairs) / 1000.0,
                callsPerPair);
    std::printf("%-44s %11.1f us %16d\n", "baseline: UnregisterHotKey + RegisterHotKey",
                NanosecondsPer(rawPair, pairs) / 1000.0, 2);
    TGlobalHotKey::PlatformRegister = realRegister;
    TGlobalHotKey::PlatformUnregister = realUnregister;
    return callsWhileActive == 0 ? 0 : 1;
}

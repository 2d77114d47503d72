#include "support/PointerInput.h"

#include <vector>

namespace {

INPUT At(POINT screen, DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = MulDiv(screen.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

void Send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

} // namespace

void SendPointerMove(POINT screen) {
    Send({At(screen, 0)});
}

void SendLeftClick(POINT screen) {
    Send({At(screen, 0), At(screen, MOUSEEVENTF_LEFTDOWN), At(screen, MOUSEEVENTF_LEFTUP)});
}

void SendLeftDoubleClick(POINT screen) {
    Send({At(screen, 0), At(screen, MOUSEEVENTF_LEFTDOWN), At(screen, MOUSEEVENTF_LEFTUP),
          At(screen, MOUSEEVENTF_LEFTDOWN), At(screen, MOUSEEVENTF_LEFTUP)});
}

#include "components/UnPas2.h"

#include "components/WndProcHook.h"
#include "framework/Application.h"
#include "framework/Error.h"
#include "framework/Paths.h"
#include "framework/Registry.h"

#include <cstdint>
#include <optional>

namespace {

constexpr uintptr_t kLargestRecordedHandle = 0x7FFFFFFF;

HWND FromRecordValue(DWORD value) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
}

// A recorded handle must be a non-negative 32-bit value: what another instance can read back.
std::optional<DWORD> ReadRecordedHandle(const TRegistryKey& key, const std::wstring& name) {
    std::optional<DWORD> value = key.ReadDword(name);
    if (value && *value > kLargestRecordedHandle) return std::nullopt;
    return value;
}

std::wstring ClassOf(HWND wnd) {
    wchar_t name[256] = {};
    return GetClassNameW(wnd, name, 256) ? name : L"";
}

} // namespace

std::wstring TUnPas2::ProgramFileName() {
    const std::wstring path = ExecutablePath();
    return path.substr(path.find_last_of(L"\\/") + 1);
}

std::wstring TUnPas2::MutexName(const std::wstring& fileName) {
    return L"UnPas2" + fileName;
}
std::wstring TUnPas2::RecordKeyPath(const std::wstring& fileName) {
    return L"Software\\UnPas2" + fileName;
}
std::wstring TUnPas2::FormValueName(const std::wstring& fileName) {
    return fileName + L"form1";
}
std::wstring TUnPas2::AppValueName(const std::wstring& fileName) {
    return fileName + L"application";
}

DWORD TUnPas2::RecordValue(HWND wnd) {
    const auto value = reinterpret_cast<uintptr_t>(wnd);
    if (value > kLargestRecordedHandle) throw TError(L"Range check error");
    return static_cast<DWORD>(value);
}

TUnPas2::TUnPas2(TComponent* owner) : TComponent(owner) {
    if (IsDesigning()) return;
    FOwnerWindow = dynamic_cast<TWinControl*>(owner);
    if (!FOwnerWindow) throw TError(L"The single-instance guard must be placed on a window");
    FFileName = ProgramFileName();
    // The record is read before the mutex is tested: a first instance overwrites what it finds.
    ReadHandles();
    // Held for the guard's life, which is the program's: while it is open, later starts hand over.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, MutexName(FFileName).c_str());
    const DWORD error = GetLastError();
    FMutex.Reset(mutex);
    FDejaLance = mutex && error == ERROR_ALREADY_EXISTS;
}

TUnPas2::~TUnPas2() {
    if (FOwnerHooked)
        RemoveWndProcHook(FOwnerWindow, MakeWindowHookProc<TUnPas2, &TUnPas2::HandleOwnerMessage>(this),
                          HookAfter);
    if (!FDejaLance) DeleteRecord();
}

void TUnPas2::ReadHandles() {
    TRegistryKey key = TRegistryKey::Open(HKEY_CURRENT_USER, RecordKeyPath(FFileName));
    if (!key.IsOpen()) return;
    // A value that is missing, of another type or negative ends the reading; nothing is reported.
    const std::optional<DWORD> form = ReadRecordedHandle(key, FormValueName(FFileName));
    if (!form) return;
    FStoredFormHandle = FromRecordValue(*form);
    if (const std::optional<DWORD> app = ReadRecordedHandle(key, AppValueName(FFileName)))
        FStoredAppHandle = FromRecordValue(*app);
}

bool TUnPas2::SameKindAs(HWND stored, HWND own) {
    return stored && own && IsWindow(stored) && ClassOf(stored) == ClassOf(own);
}

void TUnPas2::Loaded() {
    TComponent::Loaded();
    if (IsDesigning()) return;
    if (FDejaLance) {
        if (OnDejaLance) OnDejaLance(this);
        if (!FStopSiDejaLance) return; // runs beside the first: records and deletes nothing
        // A record left by an instance that was killed may name windows that now belong to
        // other programs: only windows of this program are hidden or brought forward.
        if (Application && SameKindAs(FStoredAppHandle, Application->Handle()))
            ShowWindow(FStoredAppHandle, SW_HIDE);
        if (Application) Application->Terminate();
        if (SameKindAs(FStoredFormHandle, FOwnerWindow->Handle())) HandOverTo(FStoredFormHandle);
        return;
    }
    if (OnPasDejaLance) OnPasDejaLance(this);
    // A window still to be made is recorded when it is created, as a re-created one is.
    if (!FOwnerWindow->DefersHandle()) WriteHandles();
    // The owner's window may be re-created later (a new border): the record must follow it.
    if (!FOwnerHooked) {
        AddWndProcHook(FOwnerWindow, MakeWindowHookProc<TUnPas2, &TUnPas2::HandleOwnerMessage>(this),
                       HookAfter);
        FOwnerHooked = true;
    }
}

UINT TUnPas2::RelanceMessage() {
    static const UINT message = RegisterWindowMessageW(L"UnPas2Relance");
    return message;
}

void TUnPas2::HandOverTo(HWND stored) {
    // This start is the user's latest action, so this process may hand the foreground on.
    DWORD runningProcess = 0;
    GetWindowThreadProcessId(stored, &runningProcess);
    AllowSetForegroundWindow(runningProcess);
    // Sent, not posted: the running instance has come forward by the time this one ends.
    DWORD_PTR answer = 0;
    const bool answered =
        SendMessageTimeoutW(stored, RelanceMessage(), 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    // A running copy that does not know the request (or is too busy to answer) only gets its
    // recorded window brought forward.
    if (!answered || answer != kRelanceAnswered) SetForegroundWindow(stored);
}

void TUnPas2::WriteValue(TRegistryKey& key, const std::wstring& name, HWND wnd) {
    const DWORD value = RecordValue(wnd);
    try {
        key.WriteDword(name, value);
    } catch (const TRegistryError&) {
        throw TError(L"Failed to set data for '" + name + L"'");
    }
}

void TUnPas2::WriteHandles() {
    TRegistryKey key = TRegistryKey::Create(HKEY_CURRENT_USER, RecordKeyPath(FFileName));
    if (!key.IsOpen()) return; // nothing recorded: a later start then finds no windows to act on
    WriteValue(key, FormValueName(FFileName), FOwnerWindow->Handle());
    WriteValue(key, AppValueName(FFileName), Application ? Application->Handle() : nullptr);
}

void TUnPas2::DeleteRecord() {
    if (FFileName.empty()) FFileName = ProgramFileName();
    DeleteKeyTree(HKEY_CURRENT_USER, RecordKeyPath(FFileName)); // the outcome does not matter
}

bool TUnPas2::HandleOwnerMessage(TMessage& message) {
    if (message.Msg == WM_CREATE && FOwnerWindow->HandleAllocated()) Guarded(this, [&] { WriteHandles(); });
    if (message.Msg == RelanceMessage() && RelanceMessage() != 0 && OnRelance) {
        message.Result = kRelanceAnswered;
        Guarded(this, [&] { OnRelance(this); });
        return true;
    }
    return false;
}

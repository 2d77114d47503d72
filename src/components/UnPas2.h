#pragma once
// Keeps a program to one running instance per executable file name. The first instance holds a
// named mutex and records its note and application windows in the current user's registry; a
// later start finds the mutex, hides the first one's application window, asks the first one to
// come forward (OnRelance there) and ends. The record goes when the first instance's guard is
// destroyed.
#include "framework/Component.h"
#include "framework/Handles.h"
#include "framework/WinControl.h"

#include <string>

class TUnPas2 : public TComponent {
public:
    // The owner must be a windowed control: its window is what a later start brings forward.
    explicit TUnPas2(TComponent* owner);
    ~TUnPas2() override;

    bool StopSiDejaLance() const { return FStopSiDejaLance; }
    void SetStopSiDejaLance(bool stop) { FStopSiDejaLance = stop; }
    // Raised at load completion in a later instance, before it hands over.
    TNotifyEvent OnDejaLance;
    // Raised at load completion in the first instance, before its windows are recorded.
    TNotifyEvent OnPasDejaLance;
    // Raised in the running instance when a later start hands over to it: the user is looking
    // for the program. Left unassigned, the later start only brings the recorded window forward.
    TNotifyEvent OnRelance;

    // What a later start sends to the recorded window; a running instance that raised OnRelance
    // answers kRelanceAnswered.
    static UINT RelanceMessage();
    static constexpr LRESULT kRelanceAnswered = 1;

    // Another instance held the mutex when this guard was created.
    bool DejaLance() const { return FDejaLance; }
    HWND StoredFormHandle() const { return FStoredFormHandle; }
    HWND StoredAppHandle() const { return FStoredAppHandle; }

    // The names derived from the executable's file name (no folder, its own letter case).
    static std::wstring ProgramFileName();
    static std::wstring MutexName(const std::wstring& fileName);
    static std::wstring RecordKeyPath(const std::wstring& fileName); // below HKEY_CURRENT_USER
    static std::wstring FormValueName(const std::wstring& fileName);
    static std::wstring AppValueName(const std::wstring& fileName);
    // What the record holds for a window: handles outside 0..2^31-1 raise "Range check error".
    static DWORD RecordValue(HWND wnd);

protected:
    void Loaded() override;

private:
    void ReadHandles();
    void WriteHandles();
    void WriteValue(class TRegistryKey& key, const std::wstring& name, HWND wnd);
    void DeleteRecord();
    // A recorded window is only acted on while it is still a window of this same program.
    static bool SameKindAs(HWND stored, HWND own);
    bool HandleOwnerMessage(TMessage& message);
    // Asks the running instance to come forward through its recorded window.
    void HandOverTo(HWND stored);

    bool FStopSiDejaLance = true;
    bool FDejaLance = false;
    TWinControl* FOwnerWindow = nullptr;
    HWND FStoredFormHandle = nullptr;
    HWND FStoredAppHandle = nullptr;
    std::wstring FFileName;
    TKernelHandle FMutex;
    bool FOwnerHooked = false;
};

#include "framework/AccessibleName.h"

#include <oleacc.h>

namespace {

// Loaded on first use, so the program starts without these modules.
struct TAccessibilityCalls {
    decltype(&CreateStdAccessibleObject) CreateStd = nullptr;
    decltype(&LresultFromObject) FromObject = nullptr;
    decltype(&ObjectFromLresult) ToObject = nullptr;
    decltype(&CoInitializeEx) InitCom = nullptr;
    decltype(&SysAllocString) AllocString = nullptr;
    bool Ready() const { return CreateStd && FromObject && ToObject && InitCom && AllocString; }
};

template <class F> void Find(F& entry, const wchar_t* module, const char* name) {
    HMODULE handle = LoadLibraryW(module);
    entry =
        handle ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name))) : nullptr;
}

const TAccessibilityCalls& Calls() {
    static const TAccessibilityCalls calls = [] {
        TAccessibilityCalls c;
        Find(c.CreateStd, L"oleacc.dll", "CreateStdAccessibleObject");
        Find(c.FromObject, L"oleacc.dll", "LresultFromObject");
        Find(c.ToObject, L"oleacc.dll", "ObjectFromLresult");
        Find(c.InitCom, L"ole32.dll", "CoInitializeEx");
        Find(c.AllocString, L"oleaut32.dll", "SysAllocString");
        return c;
    }();
    return calls;
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The system's object for the window, with the name or the role replaced (when given);
// everything else is passed on.
class TNamedAccessible final : public IAccessible {
public:
    TNamedAccessible(IAccessible* inner, std::wstring name, long role)
        : FInner(inner), FName(std::move(name)), FRole(role) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // The window and child enumeration the standard object offers.
        return FInner->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&FRefs); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG refs = InterlockedDecrement(&FRefs);
        if (refs == 0) delete this;
        return refs;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return FInner->GetTypeInfoCount(n); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID lcid, ITypeInfo** info) override {
        return FInner->GetTypeInfo(i, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT n, LCID lcid,
                                            DISPID* ids) override {
        return FInner->GetIDsOfNames(iid, names, n, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* error, UINT* arg) override {
        return FInner->Invoke(id, iid, lcid, flags, params, result, error, arg);
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child) || FName.empty()) return FInner->get_accName(child, name);
        if (!name) return E_POINTER;
        *name = Calls().AllocString(FName.c_str());
        return *name ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return FInner->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        return FInner->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        return FInner->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return FInner->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return FInner->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!IsSelf(child) || !FRole) return FInner->get_accRole(child, role);
        if (!role) return E_POINTER;
        role->vt = VT_I4;
        role->lVal = FRole;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return FInner->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return FInner->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return FInner->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        return FInner->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override { return FInner->get_accFocus(focus); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        return FInner->get_accSelection(selection);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return FInner->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return FInner->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT child) override {
        return FInner->accLocation(x, y, w, h, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return FInner->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        return FInner->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return FInner->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return FInner->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return FInner->put_accValue(child, value);
    }

private:
    ~TNamedAccessible() { FInner->Release(); }

    IAccessible* FInner;
    std::wstring FName;
    long FRole;
    LONG FRefs = 1;
};

// The control's own object when it answers the query (a rich edit may), else the system's standard one.
IAccessible* StandardObject(HWND wnd, const TMessage& answered) {
    const TAccessibilityCalls& calls = Calls();
    IAccessible* inner = nullptr;
    if (answered.Result > 0 && SUCCEEDED(calls.ToObject(answered.Result, __uuidof(IAccessible),
                                                        answered.WParam, reinterpret_cast<void**>(&inner))))
        return inner;
    if (FAILED(calls.CreateStd(wnd, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&inner))))
        return nullptr;
    return inner;
}

} // namespace

std::wstring SpokenText(const std::wstring& caption) {
    std::wstring text;
    for (size_t i = 0; i < caption.size(); ++i) {
        const wchar_t ch = caption[i];
        if (ch == L'&') {
            if (i + 1 < caption.size() && caption[i + 1] == L'&') text += caption[++i];
        } else if (ch == L'\r' || ch == L'\n') {
            if (!text.empty() && text.back() != L' ') text += L' ';
        } else if (ch != L' ' || text.empty() || text.back() != L' ') {
            text += ch;
        }
    }
    while (!text.empty() && text.back() == L' ')
        text.pop_back();
    return text;
}

namespace {

void Annotate(TWinControl& control, const std::wstring& name, long role) {
    std::function<void(TMessage&)> previous = control.WindowProc;
    TWinControl* self = &control;
    control.WindowProc = [self, previous, name, role](TMessage& message) {
        previous(message);
        if (message.Msg != WM_GETOBJECT || static_cast<LONG>(message.LParam) != OBJID_CLIENT) return;
        const TAccessibilityCalls& calls = Calls();
        if (!calls.Ready() || !self->HandleAllocated()) return;
        // Handing the object to another process goes through COM, which this thread then joins.
        calls.InitCom(nullptr, COINIT_APARTMENTTHREADED);
        IAccessible* inner = StandardObject(self->Handle(), message);
        if (!inner) {
            message.Result = 0;
            return;
        }
        auto* named = new TNamedAccessible(inner, name, role);
        message.Result = calls.FromObject(__uuidof(IAccessible), message.WParam, named);
        named->Release();
        if (message.Result < 0) message.Result = 0;
    };
}

} // namespace

void SetAccessibleName(TWinControl& control, const std::wstring& name) {
    Annotate(control, SpokenText(name), 0);
}

void SetAccessibleRole(TWinControl& control, long role) {
    Annotate(control, L"", role);
}

#pragma once
// Edit boxes of the platform: a single line (TEdit) or several (TMemo). The text lives in the
// window while it exists and is kept across a re-creation.
#include "framework/WinControl.h"

#include <string>
#include <vector>

// The border drawn around a control.
enum class TBorderStyle { bsNone, bsSingle };

class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);
    ~TCustomEdit() override;

    std::wstring Text() const;
    // Setting the text it already holds does nothing; any other text raises OnChange once.
    void SetText(const std::wstring& text);
    void Clear() { SetText(L""); }

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly);
    // Characters the user may enter; 0 means as many as the control takes.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int maxLength);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle style);

    int SelStart() const;
    int SelLength() const;
    void SetSelStart(int start);
    void SetSelLength(int length);
    void SelectAll();
    std::wstring SelText() const;

    // Raised for every change of the text, whatever made it.
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;
    virtual void Change();
    // The answer to WM_GETDLGCODE: which keys the box takes before a dialog form does.
    virtual UINT DialogCode(const TMessage& message);

private:
    bool FReadOnly = false;
    int FMaxLength = 0;
    TBorderStyle FBorderStyle = TBorderStyle::bsSingle;
    int FChangesSeen = 0; // EN_CHANGE notifications, to tell whether a text assignment raised one
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* owner);
};

class TMemo;

// The memo's text as lines; a final line break does not start another, empty line.
class TMemoLines {
public:
    explicit TMemoLines(TMemo& memo) : FMemo(memo) {}
    int Count() const;
    std::wstring operator[](int index) const;
    std::vector<std::wstring> All() const;
    void Assign(const std::vector<std::wstring>& lines);
    void Add(const std::wstring& line);
    void Clear();

private:
    TMemo& FMemo;
};

class TMemo : public TCustomEdit {
public:
    explicit TMemo(TComponent* owner);

    TMemoLines& Lines() { return FLines; }
    // Lines longer than the width wrap on screen; Lines still holds the lines of the text.
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool wordWrap);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle scrollBars);

protected:
    void CreateParams(TCreateParams& params) override;
    UINT DialogCode(const TMessage& message) override;

private:
    TMemoLines FLines;
    bool FWordWrap = true;
    TScrollStyle FScrollBars = ssNone;
};

// Splits text at CR LF, LF or CR; a final break ends the last line rather than starting one.
std::vector<std::wstring> SplitLines(const std::wstring& text);

#pragma once
// A list of the platform in report style: one line per item, cells under column headers, one
// item selected at a time, kept selected while the list has no focus. Columns and items are kept
// here too, so a re-created window shows them again.
#include "framework/WinControl.h"

#include <string>
#include <vector>

constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;

class TListView : public TWinControl {
public:
    explicit TListView(TComponent* owner);

    // Width at the design resolution; the list scales it to its form's.
    void AddColumn(const std::wstring& caption, int width);
    size_t ColumnCount() const { return FColumns.size(); }

    void Clear();
    // Cells beyond the columns are dropped; missing ones are empty.
    int AddItem(const std::vector<std::wstring>& cells);
    int Count() const { return static_cast<int>(FItems.size()); }
    const std::wstring& Cell(int item, size_t column) const;
    // The selected item, -1 for none.
    int ItemIndex();
    // Selects and focuses the item, scrolled into view; -1 selects none.
    void SetItemIndex(int index);
    // The first column as wide as its text needs, for a line that is not an item like the others.
    void FitFirstColumn();

    // The selection moved, by the user or by the program.
    TNotifyEvent OnSelect;
    // A double click on an item.
    TNotifyEvent OnDblClick;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;

private:
    struct TColumn {
        std::wstring Caption;
        int Width = 0;
    };
    void InsertColumn(int index);
    void InsertItem(int index);
    int Scaled(int width);

    std::vector<TColumn> FColumns;
    std::vector<std::vector<std::wstring>> FItems;
};

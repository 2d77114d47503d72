#include "framework/ListView.h"

#include "framework/CommonControls.h"
#include "framework/DpiScale.h"
#include "framework/Form.h"

#include <algorithm>

TListView::TListView(TComponent* owner) : TWinControl(owner) {
    FWidth = 200;
    FHeight = 120;
}

void TListView::CreateParams(TCreateParams& params) {
    // The list's window class is registered by the library, loaded on first use.
    CommonControls::Ready();
    TWinControl::CreateParams(params);
    params.ClassName = WC_LISTVIEWW;
    params.SystemClass = true;
    params.Style |= WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListView::CreateWnd() {
    TWinControl::CreateWnd();
    Perform(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (size_t i = 0; i < FColumns.size(); ++i)
        InsertColumn(static_cast<int>(i));
    for (size_t i = 0; i < FItems.size(); ++i)
        InsertItem(static_cast<int>(i));
}

int TListView::Scaled(int width) {
    TForm* form = GetParentForm(this);
    return MulDiv(width, form ? form->PixelsPerInch() : kDesignPixelsPerInch, kDesignPixelsPerInch);
}

void TListView::InsertColumn(int index) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(FColumns[index].Caption.c_str());
    column.cx = Scaled(FColumns[index].Width);
    column.iSubItem = index;
    Perform(LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void TListView::InsertItem(int index) {
    const std::vector<std::wstring>& cells = FItems[index];
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(cells.empty() ? L"" : cells[0].c_str());
    Perform(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (size_t column = 1; column < cells.size(); ++column) {
        LVITEMW cell{};
        cell.iSubItem = static_cast<int>(column);
        cell.pszText = const_cast<wchar_t*>(cells[column].c_str());
        Perform(LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&cell));
    }
}

void TListView::AddColumn(const std::wstring& caption, int width) {
    FColumns.push_back({caption, width});
    if (HandleAllocated()) InsertColumn(static_cast<int>(FColumns.size() - 1));
}

void TListView::Clear() {
    FItems.clear();
    if (!HandleAllocated()) return;
    Perform(LVM_DELETEALLITEMS);
    // Back to the designed widths, after a line that needed its own.
    for (size_t i = 0; i < FColumns.size(); ++i)
        Perform(LVM_SETCOLUMNWIDTH, i, Scaled(FColumns[i].Width));
}

int TListView::AddItem(const std::vector<std::wstring>& cells) {
    std::vector<std::wstring> kept(cells.begin(), cells.begin() + std::min(cells.size(), FColumns.size()));
    kept.resize(FColumns.size());
    FItems.push_back(std::move(kept));
    const int index = static_cast<int>(FItems.size() - 1);
    if (HandleAllocated()) InsertItem(index);
    return index;
}

const std::wstring& TListView::Cell(int item, size_t column) const {
    return FItems.at(static_cast<size_t>(item)).at(column);
}

int TListView::ItemIndex() {
    if (!HandleAllocated()) return -1;
    return static_cast<int>(Perform(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void TListView::SetItemIndex(int index) {
    HandleNeeded();
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = 0;
    Perform(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    if (index < 0 || index >= Count()) return;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    Perform(LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
    Perform(LVM_ENSUREVISIBLE, index, FALSE);
}

void TListView::FitFirstColumn() {
    if (HandleAllocated()) Perform(LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
}

void TListView::WndProc(TMessage& m) {
    if (m.Msg == CN_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(m.LParam);
        if (header->code == LVN_ITEMCHANGED) {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(m.LParam);
            // Only an item that becomes selected: the one that loses it says nothing new.
            if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED) &&
                !(change->uOldState & LVIS_SELECTED) && OnSelect)
                OnSelect(this);
        } else if (header->code == NM_DBLCLK && OnDblClick && ItemIndex() >= 0) {
            OnDblClick(this);
        }
        m.Result = 0;
        return;
    }
    TWinControl::WndProc(m);
}

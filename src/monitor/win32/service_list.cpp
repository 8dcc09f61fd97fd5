// Columns Service, Computer, State, Restart and Restarts; every cell comes from the rows the rules set.
#include "monitor/win32/service_list.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "win32/dpi.h"
#include "win32/text.h"

namespace kestrin {
namespace {

constexpr const wchar_t* kHeaders[] = {L"Service", L"Computer", L"State", L"Restart", L"Restarts"};
// The widest texts the rules put in the columns that are empty before the first answers.
constexpr const wchar_t* kWidestState[] = {L"Continue Pending", L"Cannot be read"};
constexpr const wchar_t* kWidestRestart[] = {L"Restarts paused until 00:00 PM", L"10 Minutes until restart",
                                             L"Gave up after 100 tries", L"Starting in 3600 s"};
constexpr int kCellPadding = 16;  // at 96 DPI: the margins a list view draws around a cell's text

std::array<std::wstring, 5> Cells(const ServiceRowText& row) {
    return {Widen(row.service), Widen(row.computer), Widen(row.state), Widen(row.restart), Widen(row.restarts)};
}

}  // namespace

bool ServiceList::Create(HINSTANCE instance, HWND parent, int id, const std::vector<ServiceRowText>& rows) {
    // A virtual list: the rows live here and the control asks for the texts it draws.
    list_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"Services",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
                              0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!list_) return false;
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (int column = 0; column < static_cast<int>(kColumns); ++column) {
        LVCOLUMNW header{};
        header.mask = LVCF_TEXT | LVCF_SUBITEM | LVCF_FMT;
        header.fmt = column == 4 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        header.pszText = const_cast<wchar_t*>(kHeaders[column]);
        header.iSubItem = column;
        ListView_InsertColumn(list_, column, &header);
    }
    for (const ServiceRowText& row : rows) rows_.push_back(Cells(row));
    ListView_SetItemCountEx(list_, static_cast<int>(rows_.size()), LVSICF_NOINVALIDATEALL);
    return true;
}

void ServiceList::SetRow(std::size_t row, const ServiceRowText& cells) {
    if (row >= rows_.size()) return;
    rows_[row] = Cells(cells);
    ListView_RedrawItems(list_, static_cast<int>(row), static_cast<int>(row));
}

std::vector<std::size_t> ServiceList::SelectedRows() const {
    std::vector<std::size_t> selected;
    for (int item = ListView_GetNextItem(list_, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(list_, item, LVNI_SELECTED)) {
        selected.push_back(static_cast<std::size_t>(item));
    }
    return selected;
}

bool ServiceList::OnNotify(NMHDR& header, LRESULT& result) {
    result = 0;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
        const auto row = static_cast<std::size_t>(item.iItem);
        if ((item.mask & LVIF_TEXT) && row < rows_.size() && item.iSubItem >= 0 &&
            item.iSubItem < static_cast<int>(kColumns) && item.cchTextMax > 0) {
            const std::wstring& text = rows_[row][static_cast<std::size_t>(item.iSubItem)];
            const std::size_t length = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax - 1));
            item.pszText[text.copy(item.pszText, length)] = L'\0';
        }
        return false;
    }
    case LVN_KEYDOWN:
        // Ctrl+A selects every row, as in every list of the system.
        if (reinterpret_cast<NMLVKEYDOWN&>(header).wVKey == 'A' && (::GetKeyState(VK_CONTROL) & 0x8000) != 0) {
            ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
        }
        return false;
    case LVN_ITEMCHANGED:
        return (reinterpret_cast<NMLISTVIEW&>(header).uChanged & LVIF_STATE) != 0;
    case LVN_ODSTATECHANGED:  // a range selected at once (Shift+click, Ctrl+A)
        return true;
    case LVN_ODFINDITEMW:
        // Typing a name goes to its row; a virtual list must find it itself, and an answer of 0 would
        // select the first row whatever was typed.
        result = FindRow(reinterpret_cast<NMLVFINDITEMW&>(header));
        return false;
    default:
        return false;
    }
}

int ServiceList::FindRow(const NMLVFINDITEMW& find) const {
    if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz || rows_.empty()) return -1;
    const std::wstring typed = find.lvfi.psz;
    const std::size_t start = find.iStart >= 0 ? static_cast<std::size_t>(find.iStart) % rows_.size() : 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const std::size_t row = (start + i) % rows_.size();
        const std::wstring& name = rows_[row][0];
        const bool partial = (find.lvfi.flags & LVFI_PARTIAL) != 0;
        if (name.size() < typed.size() || (!partial && name.size() != typed.size())) continue;
        if (::CompareStringOrdinal(name.c_str(), static_cast<int>(typed.size()), typed.c_str(),
                                   static_cast<int>(typed.size()), TRUE) == CSTR_EQUAL) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

std::optional<std::size_t> ServiceList::ContextRow(LPARAM lp, POINT& at) const {
    // From the keyboard (menu key, Shift+F10) both coordinates are -1; on 64-bit Windows lParam itself
    // is then 0xFFFFFFFF, not -1.
    if (GET_X_LPARAM(lp) == -1 && GET_Y_LPARAM(lp) == -1) {
        int item = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
        if (item < 0) item = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
        if (item < 0) return std::nullopt;
        RECT cell{};
        ListView_GetItemRect(list_, item, &cell, LVIR_LABEL);
        at = POINT{cell.left, cell.bottom};
        ::ClientToScreen(list_, &at);
        return static_cast<std::size_t>(item);
    }
    at = POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    LVHITTESTINFO hit{};
    hit.pt = at;
    ::ScreenToClient(list_, &hit.pt);
    const int item = ListView_HitTest(list_, &hit);
    if (item < 0) return std::nullopt;
    // The menu is the clicked row's: it becomes the selection, as Explorer does.
    if (!(ListView_GetItemState(list_, item, LVIS_SELECTED) & LVIS_SELECTED)) {
        ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
        ListView_SetItemState(list_, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    return static_cast<std::size_t>(item);
}

void ServiceList::ApplyDpi(UINT dpi, HFONT font) {
    ::SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (dpi_ != 0) {
        // Widths the user may have dragged keep their proportions at the new scale.
        for (int column = 0; column < static_cast<int>(kColumns); ++column) {
            ListView_SetColumnWidth(list_, column,
                                    ::MulDiv(ListView_GetColumnWidth(list_, column), static_cast<int>(dpi),
                                             static_cast<int>(dpi_)));
        }
        dpi_ = dpi;
        return;
    }
    dpi_ = dpi;
    // At first, each column as wide as the widest text it will show, measured in the list's font.
    const auto width = [this](const std::wstring& text) { return ListView_GetStringWidth(list_, text.c_str()); };
    for (std::size_t column = 0; column < kColumns; ++column) {
        int widest = width(kHeaders[column]);
        for (const auto& row : rows_) widest = std::max(widest, width(row[column]));
        if (column == 2) {
            for (const wchar_t* text : kWidestState) widest = std::max(widest, width(text));
        }
        if (column == 3) {
            for (const wchar_t* text : kWidestRestart) widest = std::max(widest, width(text));
        }
        ListView_SetColumnWidth(list_, static_cast<int>(column), widest + ::MulDiv(kCellPadding, static_cast<int>(dpi), 96));
    }
}

SIZE ServiceList::FittingSize(std::size_t visibleRows) const {
    int width = 0;
    for (int column = 0; column < static_cast<int>(kColumns); ++column) width += ListView_GetColumnWidth(list_, column);
    // The list's own frame, a vertical scroll bar, the header and the rows.
    RECT header{};
    ::GetWindowRect(ListView_GetHeader(list_), &header);
    RECT item{};
    const int rowHeight = rows_.empty() || !ListView_GetItemRect(list_, 0, &item, LVIR_BOUNDS)
                              ? ::MulDiv(20, static_cast<int>(dpi_), 96)
                              : item.bottom - item.top;
    const int edge = 2 * MetricForDpi(SM_CXEDGE, dpi_);
    return SIZE{width + edge + MetricForDpi(SM_CXVSCROLL, dpi_),
                (header.bottom - header.top) + rowHeight * static_cast<int>(visibleRows) + edge};
}

}  // namespace kestrin

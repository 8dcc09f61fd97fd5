// The list of a copy watching several services: the system's list view in report view, its rows
// answered on demand (a virtual list), so that a row whose cells changed is all that is repainted.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "monitor/monitor_view.h"

namespace kestrin {

class ServiceList {
public:
    // The list's rows, one per service, with the cells known before any answer (service, computer).
    bool Create(HINSTANCE instance, HWND parent, int id, const std::vector<ServiceRowText>& rows);
    HWND Handle() const { return list_; }

    void SetRow(std::size_t row, const ServiceRowText& cells);
    std::vector<std::size_t> SelectedRows() const;

    // WM_NOTIFY from the list: the cells' texts, and Ctrl+A. True when the selection changed.
    bool OnNotify(NMHDR& header, LRESULT& result);
    // The row a WM_CONTEXTMENU is for, and where its menu opens: the row under the pointer, or for
    // the keyboard (menu key, Shift+F10) the focused row.
    std::optional<std::size_t> ContextRow(LPARAM lp, POINT& at) const;

    // The font and the column widths for a new DPI; the first call sizes each column to its contents.
    void ApplyDpi(UINT dpi, HFONT font);
    SIZE FittingSize(std::size_t visibleRows) const;  // pixels that show every column and that many rows

private:
    static constexpr std::size_t kColumns = 5;
    int FindRow(const NMLVFINDITEMW& find) const;  // the row whose service name the typed text starts

    HWND list_ = nullptr;
    std::vector<std::array<std::wstring, kColumns>> rows_;
    UINT dpi_ = 0;
};

}  // namespace kestrin

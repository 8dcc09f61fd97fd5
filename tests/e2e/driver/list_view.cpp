// Another process's list view, through memory of its own process.
#include "list_view.h"

#include <commctrl.h>

namespace kestrin::driver {
namespace {

constexpr UINT kAnswerMs = 2000;
constexpr int kCellUnits = 512;  // longer than any cell the program writes

std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wp, lp, SMTO_ABORTIFHUNG, kAnswerMs, &result)) return std::nullopt;
    return static_cast<LRESULT>(result);
}

int ColumnCount(HWND list) {
    const auto header = Send(list, LVM_GETHEADER, 0, 0);
    if (!header || !*header) return 0;
    const auto count = Send(reinterpret_cast<HWND>(*header), HDM_GETITEMCOUNT, 0, 0);
    return count ? static_cast<int>(*count) : 0;
}

}  // namespace

RemoteMemory::RemoteMemory(HWND window, std::size_t size) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    process_ = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) address_ = ::VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteMemory::~RemoteMemory() {
    if (address_) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) ::CloseHandle(process_);
}

bool RemoteMemory::Write(const void* data, std::size_t size, std::size_t offset) {
    return address_ && ::WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr);
}

bool RemoteMemory::Read(void* data, std::size_t size, std::size_t offset) const {
    return address_ && ::ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr);
}

std::optional<std::vector<ListRow>> ReadListRows(HWND list) {
    const auto count = Send(list, LVM_GETITEMCOUNT, 0, 0);
    const int columns = ColumnCount(list);
    RemoteMemory memory(list, sizeof(LVITEMW) + kCellUnits * sizeof(wchar_t));
    if (!count || columns == 0 || !memory) return std::nullopt;
    std::vector<ListRow> rows;
    for (int row = 0; row < static_cast<int>(*count); ++row) {
        ListRow read;
        const auto state = Send(list, LVM_GETITEMSTATE, row, LVIS_SELECTED);
        if (!state) return std::nullopt;
        read.selected = (*state & LVIS_SELECTED) != 0;
        for (int column = 0; column < columns; ++column) {
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = reinterpret_cast<wchar_t*>(memory.At(sizeof(LVITEMW)));
            item.cchTextMax = kCellUnits;
            const wchar_t empty = L'\0';
            if (!memory.Write(&item, sizeof(item)) || !memory.Write(&empty, sizeof(empty), sizeof(LVITEMW))) {
                return std::nullopt;
            }
            const auto length = Send(list, LVM_GETITEMTEXTW, row, memory.At());
            if (!length) return std::nullopt;
            std::wstring text(static_cast<std::size_t>(*length), L'\0');
            if (*length > 0 && !memory.Read(text.data(), text.size() * sizeof(wchar_t), sizeof(LVITEMW))) {
                return std::nullopt;
            }
            read.cells.push_back(std::move(text));
        }
        rows.push_back(std::move(read));
    }
    return rows;
}

bool SelectListRows(HWND list, const std::vector<int>& rows) {
    RemoteMemory memory(list, sizeof(LVITEMW));
    const auto set = [&](int row, UINT state, UINT mask) {
        LVITEMW item{};
        item.state = state;
        item.stateMask = mask;
        return memory.Write(&item, sizeof(item)) &&
               Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), memory.At()).value_or(FALSE);
    };
    if (!memory || !set(-1, 0, LVIS_SELECTED | LVIS_FOCUSED)) return false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const UINT state = i == 0 ? LVIS_SELECTED | LVIS_FOCUSED : LVIS_SELECTED;
        if (!set(rows[i], state, state)) return false;
    }
    return true;
}

std::optional<POINT> ListRowCentre(HWND list, int row) {
    RemoteMemory memory(list, sizeof(RECT));
    RECT bounds{LVIR_BOUNDS, 0, 0, 0};
    if (!memory.Write(&bounds, sizeof(bounds)) || !Send(list, LVM_GETITEMRECT, row, memory.At()).value_or(FALSE) ||
        !memory.Read(&bounds, sizeof(bounds))) {
        return std::nullopt;
    }
    // The first column's middle: a row's bounds run under every column, however wide the list.
    const int firstWidth = static_cast<int>(Send(list, LVM_GETCOLUMNWIDTH, 0, 0).value_or(0));
    POINT centre{bounds.left + firstWidth / 2, (bounds.top + bounds.bottom) / 2};
    ::ClientToScreen(list, &centre);
    return centre;
}

std::vector<int> ListColumnWidths(HWND list) {
    std::vector<int> widths;
    for (int column = 0, columns = ColumnCount(list); column < columns; ++column) {
        widths.push_back(static_cast<int>(Send(list, LVM_GETCOLUMNWIDTH, column, 0).value_or(0)));
    }
    return widths;
}

}  // namespace kestrin::driver

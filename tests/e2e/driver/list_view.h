// Reading and working another process's list view. Its messages take pointers (an LVITEMW, a RECT)
// that no system carries between processes, so they point into memory placed in the list's process.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kestrin::driver {

// A block of memory in the process that owns a window, freed with the object.
class RemoteMemory {
public:
    RemoteMemory(HWND window, std::size_t size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    explicit operator bool() const { return address_ != nullptr; }
    LPARAM At(std::size_t offset = 0) const { return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset); }
    bool Write(const void* data, std::size_t size, std::size_t offset = 0);
    bool Read(void* data, std::size_t size, std::size_t offset = 0) const;

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

struct ListRow {
    bool selected = false;
    std::vector<std::wstring> cells;  // one per column, as the list draws them
};

// Every row of the list with its cells; nullopt when the list does not answer.
std::optional<std::vector<ListRow>> ReadListRows(HWND list);

// Selects exactly `rows` (none: clears the selection) and gives the first of them the focus, as
// clicks with Ctrl held would.
bool SelectListRows(HWND list, const std::vector<int>& rows);

// The screen point at the middle of a row, where a click on it lands.
std::optional<POINT> ListRowCentre(HWND list, int row);

// The columns' widths in pixels, left to right.
std::vector<int> ListColumnWidths(HWND list);

}  // namespace kestrin::driver

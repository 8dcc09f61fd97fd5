// Helpers for the About window's Wine tests: registry values put back afterwards, a scratch folder,
// the marker program, and a watcher that reads and dismisses message boxes of the test's thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <process.h>
#include <vector>

namespace kestrin::testing {

// One HKLM value, and the keys above it, exactly as they were before the test.
class SavedRegistryValue {
public:
    SavedRegistryValue(std::wstring keyName, std::wstring valueName)
        : keyName_(std::move(keyName)), valueName_(std::move(valueName)) {
        // The first missing key on the way down is removed, with all below it, at the end.
        std::wstring path;
        std::size_t start = 0;
        while (start <= keyName_.size()) {
            const std::size_t end = keyName_.find(L'\\', start);
            path = keyName_.substr(0, end);
            HKEY key = nullptr;
            if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
                firstCreated_ = path;
                return;
            }
            ::RegCloseKey(key);
            if (end == std::wstring::npos) break;
            start = end + 1;
        }
        HKEY key = nullptr;
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName_.c_str(), 0, KEY_READ, &key);
        DWORD type = 0;
        DWORD size = 0;
        if (::RegQueryValueExW(key, valueName_.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            std::vector<BYTE> data(size);
            ::RegQueryValueExW(key, valueName_.c_str(), nullptr, &type, data.data(), &size);
            saved_ = Saved{type, std::move(data)};
        }
        ::RegCloseKey(key);
    }
    SavedRegistryValue(const SavedRegistryValue&) = delete;
    SavedRegistryValue& operator=(const SavedRegistryValue&) = delete;

    ~SavedRegistryValue() {
        if (!firstCreated_.empty()) {
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, firstCreated_.c_str());
            return;
        }
        if (saved_) {
            Set(saved_->type, saved_->data.data(), static_cast<DWORD>(saved_->data.size()));
        } else {
            Delete();
        }
    }

    void Set(DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyName_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        ::RegSetValueExW(key, valueName_.c_str(), 0, type, static_cast<const BYTE*>(data), size);
        ::RegCloseKey(key);
    }
    void SetString(const std::wstring& text) {
        Set(REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    void Delete() {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName_.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            ::RegDeleteValueW(key, valueName_.c_str());
            ::RegCloseKey(key);
        }
    }

private:
    struct Saved {
        DWORD type;
        std::vector<BYTE> data;
    };
    std::wstring keyName_;
    std::wstring valueName_;
    std::wstring firstCreated_;
    std::optional<Saved> saved_;
};

// A folder of its own under the temporary folder, emptied and removed at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"kestrin-about-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(counter_++);
        ::CreateDirectoryW(path_.c_str(), nullptr);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() { Remove(path_); }

    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    // A started marker may still hold its file for a moment, so removal is retried briefly.
    static void Remove(const std::wstring& folder) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            bool busy = false;
            WIN32_FIND_DATAW entry{};
            HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
            if (find != INVALID_HANDLE_VALUE) {
                do {
                    const std::wstring name = entry.cFileName;
                    if (name == L"." || name == L"..") continue;
                    const std::wstring full = folder + L"\\" + name;
                    ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                        Remove(full);
                    } else if (!::DeleteFileW(full.c_str())) {
                        busy = true;
                    }
                } while (::FindNextFileW(find, &entry));
                ::FindClose(find);
            }
            if (!busy && ::RemoveDirectoryW(folder.c_str())) return;
            ::Sleep(100);
        }
    }

    static inline int counter_ = 0;
    std::wstring path_;
};

// kestrin_marker.exe, built beside the test program.
inline std::wstring MarkerExe() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    folder.resize(folder.find_last_of(L'\\'));
    return folder + L"\\kestrin_marker.exe";
}

// What a started marker recorded, or nothing if it has not started within the deadline.
inline std::optional<std::string> WaitForMarker(const std::wstring& exe, std::chrono::milliseconds deadline) {
    const std::wstring record = exe + L".started";
    const auto end = std::chrono::steady_clock::now() + deadline;
    do {
        HANDLE file = ::CreateFileW(record.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            char buffer[256] = {};
            DWORD read = 0;
            ::ReadFile(file, buffer, sizeof(buffer) - 1, &read, nullptr);
            ::CloseHandle(file);
            std::string text(buffer, read);
            if (!text.empty() && text.back() == '\n') return text;
        }
        ::Sleep(50);
    } while (std::chrono::steady_clock::now() < end);
    return std::nullopt;
}

// What a message box showed.
struct SeenMessageBox {
    HWND owner = nullptr;
    std::wstring title;
    std::wstring text;
    std::vector<int> buttons;  // control ids of the visible buttons
    bool icon = false;         // a visible icon beside the text
};

// Watches the given thread for message boxes while the code under test runs; each one is read and
// then answered with OK, so a box can never hang the test.
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(DWORD threadId = ::GetCurrentThreadId())
        : threadId_(threadId),
          thread_(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &MessageBoxWatcher::Run, this, 0, nullptr))) {}
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
    ~MessageBoxWatcher() { Stop(); }

    // Ends the watch; the boxes seen until now.
    const std::vector<SeenMessageBox>& Stop() {
        done_ = true;
        if (thread_) {
            ::WaitForSingleObject(thread_, INFINITE);
            ::CloseHandle(thread_);
            thread_ = nullptr;
        }
        return seen_;
    }

private:
    static std::wstring TextOf(HWND hwnd) {
        wchar_t text[512] = {};
        ::GetWindowTextW(hwnd, text, 512);
        return text;
    }
    static std::wstring ClassOf(HWND hwnd) {
        wchar_t name[64] = {};
        ::GetClassNameW(hwnd, name, 64);
        return name;
    }

    static BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
        if (::IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770" && TextOf(hwnd) != L"About Kestrin") {
            *reinterpret_cast<HWND*>(param) = hwnd;
            return FALSE;
        }
        return TRUE;
    }

    static BOOL CALLBACK ReadChild(HWND child, LPARAM param) {
        auto* box = reinterpret_cast<SeenMessageBox*>(param);
        if (!::IsWindowVisible(child)) return TRUE;
        const std::wstring kind = ClassOf(child);
        if (_wcsicmp(kind.c_str(), L"Button") == 0) {
            box->buttons.push_back(::GetDlgCtrlID(child));
        } else if (_wcsicmp(kind.c_str(), L"Static") == 0) {
            if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                // Wine keeps an empty icon control in a box without an icon.
                if (::SendMessageW(child, STM_GETICON, 0, 0) != 0) box->icon = true;
            } else if (!TextOf(child).empty()) {
                box->text = TextOf(child);
            }
        }
        return TRUE;
    }

    static unsigned __stdcall Run(void* self) {
        static_cast<MessageBoxWatcher*>(self)->Watch();
        return 0;
    }

    void Watch() {
        while (!done_) {
            HWND box = nullptr;
            ::EnumThreadWindows(threadId_, FindBox, reinterpret_cast<LPARAM>(&box));
            if (box) {
                SeenMessageBox seen;
                seen.owner = ::GetWindow(box, GW_OWNER);
                seen.title = TextOf(box);
                ::EnumChildWindows(box, ReadChild, reinterpret_cast<LPARAM>(&seen));
                seen_.push_back(seen);
                ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                while (!done_ && ::IsWindow(box)) ::Sleep(20);
            }
            ::Sleep(20);
        }
    }

    DWORD threadId_;
    std::atomic<bool> done_{false};
    std::vector<SeenMessageBox> seen_;
    HANDLE thread_;  // the program's own threads are plain Win32 ones too: no threading library
};

}  // namespace kestrin::testing

// The system information launcher's port over the file system, CreateProcessW and MessageBoxW.
#pragma once

#include <windows.h>

#include <string>

#include "about/sys_info.h"

namespace kestrin {

class ProcessSysInfoPort : public SysInfoPort {
public:
    // The message box belongs to `owner` and carries `title`.
    ProcessSysInfoPort(HWND owner, std::string title);

    bool FileExists(const std::string& path) override;
    bool Launch(const std::string& path) override;
    void ShowUnavailable() override;

private:
    HWND owner_;
    std::string title_;
};

}  // namespace kestrin

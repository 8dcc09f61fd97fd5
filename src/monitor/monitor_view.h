// What the monitor's rules ask of its window; the Win32 window implements it, tests record it.
#pragma once

#include <string>

namespace kestrin {

class MonitorView {
public:
    virtual ~MonitorView() = default;

    virtual void SetCaption(const std::string& text) = 0;
    virtual void SetCommandCaptions(const std::string& command1, const std::string& command2) = 0;
    virtual void SetStatusText(const std::string& text) = 0;   // LblStatus
    virtual void SetStatusTitle(const std::string& text) = 0;  // LblStsTtl
    virtual void SetTimeText(const std::string& text) = 0;     // LblTime

    // A modal text prompt titled with the application title; Cancel answers "".
    virtual std::string Prompt(const std::string& prompt) = 0;

    virtual void AddTrayIcon(const std::string& tip) = 0;
    virtual void ModifyTrayTip(const std::string& tip) = 0;
    virtual void DeleteTrayIcon() = 0;

    virtual void ShowNormal() = 0;        // shown, restored, with a taskbar button
    virtual void MinimiseAndHide() = 0;   // minimised and hidden, no taskbar button
    virtual void Hide() = 0;
    virtual void ShowTrayMenu() = 0;      // Mnupopup at the mouse; returns when it has closed
    virtual void ShowAbout() = 0;
    virtual void Unload() = 0;            // destroys the window; its unload reaches FrmSrvMan::Unload
};

}  // namespace kestrin

// The real TRXDESK.exe as a separate process, found and read the way another program would:
// by its window class, with messages that cross process boundaries.
#ifndef TRXDESK_E2E_PANEL_PROCESS_H
#define TRXDESK_E2E_PANEL_PROCESS_H

#include <windows.h>

#include <functional>
#include <string>

namespace trx::e2e {

class PanelProcess {
  public:
    ~PanelProcess();
    // Starts the program with this command line and waits for its panel.
    bool start(const std::string& arguments);
    // Posts WM_CLOSE and waits for the process to end. False when it did not end.
    bool close();
    HWND panel() const { return panel_; }
    HANDLE process() const { return process_.hProcess; }
    bool running() const;
    // Waits for the process to end by itself.
    bool ended(DWORD timeoutMs) const;
    // A window of the program other than its panel: a message box or dialog (#32770), a
    // popup menu (#32768); null when none is shown.
    HWND window(const char* className) const;
    // The texts of a message box's or dialog's static controls, one after the other.
    static std::string staticTexts(HWND dialog);

    std::string controlText(int controlId) const;
    std::string windowTitle() const;
    std::string statusText(int part) const;
    LRESULT send(int controlId, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // Screen colour in the middle of a control's left margin (its background, not its text).
    COLORREF backgroundColour(int controlId) const;
    // Saves the screen into the artifacts folder as NAME.png.
    void screenshot(const std::string& name) const;

  private:
    PROCESS_INFORMATION process_{};
    HWND panel_ = nullptr;
};

// Polls `condition` until it holds or `timeoutMs` has passed; the last check decides.
bool waitFor(const std::function<bool()>& condition, DWORD timeoutMs);

} // namespace trx::e2e

#endif

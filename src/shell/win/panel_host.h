// What the panel asks of the program around it: its modal dialogs, message boxes, help and
// popup menus. Handed to the panel when it is made, so that a test can stand in for the
// operator.
#ifndef TRXDESK_PANEL_HOST_H
#define TRXDESK_PANEL_HOST_H

#include "shell/win/help_viewer.h"

#include <windows.h>

namespace trx {

class PanelJournal;
class PanelHost;
class Protocol;
class SerialPort;
class StationSettingsOwner;
struct Settings;

// What the panel's dialogs work on, handed to each as its creation parameter.
struct DialogContext {
    Settings& settings;
    SerialPort& serial;
    Protocol& protocol;
    PanelHost& host;
    HINSTANCE instance;                      // the module with the program's resources
    PanelJournal* journal = nullptr;         // hears of ports that did not open; may be null
    StationSettingsOwner* station = nullptr; // the control port's and journal's; may be null
};

class PanelHost {
  public:
    virtual ~PanelHost() = default;
    // Shows dialog template `templateId` modally; its result, or -1 when it cannot be shown.
    virtual INT_PTR runDialog(int templateId, HWND owner, LPARAM parameter) = 0;
    // Every message box of the panel and its dialogs: MessageBoxA, the button chosen.
    virtual int messageBox(HWND owner, const char* text, const char* caption, UINT type) = 0;
    // A WinHelp command for the program's help (HELP_CONTEXT, HELP_FINDER, HELP_QUIT).
    virtual void help(HWND owner, UINT command, ULONG_PTR data) = 0;
    // TrackPopupMenu without a rectangle: with TPM_RETURNCMD the chosen command or 0.
    virtual int trackMenu(HMENU popup, UINT flags, int x, int y, HWND owner) = 0;
    // One of the host's modal loops runs (a dialog, a message box such as the engine's
    // missing echo, a menu): input from outside must wait, not enter the engine from inside
    // the loop, where the engine or the panel may be in the middle of an operation.
    virtual bool modal() const { return false; }
};

// The modal dialogs the panel can show, by template; each takes a DialogContext.
struct DialogProcedure {
    int templateId;
    DLGPROC procedure;
};

// The real calls.
class Win32PanelHost final : public PanelHost {
  public:
    // `help` and `dialogs` (count entries) must outlive the host; the dialog templates are
    // resources of `instance`.
    Win32PanelHost(HINSTANCE instance, HelpViewerCalls& help, const DialogProcedure* dialogs,
                   int count)
        : instance_(instance), help_(help), dialogs_(dialogs), dialogCount_(count) {}

    INT_PTR runDialog(int templateId, HWND owner, LPARAM parameter) override;
    int messageBox(HWND owner, const char* text, const char* caption, UINT type) override;
    void help(HWND owner, UINT command, ULONG_PTR data) override;
    int trackMenu(HMENU popup, UINT flags, int x, int y, HWND owner) override;
    bool modal() const override { return modalDepth_ > 0; }

  private:
    // Counts the loops running, nested ones too, for as long as each runs.
    class ModalLoop {
      public:
        explicit ModalLoop(int& depth) : depth_(depth) { ++depth_; }
        ~ModalLoop() { --depth_; }
        ModalLoop(const ModalLoop&) = delete;
        ModalLoop& operator=(const ModalLoop&) = delete;

      private:
        int& depth_;
    };

    int modalDepth_ = 0;
    HINSTANCE instance_;
    HelpViewerCalls& help_;
    const DialogProcedure* dialogs_;
    int dialogCount_;
};

} // namespace trx

#endif

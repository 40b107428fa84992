// The protocol's view of the panel, drawn with the panel window's own controls.
#ifndef TRXDESK_WIN32_PANEL_VIEW_H
#define TRXDESK_WIN32_PANEL_VIEW_H

#include "protocol/panel_view.h"
#include "protocol/settings.h"
#include "shell/win/panel_host.h"

#include <windows.h>

namespace trx {

class Win32PanelView : public PanelView {
  public:
    // Error messages are captioned with the title as it is when they are shown, and shown
    // by `host`; icons are resources of `instance`.
    Win32PanelView(const Settings& settings, PanelHost& host, HINSTANCE instance)
        : settings_(settings), host_(host), instance_(instance) {}
    void attach(HWND panel) { panel_ = panel; }
    HWND window() const { return panel_; }

    void setText(int controlId, const char* text) override;
    int buttonIcon(int controlId) override;
    void setButtonIcon(int controlId, int iconId) override;
    void setIndicatorIcon(int controlId, int iconId) override;
    void setUpDownPosition(int controlId, int position) override;
    void enableControl(int controlId, bool enabled) override;
    void setProgressPosition(int controlId, int position) override;
    void setStatusText(int part, const char* text) override;
    void setStatusIcon(int part, int iconId) override;
    bool isMinimized() override;
    void setWindowIcon(int iconId) override;
    void postCommand(int commandId) override;
    void postClose() override;
    void showError(const char* text) override;

  private:
    HWND control(int id) const { return GetDlgItem(panel_, id); }
    const Settings& settings_;
    PanelHost& host_;
    HINSTANCE instance_;
    HWND panel_ = nullptr;
};

// Shared icon handle of a resource ID of `instance` (loaded once, never destroyed).
HICON panelIcon(HINSTANCE instance, int iconId);
// The resource ID whose icon handle this is, 0 for none of ours.
int panelIconId(HICON icon);

} // namespace trx

#endif

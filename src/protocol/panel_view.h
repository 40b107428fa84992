// What the protocol needs of the panel window. The protocol never sees a window or a
// handle: controls and icons are named by their resource IDs.
#ifndef TRXDESK_PANEL_VIEW_H
#define TRXDESK_PANEL_VIEW_H

namespace trx {

// Status-bar parts.
constexpr int STATUS_PART_CONNECTION = 0;
constexpr int STATUS_PART_DATA = 1;
constexpr int STATUS_PART_LINK = 2;

class PanelView {
  public:
    virtual ~PanelView() = default;

    virtual void setText(int controlId, const char* text) = 0;
    // Resource ID of the icon a button shows now, 0 when it shows none of ours.
    virtual int buttonIcon(int controlId) = 0;
    virtual void setButtonIcon(int controlId, int iconId) = 0;
    virtual void setIndicatorIcon(int controlId, int iconId) = 0;
    virtual void setUpDownPosition(int controlId, int position) = 0;
    virtual void enableControl(int controlId, bool enabled) = 0;
    virtual void setProgressPosition(int controlId, int position) = 0;
    virtual void setStatusText(int part, const char* text) = 0;
    virtual void setStatusIcon(int part, int iconId) = 0;
    virtual bool isMinimized() = 0;
    virtual void setWindowIcon(int iconId) = 0;
    // Both are handled after the current message, never re-entered.
    virtual void postCommand(int commandId) = 0;
    virtual void postClose() = 0;
    // Modal message box with an error icon, captioned with the window title.
    virtual void showError(const char* text) = 0;
};

} // namespace trx

#endif

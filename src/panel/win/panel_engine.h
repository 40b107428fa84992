// The protocol engine of one panel and the view it paints, made and owned by the entry point
// (or a test) and handed to the panel window, which shows them. Listeners are added to
// `protocol` by whoever made it.
#ifndef TRXDESK_PANEL_ENGINE_H
#define TRXDESK_PANEL_ENGINE_H

#include "panel/win/win32_panel_view.h"
#include "protocol/line_listener.h"
#include "protocol/protocol.h"

#include <windows.h>

namespace trx {

// The engine lost the link and reset its own part: the rest of the panel follows.
void onLinkLost(HWND panel);

class PanelEngine {
  public:
    PanelEngine(LinePort& line, const Settings& settings, PanelHost& host, HINSTANCE instance)
        : view(settings, host, instance), protocol(line, view, settings), linkListener_(view) {
        protocol.addListener(linkListener_);
    }
    PanelEngine(const PanelEngine&) = delete;
    PanelEngine& operator=(const PanelEngine&) = delete;

    Win32PanelView view;
    Protocol protocol;

  private:
    // Hears the engine lose the link, so that the whole panel is reset, not the engine's
    // part only.
    class LinkListener final : public LineListener {
      public:
        explicit LinkListener(const Win32PanelView& view) : view_(view) {}
        void linkLost(const RegisterMirror&) override { onLinkLost(view_.window()); }

      private:
        const Win32PanelView& view_;
    };
    LinkListener linkListener_;
};

} // namespace trx

#endif

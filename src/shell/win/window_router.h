// The one router on the panel's window: the parts beside the panel (the control port, the
// journal) register the messages and timers they need here, and the panel's window
// procedure hands every message it does not handle itself to it. Nothing subclasses the
// panel or hangs a property on it. Messages reach their owner whatever loop dispatches them:
// the program's own, or a modal one (a message box, a dialog).
#ifndef TRXDESK_WINDOW_ROUTER_H
#define TRXDESK_WINDOW_ROUTER_H

#include <windows.h>

#include <functional>
#include <map>

namespace trx {

class WindowRouter {
  public:
    using MessageHandler = std::function<void(WPARAM wParam, LPARAM lParam)>;
    using TimerHandler = std::function<void()>;

    // One owner per message and per timer; a later registration replaces an earlier one.
    void onMessage(UINT message, MessageHandler handler);
    void onTimer(UINT_PTR timer, TimerHandler handler);
    // The owner is gone: its messages and timers are dropped from now on.
    void forgetMessage(UINT message);
    void forgetTimer(UINT_PTR timer);

    // From the window procedure: true when a registered owner took the message (a timer's
    // WM_TIMER included).
    bool route(UINT message, WPARAM wParam, LPARAM lParam) const;

  private:
    std::map<UINT, MessageHandler> messages_;
    std::map<UINT_PTR, TimerHandler> timers_;
};

} // namespace trx

#endif

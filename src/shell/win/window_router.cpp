#include "shell/win/window_router.h"

#include <utility>

namespace trx {

void WindowRouter::onMessage(UINT message, MessageHandler handler) {
    messages_[message] = std::move(handler);
}

void WindowRouter::onTimer(UINT_PTR timer, TimerHandler handler) {
    timers_[timer] = std::move(handler);
}

void WindowRouter::forgetMessage(UINT message) {
    messages_.erase(message);
}

void WindowRouter::forgetTimer(UINT_PTR timer) {
    timers_.erase(timer);
}

bool WindowRouter::route(UINT message, WPARAM wParam, LPARAM lParam) const {
    if (message == WM_TIMER) {
        const auto timer = timers_.find(static_cast<UINT_PTR>(wParam));
        if (timer == timers_.end()) {
            return false;
        }
        // A copy: the handler may register or forget timers while it runs.
        const TimerHandler handler = timer->second;
        handler();
        return true;
    }
    const auto found = messages_.find(message);
    if (found == messages_.end()) {
        return false;
    }
    const MessageHandler handler = found->second;
    handler(wParam, lParam);
    return true;
}

} // namespace trx

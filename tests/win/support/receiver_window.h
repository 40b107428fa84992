// A message-only window that stands in for the panel: it records every received byte
// (message 1126) with the time it was handled, and hands the rest to its router as the
// panel does.
#ifndef TRXDESK_RECEIVER_WINDOW_H
#define TRXDESK_RECEIVER_WINDOW_H

#include "shell/win/window_router.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace trxtest {

class ReceiverWindow {
  public:
    ReceiverWindow();
    ~ReceiverWindow();
    ReceiverWindow(const ReceiverWindow&) = delete;
    ReceiverWindow& operator=(const ReceiverWindow&) = delete;

    HWND handle() const { return window_; }

    // Dispatches messages until `done` holds or `timeoutMs` has passed; sleeps while the
    // queue is empty. Returns `done()`.
    bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
    // Dispatches messages for `ms` milliseconds.
    void pumpFor(DWORD ms);

    std::vector<uint8_t> bytes;          // low 8 bits of lParam of each message 1126
    std::vector<LPARAM> rawParams;       // lParam as posted
    std::vector<WPARAM> wParams;         // wParam as posted
    std::vector<LONGLONG> receivedTicks; // QueryPerformanceCounter when handled
    trx::WindowRouter router;            // what the parts beside the panel registered

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
};

// QueryPerformanceCounter ticks per second.
LONGLONG performanceFrequency();
LONGLONG performanceCounter();

} // namespace trxtest

#endif

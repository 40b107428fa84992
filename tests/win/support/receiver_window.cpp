#include "receiver_window.h"

#include "res/resource.h"

namespace trxtest {

namespace {

constexpr const char* CLASS_NAME = "TRXDESK_TEST_RECEIVER";
constexpr LPARAM BYTE_MASK = 0xFF;

void registerClassOnce() {
    static const bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = CLASS_NAME;
        return RegisterClassA(&windowClass) != 0;
    }();
    (void)registered;
}

} // namespace

LONGLONG performanceFrequency() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

LONGLONG performanceCounter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

ReceiverWindow::ReceiverWindow() {
    registerClassOnce();
    window_ = CreateWindowExA(0, CLASS_NAME, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (window_ != nullptr) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
    }
}

ReceiverWindow::~ReceiverWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
        window_ = nullptr;
    }
    // Messages posted to the destroyed window must not reach the next test's window.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

LRESULT CALLBACK ReceiverWindow::procedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    auto* self = reinterpret_cast<ReceiverWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_TRX_RECEIVED) {
        self->receivedTicks.push_back(performanceCounter());
        self->bytes.push_back(static_cast<uint8_t>(lParam & BYTE_MASK));
        self->rawParams.push_back(lParam);
        self->wParams.push_back(wParam);
        return 0;
    }
    if (self != nullptr && self->router.route(message, wParam, lParam)) {
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool ReceiverWindow::pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        if (done()) {
            return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                                  QS_ALLINPUT);
    }
}

void ReceiverWindow::pumpFor(DWORD ms) {
    pumpUntil([] { return false; }, ms);
}

} // namespace trxtest

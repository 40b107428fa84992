#include "panel_process.h"

#include "process_window.h"
#include "res/resource.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace trx::e2e {

namespace {

constexpr DWORD START_TIMEOUT_MS = 15000;
// Once, under parallel tests, Wine refused to start the program at the first try.
constexpr int START_TRIES = 2;
constexpr DWORD START_RETRY_MS = 500;
constexpr DWORD END_TIMEOUT_MS = 10000;
constexpr DWORD POLL_MS = 20;
constexpr DWORD MESSAGE_TIMEOUT_MS = 2000;
constexpr int TEXT_SIZE = 512;
constexpr int BACKGROUND_INSET = 3;
constexpr DWORD SCREENSHOT_TIMEOUT_MS = 10000;

// A file in the artifacts folder the runner names in the environment.
std::string artifactPath(const std::string& name) {
    const char* folder = std::getenv("TRX_ARTIFACTS");
    return trxtest::wineDrivePath(std::string(folder ? folder : "/tmp") + "/" + name);
}

// EnumChildWindows callback: adds a static control's text to the string at `texts`.
BOOL CALLBACK appendStaticText(HWND child, LPARAM texts) {
    char name[16] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") == 0) {
        char text[TEXT_SIZE] = {};
        DWORD_PTR result = 0;
        SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                            SMTO_BLOCK, MESSAGE_TIMEOUT_MS, &result);
        *reinterpret_cast<std::string*>(texts) += text;
    }
    return TRUE;
}

} // namespace

bool waitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < deadline) {
        if (condition()) {
            return true;
        }
        Sleep(POLL_MS);
    }
    return condition();
}

PanelProcess::~PanelProcess() {
    if (process_.hProcess) {
        if (running()) {
            TerminateProcess(process_.hProcess, 1);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

bool PanelProcess::start(const std::string& arguments) {
    const char* exe = std::getenv("TRXDESK_EXE");
    if (!exe) {
        return false;
    }
    std::string commandLine = std::string("\"") + exe + "\" " + arguments;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    bool started = false;
    for (int i = 0; i < START_TRIES && !started; ++i) {
        if (i > 0) {
            Sleep(START_RETRY_MS);
        }
        started = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process_) != FALSE;
        if (!started) {
            std::fprintf(stderr, "CreateProcess of %s failed with error %lu\n", exe,
                         static_cast<unsigned long>(GetLastError()));
        }
    }
    if (!started) {
        return false;
    }
    return waitFor(
        [this] {
            panel_ = trxtest::visibleWindowOf(process_.dwProcessId, PANEL_CLASS);
            return panel_ != nullptr;
        },
        START_TIMEOUT_MS);
}

bool PanelProcess::running() const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool PanelProcess::ended(DWORD timeoutMs) const {
    return WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

HWND PanelProcess::window(const char* className) const {
    return trxtest::visibleWindowOf(process_.dwProcessId, className);
}

std::string PanelProcess::staticTexts(HWND dialog) {
    std::string texts;
    EnumChildWindows(dialog, appendStaticText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

bool PanelProcess::close() {
    PostMessageA(panel_, WM_CLOSE, 0, 0);
    return WaitForSingleObject(process_.hProcess, END_TIMEOUT_MS) == WAIT_OBJECT_0;
}

LRESULT PanelProcess::send(int controlId, UINT message, WPARAM wParam, LPARAM lParam) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(panel_, controlId), message, wParam, lParam, SMTO_BLOCK,
                        MESSAGE_TIMEOUT_MS, &result);
    return static_cast<LRESULT>(result);
}

std::string PanelProcess::controlText(int controlId) const {
    char text[TEXT_SIZE] = {};
    send(controlId, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string PanelProcess::windowTitle() const {
    char text[TEXT_SIZE] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(panel_, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                        MESSAGE_TIMEOUT_MS, &result);
    return text;
}

// SB_GETTEXT is not marshalled between processes: the text goes through a buffer in the
// program's own memory.
std::string PanelProcess::statusText(int part) const {
    void* remote = VirtualAllocEx(process_.hProcess, nullptr, TEXT_SIZE, MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE);
    if (!remote) {
        return "";
    }
    char text[TEXT_SIZE] = {};
    send(IDC_STATUSBAR, SB_GETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(remote));
    SIZE_T read = 0;
    ReadProcessMemory(process_.hProcess, remote, text, sizeof text - 1, &read);
    VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    return text;
}

COLORREF PanelProcess::backgroundColour(int controlId) const {
    RECT r;
    GetWindowRect(GetDlgItem(panel_, controlId), &r);
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, r.left + BACKGROUND_INSET, (r.top + r.bottom) / 2);
    ReleaseDC(nullptr, screen);
    return colour;
}

// The X server's picture is taken by the runner script (import): it answers a request file
// by writing the PNG and removing the request.
void PanelProcess::screenshot(const std::string& name) const {
    const std::string request = artifactPath(name + ".request");
    if (FILE* out = std::fopen(request.c_str(), "wb")) {
        std::fclose(out);
        waitFor([&] { return GetFileAttributesA(request.c_str()) == INVALID_FILE_ATTRIBUTES; },
                SCREENSHOT_TIMEOUT_MS);
    }
}

} // namespace trx::e2e

// Finding another process's window and naming Unix files for Windows programs under Wine.
#ifndef TRXDESK_PROCESS_WINDOW_H
#define TRXDESK_PROCESS_WINDOW_H

#include <windows.h>

#include <string>

namespace trxtest {

// A visible top-level window of the process, of the class when one is given; null if none.
HWND visibleWindowOf(DWORD processId, const char* className = nullptr);

// A Unix path as Wine's drive Z: sees it; Windows paths pass unchanged.
std::string wineDrivePath(const std::string& path);

} // namespace trxtest

#endif

#include "process_window.h"

#include <algorithm>
#include <cstring>

namespace trxtest {

namespace {

struct Search {
    DWORD processId;
    const char* className;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    if (search->className) {
        char className[64] = {};
        GetClassNameA(window, className, sizeof className);
        if (std::strcmp(className, search->className) != 0) {
            return TRUE;
        }
    }
    search->found = window;
    return FALSE;
}

} // namespace

HWND visibleWindowOf(DWORD processId, const char* className) {
    Search search{processId, className, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string wineDrivePath(const std::string& path) {
    std::string result = !path.empty() && path[0] == '/' ? "Z:" + path : path;
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

} // namespace trxtest

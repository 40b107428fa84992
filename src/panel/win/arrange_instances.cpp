#include "panel/win/arrange_instances.h"

#include "res/resource.h"

#include <cstring>

namespace trx {

namespace {

constexpr int CLASS_NAME_SIZE = 128;
constexpr UINT PLACEMENT_LENGTH = sizeof(WINDOWPLACEMENT); // 44 bytes on 32 and 64 bits
static_assert(PLACEMENT_LENGTH == 44);

InstanceList collectInstances() {
    InstanceList list;
    EnumWindows(collectInstance, reinterpret_cast<LPARAM>(&list));
    return list;
}

void placeInCell(HWND window, const Cell& cell, int width, int height) {
    WINDOWPLACEMENT placement{};
    placement.length = PLACEMENT_LENGTH;
    GetWindowPlacement(window, &placement);
    placement.showCmd = SW_RESTORE;
    placement.rcNormalPosition = {cell.left, cell.top, cell.left + width, cell.top + height};
    if (!SetWindowPlacement(window, &placement)) {
        // Refused for another process's window under Wine; these two calls do the same there.
        ShowWindow(window, SW_RESTORE);
        SetWindowPos(window, nullptr, cell.left, cell.top, width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetForegroundWindow(window);
}

} // namespace

BOOL CALLBACK collectInstance(HWND window, LPARAM list) {
    auto& instances = *reinterpret_cast<InstanceList*>(list);
    char className[CLASS_NAME_SIZE] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, PANEL_CLASS) != 0) {
        return TRUE;
    }
    if (instances.count >= MAX_INSTANCES) {
        return FALSE;
    }
    instances.windows[instances.count++] = window;
    return TRUE;
}

int countInstances() {
    return collectInstances().count;
}

void arrangeInstances(HWND panel, bool showStatusBar) {
    HDC screen = GetDC(nullptr);
    const int screenWidth = GetDeviceCaps(screen, HORZRES);
    const int screenHeight = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    RECT own;
    GetWindowRect(panel, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;

    const InstanceList list = collectInstances();
    const std::vector<Cell> cells =
        arrangeCells(screenWidth, screenHeight, width, height, list.count);
    for (size_t k = 0; k < cells.size(); ++k) {
        HWND window = list.windows[k];
        SendMessageA(window, WM_TRX_STATUSBAR, 0, showStatusBar);
        placeInCell(window, cells[k], width, height);
    }
}

} // namespace trx

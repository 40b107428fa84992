// Finds the running panels by their window class and tiles them over the screen.
#ifndef TRXDESK_ARRANGE_INSTANCES_H
#define TRXDESK_ARRANGE_INSTANCES_H

#include "panel/arrange_rules.h"

#include <windows.h>

#include <cstdint>

namespace trx {

// The panels one enumeration found, topmost first.
struct InstanceList {
    int32_t count = 0;
    HWND windows[MAX_INSTANCES] = {};
};

// EnumWindows callback; `list` is the address of an InstanceList. Stops at the ninth panel.
BOOL CALLBACK collectInstance(HWND window, LPARAM list);
// The running panels, this one included: at most MAX_INSTANCES.
int countInstances();
// Restores the first panels found into a grid of cells of this panel's size, each showing
// or hiding its status bar as this one does.
void arrangeInstances(HWND panel, bool showStatusBar);

} // namespace trx

#endif

// The panel: the program's one main window, a modeless dialog from template 101.
#ifndef TRXDESK_PANEL_WINDOW_H
#define TRXDESK_PANEL_WINDOW_H

#include "protocol.h"

#include <windows.h>

namespace trx {

INT_PTR CALLBACK panelDialogProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);

// Returns the panel to the look of a panel that has received nothing. Always 1.
int resetPanel(HWND panel);

// The one protocol engine, owned by the panel.
Protocol& panelProtocol();

// Message boxes go through here so that tests can answer them.
using MessageBoxFunction = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);
void setPanelMessageBox(MessageBoxFunction function);
int panelMessageBox(HWND owner, const char* text, const char* caption, UINT type);

} // namespace trx

#endif

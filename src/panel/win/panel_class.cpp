#include "panel/win/panel_class.h"

#include "res/resource.h"

namespace trx {

bool registerPanelClass(HINSTANCE instance) {
    WNDCLASSA panelClass = {};
    panelClass.lpfnWndProc = DefDlgProcA;
    panelClass.cbWndExtra = DLGWINDOWEXTRA;
    panelClass.hInstance = instance;
    panelClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    panelClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    panelClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    panelClass.lpszClassName = PANEL_CLASS;
    return RegisterClassA(&panelClass) != 0;
}

} // namespace trx

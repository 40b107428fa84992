#include "tooltips.h"

#include "res/resource.h"

#include <commctrl.h>

namespace trx {

namespace {

constexpr int TOOLTIP_MAX_WIDTH = 200;
constexpr char PRESET_TIP[] = "Sendeart. Rechte Maustaste für Kanalprozedur und Shift";

struct Tip {
    int controlId;
    const char* text;
};
constexpr Tip TIPS[] = {
    {IDC_FREQUENCY, "Clicken Sie hier, um die Frequenz zu ändern."},
    {IDC_STATE_STANDBY, "Bereit"},
    {IDC_STATE_TUNE, "Abstimmen"},
    {IDC_STATE_NOPOWER, "keine Leistung"},
    {IDC_STATE_P100, "bis 100W"},
    {IDC_STATE_P250, "bis 250W"},
    {IDC_STATE_P1000, "bis 1000W"},
    {IDC_POWER, "Leistungsanzeige"},
    {IDC_PRESET0, PRESET_TIP},
    {IDC_PRESET1, PRESET_TIP},
    {IDC_PRESET2, PRESET_TIP},
    {IDC_PRESET3, PRESET_TIP},
    {IDC_PROGRAM, "Programm"},
    {IDC_ANTENNA, "Antenne. Rechte Maustaste für Auswahl"},
};

} // namespace

HWND createTooltips(HWND panel, HINSTANCE instance, bool active) {
    HWND tooltips =
        CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, panel, nullptr, instance, nullptr);
    for (const Tip& tip : TIPS) {
        TOOLINFOA tool = {};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = panel;
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(panel, tip.controlId));
        tool.hinst = instance;
        tool.lpszText = const_cast<char*>(tip.text);
        SendMessageA(tooltips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    SendMessageA(tooltips, TTM_SETMAXTIPWIDTH, 0, TOOLTIP_MAX_WIDTH);
    SendMessageA(tooltips, TTM_ACTIVATE, active, 0);
    return tooltips;
}

} // namespace trx

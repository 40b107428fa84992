#include "panel/win/tooltips.h"

#include "protocol/protocol.h"
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
constexpr Tip FREQUENCY_TIP = {IDC_FREQUENCY, "Clicken Sie hier, um die Frequenz zu ändern."};
// After the frequency come the state buttons, each named as the vocabulary names its state.
constexpr Tip TIPS[] = {
    {IDC_POWER, "Leistungsanzeige"},
    {IDC_PRESET0, PRESET_TIP},
    {IDC_PRESET1, PRESET_TIP},
    {IDC_PRESET2, PRESET_TIP},
    {IDC_PRESET3, PRESET_TIP},
    {IDC_PROGRAM, "Programm"},
    {IDC_ANTENNA, "Antenne. Rechte Maustaste für Auswahl"},
};

void addTool(HWND tooltips, HWND panel, HINSTANCE instance, const Tip& tip) {
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = panel;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(panel, tip.controlId));
    tool.hinst = instance;
    tool.lpszText = const_cast<char*>(tip.text);
    SendMessageA(tooltips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

} // namespace

HWND createTooltips(HWND panel, HINSTANCE instance, bool active) {
    HWND tooltips =
        CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, panel, nullptr, instance, nullptr);
    addTool(tooltips, panel, instance, FREQUENCY_TIP);
    for (int i = 0; i < STATE_COUNT; ++i) {
        addTool(tooltips, panel, instance, {stateButtons[i].button, operatingStateNames[i].german});
    }
    for (const Tip& tip : TIPS) {
        addTool(tooltips, panel, instance, tip);
    }
    SendMessageA(tooltips, TTM_SETMAXTIPWIDTH, 0, TOOLTIP_MAX_WIDTH);
    SendMessageA(tooltips, TTM_ACTIVATE, active, 0);
    return tooltips;
}

} // namespace trx

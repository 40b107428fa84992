// Frequency entry: a frequency in MHz, optionally tuned and brought to a power stage.
#include "dialogs/win/dialogs.h"
#include "protocol/protocol.h"
#include "res/resource.h"

namespace trx {

namespace {

constexpr int TYPED_TEXT_SIZE = 15; // at most 14 characters are read
constexpr size_t OPENING_TEXT_SIZE = 16;
constexpr char RANGE_WARNING[] =
    "Der eingegebene Wert liegt nicht im\ngeforderten Bereich von 1,5 ... 29,99999.";
// The frequency entry always ends with this; the panel does not look at it.
constexpr INT_PTR FREQUENCY_RESULT = 0;

struct TuneButton {
    int id;
    int operatingState;
};
constexpr TuneButton TUNE_BUTTONS[] = {
    {IDC_TUNE_P100, STATE_P100}, {IDC_TUNE_P250, STATE_P250}, {IDC_TUNE_P1000, STATE_P1000}};

bool checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void enableTuneChoice(HWND dialog, bool enabled) {
    EnableWindow(GetDlgItem(dialog, IDC_TUNE_GROUP), enabled);
    for (const TuneButton& button : TUNE_BUTTONS) {
        EnableWindow(GetDlgItem(dialog, button.id), enabled);
    }
}

BOOL onInitDialog(HWND dialog, DialogContext& c) {
    char text[OPENING_TEXT_SIZE];
    formatMirrorFrequency(c.protocol.mirror(), text, sizeof text);
    SetDlgItemTextA(dialog, IDC_FREQUENCY_EDIT, text);
    CheckDlgButton(dialog, IDC_AUTO_TUNE, c.settings.autoTune ? BST_CHECKED : BST_UNCHECKED);
    enableTuneChoice(dialog, c.settings.autoTune);
    for (const TuneButton& button : TUNE_BUTTONS) {
        if (c.settings.tuneState == button.operatingState) {
            CheckDlgButton(dialog, button.id, BST_CHECKED);
        }
    }
    return TRUE;
}

// Kept at the click: a cancelled dialog keeps the new choice.
void onAutoTune(HWND dialog, DialogContext& c) {
    c.settings.autoTune = checked(dialog, IDC_AUTO_TUNE);
    enableTuneChoice(dialog, c.settings.autoTune);
}

void onOk(HWND dialog, DialogContext& c) {
    char text[TYPED_TEXT_SIZE] = {};
    GetDlgItemTextA(dialog, IDC_FREQUENCY_EDIT, text, sizeof text);
    const FrequencyEntry entry = readFrequencyEntry(text);
    switch (entry.kind) {
    case FrequencyEntry::Zero:
        c.protocol.clearFrequency();
        break;
    case FrequencyEntry::OutOfRange:
        c.host.messageBox(dialog, RANGE_WARNING, c.settings.title, MB_ICONWARNING);
        return; // open for a correction
    case FrequencyEntry::Digits:
        c.settings.autoTune = checked(dialog, IDC_AUTO_TUNE);
        if (c.settings.autoTune) {
            for (const TuneButton& button : TUNE_BUTTONS) {
                if (checked(dialog, button.id)) {
                    c.settings.tuneState = button.operatingState;
                }
            }
        }
        c.protocol.sendFrequency(entry.digits, c.settings.autoTune ? c.settings.tuneState : 0);
        break;
    }
    EndDialog(dialog, FREQUENCY_RESULT);
}

BOOL onCommand(HWND dialog, DialogContext& c, int command) {
    switch (command) {
    case IDOK:
        onOk(dialog, c);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, FREQUENCY_RESULT);
        return TRUE;
    case IDC_AUTO_TUNE:
        onAutoTune(dialog, c);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR CALLBACK frequencyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogContext* c = dialogContext(dialog, message, lParam);
    if (c == nullptr) {
        return FALSE;
    }
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog, *c);
    case WM_COMMAND:
        return onCommand(dialog, *c, LOWORD(wParam));
    case WM_HELP:
        return showDialogHelp(dialog, *c, IDH_FREQUENCY);
    default:
        return FALSE;
    }
}

} // namespace trx

// Closing the panel, and the end of a Windows session while the transmitter is on air.
#include "app/registry_settings.h"
#include "panel/win/panel_state.h"

namespace trx {

namespace {

constexpr char CLOSE_QUESTION[] =
    "Sie sind dabei, die Anwendung zu schließen,\nobwohl der Sender noch nicht heruntergefahren "
    "ist.\nWollen Sie, daß der Sender jetzt auf \"Bereit\"\ngestellt wird?";
constexpr char END_SESSION_QUESTION[] =
    "Sie sind dabei, die Windows-Sitzung zu beenden,\nobwohl der Sender noch nicht "
    "heruntergefahren ist.\nWollen Sie, daß der Sender jetzt auf \"Bereit\"\ngestellt wird?";
constexpr UINT QUESTION_STYLE = MB_YESNOCANCEL | MB_ICONQUESTION;

// Deletes a font or brush once and marks it deleted.
template <typename Handle> void deleteObject(Handle& handle) {
    if (handle) {
        DeleteObject(handle);
        handle = nullptr;
    }
}

} // namespace

BOOL onPanelClose(PanelState& p, HWND panel) {
    if (p.protocol.transmitterActive()) {
        switch (p.host.messageBox(panel, CLOSE_QUESTION, p.settings.title, QUESTION_STYLE)) {
        case IDYES:
            p.protocol.requestStandbyThenClose(); // closes again once standby is reported
            return FALSE;
        case IDNO:
            break;
        default:
            return FALSE;
        }
    }
    if (p.settings.useRegistry) {
        int32_t baudRate = p.serial.baudRate();
        registrySettings(RegistryAction::Save, p.serial.portNumber(), p.settings, baudRate);
    }
    p.serial.close();
    p.host.help(panel, HELP_QUIT, 0);
    deleteObject(p.displayFont);
    deleteObject(p.mediumFont);
    deleteObject(p.darkGreenBrush);
    deleteObject(p.redBrush);
    DestroyWindow(panel); // the state goes with the window
    return TRUE;
}

// Answering lets Windows end the process at once: on Yes the standby byte is on its way out
// of the port before the answer, whatever the queue was waiting for.
BOOL onPanelQueryEndSession(PanelState& p, HWND panel) {
    if (!p.protocol.transmitterActive()) {
        return FALSE;
    }
    switch (p.host.messageBox(panel, END_SESSION_QUESTION, p.settings.title, QUESTION_STYLE)) {
    case IDCANCEL:
        SetWindowLongPtrA(panel, DWLP_MSGRESULT, FALSE); // Windows must not end
        return TRUE;
    case IDYES:
        // A write the port refuses now is queued: should the session go on after all, the
        // standby still goes out.
        if (!p.protocol.requestStandbyNow()) {
            p.protocol.requestStandby();
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace trx

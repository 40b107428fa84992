#include "shell/win/panel_host.h"

namespace trx {

INT_PTR Win32PanelHost::runDialog(int templateId, HWND owner, LPARAM parameter) {
    for (int i = 0; i < dialogCount_; ++i) {
        if (dialogs_[i].templateId == templateId) {
            const ModalLoop loop(modalDepth_);
            return DialogBoxParamA(instance_, MAKEINTRESOURCEA(templateId), owner,
                                   dialogs_[i].procedure, parameter);
        }
    }
    return -1;
}

int Win32PanelHost::messageBox(HWND owner, const char* text, const char* caption, UINT type) {
    const ModalLoop loop(modalDepth_);
    return MessageBoxA(owner, text, caption, type);
}

void Win32PanelHost::help(HWND owner, UINT command, ULONG_PTR data) {
    help_.call(owner, command, data);
}

int Win32PanelHost::trackMenu(HMENU popup, UINT flags, int x, int y, HWND owner) {
    const ModalLoop loop(modalDepth_);
    return TrackPopupMenu(popup, flags, x, y, 0, owner, nullptr);
}

} // namespace trx

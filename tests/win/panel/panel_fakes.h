// Stand-ins for what the panel and its dialogs are handed: a line that keeps its bytes and
// a host that records dialogs, message boxes, help and menus and answers for the operator.
#ifndef TRXDESK_TEST_PANEL_FAKES_H
#define TRXDESK_TEST_PANEL_FAKES_H

#include "protocol/line_port.h"
#include "serial/win/serial_port.h"
#include "shell/win/panel_host.h"

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace trx {

// The serial line as the panel's queue sees it, with every byte kept instead of sent.
class RecordingLine : public LinePort {
  public:
    explicit RecordingLine(const SerialPort& serial) : serial_(serial) {}
    int write(uint8_t lineByte) override {
        if (refuseWrites) {
            return 0;
        }
        sent.push_back(lineByte);
        return 1;
    }
    int portNumber() const override { return serial_.portNumber(); }
    bool flush(int timeoutMs) override {
        flushes.push_back(timeoutMs);
        return true;
    }
    std::vector<uint8_t> sent;
    std::vector<int> flushes;
    bool refuseWrites = false; // every slot of the port busy

  private:
    const SerialPort& serial_;
};

// "text|text*|text~|Sub[...]": item texts, * for the radio mark, ~ for a grey item.
inline std::string describeMenu(HMENU menu) {
    std::string out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        out += i ? "|" : "";
        if (state & MF_SEPARATOR) {
            out += "-";
            continue;
        }
        out += text;
        out += (state & MF_CHECKED) ? "*" : "";
        out += (state & MF_GRAYED) ? "~" : "";
        if (HMENU sub = GetSubMenu(menu, i)) {
            out += '[';
            out += describeMenu(sub);
            out += ']';
        }
    }
    return out;
}

// The operator at the panel's dialogs, help and menus: records what was shown and answers.
class FakeHost : public PanelHost {
  public:
    INT_PTR runDialog(int templateId, HWND, LPARAM) override {
        dialogs.push_back(templateId);
        if (duringDialog) {
            duringDialog();
        }
        return dialogResult;
    }
    int messageBox(HWND owner, const char* text, const char* caption, UINT type) override {
        boxes.push_back({owner, text, caption, type});
        if (duringBox) { // the box's own message loop, as MessageBox runs one
            modalNow = true;
            duringBox();
            modalNow = false;
        }
        return boxAnswer;
    }
    void help(HWND, UINT command, ULONG_PTR data) override { helps.push_back({command, data}); }
    int trackMenu(HMENU popup, UINT flags, int x, int y, HWND) override {
        menus.push_back({describeMenu(popup), flags, x, y});
        return menuChoice;
    }
    bool modal() const override { return modalNow; }

    struct Box {
        HWND owner;
        std::string text;
        std::string caption;
        UINT type;
    };
    struct Shown {
        std::string menu;
        UINT flags;
        int x, y;
    };
    std::function<void()> duringBox; // runs while a box is up, with modal() true
    bool modalNow = false;
    std::vector<int> dialogs;
    INT_PTR dialogResult = IDCANCEL;
    std::function<void()> duringDialog; // what the operator changes while a dialog is open
    std::vector<Box> boxes;
    int boxAnswer = IDNO; // closing an active panel asks; "Nein" closes it
    std::vector<std::pair<UINT, ULONG_PTR>> helps;
    std::vector<Shown> menus;
    int menuChoice = 0;
};

} // namespace trx

#endif

#include "message_box.h"

namespace trx {

namespace {
MessageBoxFunction messageBoxFunction = MessageBoxA;
} // namespace

int showMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    return messageBoxFunction(owner, text, caption, type);
}

MessageBoxFunction setMessageBoxFunction(MessageBoxFunction function) {
    const MessageBoxFunction before = messageBoxFunction;
    messageBoxFunction = function ? function : MessageBoxA;
    return before;
}

} // namespace trx

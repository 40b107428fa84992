#include "protocol.h"

#include <algorithm>

namespace trx {

bool Protocol::queueWrite(int address, int value) {
    if (state.count >= QUEUE_CAPACITY || port_.portNumber() == 0) {
        return false;
    }
    state.queue[static_cast<size_t>(state.count++)] = queuedForm(address, value);
    sendNext();
    return true;
}

void Protocol::sendNext() {
    if (state.count == 0 || state.awaitingEcho) {
        return;
    }
    const uint8_t lineByte = encodeByte(state.queue[0]);
    if (!port_.write(lineByte)) {
        return; // stays at the head, tried again at the next write or echo
    }
    state.lastSent = lineByte;
    std::copy(state.queue.begin() + 1, state.queue.begin() + state.count, state.queue.begin());
    --state.count;
    // Only a live link echoes; while it is down bytes go out back to back.
    state.awaitingEcho = state.linkAlive;
}

} // namespace trx

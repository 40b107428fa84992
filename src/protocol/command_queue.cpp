#include "protocol/protocol.h"

#include <algorithm>

namespace trx {

bool Protocol::addListener(LineListener& listener) {
    if (listenerCount_ >= LISTENER_CAPACITY) {
        return false;
    }
    listeners_[static_cast<size_t>(listenerCount_++)] = &listener;
    return true;
}

bool Protocol::queueWrite(int address, int value, const CommandSource& source) {
    if (state_.count >= QUEUE_CAPACITY || port_.portNumber() == NO_PORT) {
        return false;
    }
    LineWrite& write = state_.queue[static_cast<size_t>(state_.count++)];
    write.address = address & 0x0F;
    write.value = value & 0x0F;
    write.previous = state_.mirror[write.address];
    write.sequence = ++state_.sequence;
    write.source = source;
    sendNext();
    return true;
}

// An operation's writes go on the queue together or not at all: a frequency cut short by a
// full queue would leave the transmitter on a frequency nobody entered.
CommandResult Protocol::queueAll(std::span<const RegisterWrite> writes,
                                 const CommandSource& source) {
    CommandResult result;
    if (port_.portNumber() == NO_PORT) {
        result.refusal = Refusal::NoPort;
        return result;
    }
    if (state_.count + static_cast<int>(writes.size()) > QUEUE_CAPACITY) {
        result.refusal = Refusal::QueueFull;
        return result;
    }
    for (const RegisterWrite& w : writes) {
        queueWrite(w.address, w.value, source);
        result.lastWrite = state_.sequence;
    }
    return result;
}

void Protocol::sendNext() {
    if (state_.count == 0 || state_.awaitingEcho) {
        return;
    }
    const LineWrite& next = state_.queue[0];
    const uint8_t lineByte = lineByteFor(next.address, next.value);
    if (!port_.write(lineByte)) {
        return; // stays at the head, tried again at the next write or echo
    }
    state_.lastSent = lineByte;
    state_.inFlight = next;
    std::copy(state_.queue.begin() + 1, state_.queue.begin() + state_.count, state_.queue.begin());
    --state_.count;
    // Only a live link echoes; while it is down bytes go out back to back.
    state_.awaitingEcho = state_.linkAlive;
    const LineWrite sent = state_.inFlight;
    announce([&](LineListener& l, const RegisterMirror& r) { l.writeSent(sent, r); });
}

void Protocol::dropQueue() {
    state_.count = 0;
}

} // namespace trx

// The receive thread: keeps one one-byte read pending and posts each byte it really read
// to the panel window.
#include "serial/win/serial_port.h"

namespace trx {

namespace {

// A byte that finds the panel's message queue full is posted again after this long.
constexpr DWORD POST_RETRY_MS = 1;

enum class ReadOutcome {
    Reading,   // the next read is on its way
    LineEnded, // the line failed: reading stops for good
    StopAsked, // close asked while a byte waited for room in the queue
};

// True when a read is pending or has completed at once (its event then is signalled).
bool startRead(ReceiveContext& context) {
    return ReadFile(context.portHandle, &context.readByte, 1, nullptr, &context.readOverlapped) ||
           GetLastError() == ERROR_IO_PENDING;
}

// Hands the byte to the panel. Windows keeps at most 10,000 posted messages in a queue; a
// byte that finds it full waits for room instead of being lost. False when close is asked
// meanwhile.
bool postByte(ReceiveContext& context) {
    while (!context.system->postMessage(context.window, context.message, 0,
                                        static_cast<LPARAM>(context.readByte))) {
        if (GetLastError() != ERROR_NOT_ENOUGH_QUOTA) {
            return true; // no window takes it: nothing to wait for
        }
        ++context.postRetries;
        if (WaitForSingleObject(context.stopEvent(), POST_RETRY_MS) == WAIT_OBJECT_0) {
            return false;
        }
    }
    return true;
}

// Handles a signalled readEvent. Reading stops for good when the read failed (line hung
// up, adapter pulled) or the next one could not start: re-reading a dead device would
// complete at once every time and spin.
ReadOutcome finishRead(ReceiveContext& context) {
    // Reset before looking, so that a completion after the look signals the event again.
    ResetEvent(context.readEvent());
    DWORD count = 0;
    if (!GetOverlappedResult(context.portHandle, &context.readOverlapped, &count, FALSE)) {
        return GetLastError() == ERROR_IO_INCOMPLETE ? ReadOutcome::Reading
                                                     : ReadOutcome::LineEnded;
    }
    // With all time-outs 0 a read ends only with its byte; an empty one means the line is gone.
    if (count != 1) {
        return ReadOutcome::LineEnded;
    }
    if (!postByte(context)) {
        return ReadOutcome::StopAsked;
    }
    return startRead(context) ? ReadOutcome::Reading : ReadOutcome::LineEnded;
}

} // namespace

DWORD WINAPI receiveThread(void* parameter) {
    ReceiveContext& context = *static_cast<ReceiveContext*>(parameter);
    // The wait list is in priority order: without a read, only stop (the first) is waited for.
    // The write event is no one's to wait for: waitForWrites looks at the write records.
    DWORD waitCount = context.receptionEnded ? 1 : WAIT_COUNT;
    for (;;) {
        const DWORD result = WaitForMultipleObjects(waitCount, context.waitEvents, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0 + STOP_EVENT) {
            ResetEvent(context.stopEvent());
            return 0;
        }
        if (result == WAIT_OBJECT_0 + READ_EVENT) {
            const ReadOutcome outcome = finishRead(context);
            if (outcome == ReadOutcome::StopAsked) {
                ResetEvent(context.stopEvent());
                return 0;
            }
            if (outcome == ReadOutcome::LineEnded) {
                context.receptionEnded = true;
                waitCount = 1;
            }
        } else if (result == WAIT_FAILED) {
            // Only closed handles make the wait fail, and retrying that would spin.
            context.receptionEnded = true;
            return 0;
        }
    }
}

} // namespace trx

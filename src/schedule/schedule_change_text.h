// How a change of the schedule is named: its steps and the reasons it fails, in German for
// the journal and the panel, and as one short word each for the control port
// ("EVENT schedule failed frequency no-echo").
#ifndef TRXDESK_SCHEDULE_CHANGE_TEXT_H
#define TRXDESK_SCHEDULE_CHANGE_TEXT_H

#include "protocol/protocol.h"

#include <cstddef>
#include <cstdint>

namespace trx {

// The steps of a change, in the order they are taken.
enum class ChangeStep : uint8_t {
    Standby,
    Frequency,
    Preset,
    Program,
    Antenna,
    Tune,
    Power,
};
constexpr int CHANGE_STEP_COUNT = 7;

enum class ChangeFailure : uint8_t {
    None,
    Refused,     // the engine put nothing on the line (its Refusal says why)
    Rejected,    // the transmitter echoed the write but reported another value
    NoEcho,      // the echo did not come
    NotReported, // the value, or the tuned state, not reported within the tune time
    LinkLost,    // the link was lost or down
};

const char* changeStepName(ChangeStep step);          // "Frequenz"
const char* changeStepWord(ChangeStep step);          // "frequency"
const char* changeFailureWord(ChangeFailure failure); // "no-echo"
// "keine Quittung"; a refusal with the engine's reason: "abgewiesen: nicht abgestimmt".
void formatChangeFailure(ChangeFailure failure, Refusal refusal, char* text, size_t size);

} // namespace trx

#endif

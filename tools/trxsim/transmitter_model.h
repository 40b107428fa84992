// The simulated transmitter: sixteen registers, the line rules (echo, refresh answer, own
// reports) and a plausible inner life (tune, power ramp, lamps, alarm). No I/O and no clock:
// received bytes and the time in milliseconds are handed in, bytes to send are handed out.
#ifndef TRXSIM_TRANSMITTER_MODEL_H
#define TRXSIM_TRANSMITTER_MODEL_H

#include "protocol/transmitter_vocabulary.h"
#include "protocol/wire_codec.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace trxsim {

using Bytes = std::vector<uint8_t>;
using Registers = std::array<uint8_t, trx::REGISTER_COUNT>;
using FrequencyDigits = std::array<int, trx::FREQUENCY_DIGIT_COUNT>; // registers 1..7

// Status register bits as this transmitter drives them.
constexpr int STATUS_TUNED = 0x1;   // green: tuned to the frequency, power stages unlocked
constexpr int STATUS_TUNING = 0x2;  // yellow: tuning
constexpr int STATUS_RAMPING = 0x4; // yellow: power level still moving to its stage
constexpr int STATUS_ALARM = 0x8;   // red

constexpr int DEFAULT_TUNE_MS = 2000;
constexpr int DEFAULT_RAMP_STEP_MS = 250;
constexpr int DEFAULT_REPORT_INTERVAL_MS = 500;
// The program declares the link lost after about 4.1 s without a report.
constexpr int MAX_REPORT_INTERVAL_MS = 1000;

constexpr int64_t NEVER = std::numeric_limits<int64_t>::max();

struct ModelTiming {
    int tuneMs = DEFAULT_TUNE_MS;
    int rampStepMs = DEFAULT_RAMP_STEP_MS;             // one power level per step, at least 1
    int reportIntervalMs = DEFAULT_REPORT_INTERVAL_MS; // 0: no own reports
};

// Standby on 07,12345 MHz, antenna 1, program 0, J3 with channel A "mit Dyn.", not tuned.
constexpr Registers START_REGISTERS = {1, 0, 7, 1, 2, 3, 4, 5, 1, 0, 2, 1, 0, 0, 0, 0};

// Power level (register 14) that an operating state settles at: 100 W 3, 250 W 5, 1000 W 7.
int powerTarget(int operatingState);

class TransmitterModel {
  public:
    explicit TransmitterModel(int64_t nowMs, ModelTiming timing = {});

    // One byte from the line. Appends the answer: the echo (for the refresh request instead
    // register 15 and then all sixteen registers), then a report of every register that now
    // differs from what the echo claims, such as a refused write or a lamp that changed.
    void receive(uint8_t lineByte, int64_t nowMs, Bytes& out);
    // Runs what fell due up to nowMs (end of tune, power steps, the own report round) and
    // appends the reports that result.
    void advance(int64_t nowMs, Bytes& out);
    // When advance next has work; NEVER when nothing is pending.
    int64_t nextDueMs() const;

    int value(int reg) const { return regs_[static_cast<size_t>(reg)]; }
    const Registers& registers() const { return regs_; }
    bool tuning() const { return tuneEndMs_ != NEVER || tuningForever_; }

    // Stores a value (low four bits) as is: no consequence, no report; a running tune or
    // power ramp carries on from there.
    void setRegister(int reg, int value);
    // Raises or clears the alarm bit and reports register 15.
    void setAlarm(bool on, Bytes& out);
    // Off: writes are acted on but not echoed, nor reported back at once.
    void setEcho(bool on) { echo_ = on; }
    // On: everything is acted on as usual, but nothing is sent.
    void setSilent(bool on) { silent_ = on; }
    void setTuneMs(int ms) { timing_.tuneMs = ms; }
    // A frequency this transmitter cannot take (registers 1..7): the digit write that would
    // make it is refused, echoed and then reported back with the digit kept. None: all taken.
    void refuseFrequency(const std::optional<FrequencyDigits>& digits) { refused_ = digits; }
    // On: a tune never ends, so the transmitter never reaches (nor reports) a power stage.
    void setEndlessTune(bool on) { endlessTune_ = on; }

  private:
    uint8_t& reg(int r) { return regs_[static_cast<size_t>(r)]; }
    void applyWrite(int address, int value, int64_t nowMs);
    void writeOperatingState(int value, int64_t nowMs);
    void changeFrequencyDigit(int address, int value);
    void enterStandby();
    void startTune(int64_t nowMs);
    void finishTune();
    void enterStage(int state, int64_t nowMs);
    void stepPower();
    void dropPower();
    void setStatusBits(int set, int clear);

    void emit(uint8_t lineByte, Bytes& out) const;
    void report(int r, Bytes& out) const;
    void reportDifferences(const Registers& seen, Bytes& out) const;
    void reportRound(Bytes& out);

    ModelTiming timing_;
    Registers regs_ = START_REGISTERS;
    bool echo_ = true;
    bool silent_ = false;
    std::optional<FrequencyDigits> refused_;
    bool endlessTune_ = false;
    bool tuningForever_ = false; // a tune begun while endless
    int64_t tuneEndMs_ = NEVER;
    int stageAfterTune_ = trx::STATE_NO_POWER;
    int rampTarget_ = 0;
    int64_t nextRampMs_ = NEVER;
    int64_t nextRoundMs_ = NEVER;
    int rotation_ = 0; // next register (0..14) of the own report round
};

} // namespace trxsim

#endif

#include "transmitter_model.h"

#include <algorithm>

namespace trxsim {

using namespace trx;

namespace {

bool isFrequencyDigit(int address) {
    return address >= FrequencyDigit1 && address <= FrequencyDigit7;
}

bool isPowerStage(int state) {
    return state >= STATE_NO_POWER && state <= STATE_P1000;
}

} // namespace

int powerTarget(int operatingState) {
    switch (operatingState) {
    case STATE_P100:
        return 3;
    case STATE_P250:
        return 5;
    case STATE_P1000:
        return 7;
    default:
        return 0;
    }
}

TransmitterModel::TransmitterModel(int64_t nowMs, ModelTiming timing) : timing_(timing) {
    timing_.rampStepMs = std::max(timing_.rampStepMs, 1);
    if (timing_.reportIntervalMs > 0) {
        nextRoundMs_ = nowMs + timing_.reportIntervalMs;
    }
}

void TransmitterModel::receive(uint8_t lineByte, int64_t nowMs, Bytes& out) {
    if (lineByte == REFRESH_REQUEST) {
        // Register 15 first: the program takes any report of it as the acknowledgement.
        report(StatusRegister, out);
        for (int r = 0; r < REGISTER_COUNT; ++r) {
            report(r, out);
        }
        return;
    }
    const RegisterWrite w = decodeByte(lineByte);
    Registers seen = regs_;
    applyWrite(w.address, w.value, nowMs);
    if (echo_) {
        emit(lineByte, out);
        seen[static_cast<size_t>(w.address)] = static_cast<uint8_t>(w.value);
    } else {
        // Any report of the written register would pass for its echo.
        seen[static_cast<size_t>(w.address)] = regs_[static_cast<size_t>(w.address)];
    }
    reportDifferences(seen, out);
}

void TransmitterModel::advance(int64_t nowMs, Bytes& out) {
    const Registers seen = regs_;
    if (tuneEndMs_ <= nowMs) {
        finishTune();
    }
    while (nextRampMs_ <= nowMs) {
        stepPower();
    }
    reportDifferences(seen, out);
    if (nextRoundMs_ <= nowMs) {
        reportRound(out);
        nextRoundMs_ += timing_.reportIntervalMs;
        if (nextRoundMs_ <= nowMs) {
            nextRoundMs_ = nowMs + timing_.reportIntervalMs; // woken late: no burst of rounds
        }
    }
}

int64_t TransmitterModel::nextDueMs() const {
    return std::min({tuneEndMs_, nextRampMs_, nextRoundMs_});
}

void TransmitterModel::setRegister(int r, int value) {
    reg(r & 0x0F) = static_cast<uint8_t>(value & 0x0F);
}

void TransmitterModel::setAlarm(bool on, Bytes& out) {
    setStatusBits(on ? STATUS_ALARM : 0, on ? 0 : STATUS_ALARM);
    report(StatusRegister, out);
}

void TransmitterModel::applyWrite(int address, int value, int64_t nowMs) {
    switch (address) {
    case Antenna:
        if (value <= 3) {
            reg(Antenna) = static_cast<uint8_t>(value);
        }
        break;
    case OperatingState:
        writeOperatingState(value, nowMs);
        break;
    case ChannelA:
        if (value <= 6) {
            reg(ChannelA) = static_cast<uint8_t>(value);
        }
        break;
    case ChannelB:
        if (value <= 4) {
            reg(ChannelB) = static_cast<uint8_t>(value);
        }
        break;
    case PowerLevel:
    case StatusRegister:
        break; // measured and driven by the transmitter itself
    default:
        if (isFrequencyDigit(address)) {
            changeFrequencyDigit(address, value);
        } else {
            reg(address) = static_cast<uint8_t>(value); // program, mode, register 13
        }
        break;
    }
}

void TransmitterModel::changeFrequencyDigit(int address, int value) {
    if (value > 9 || value == reg(address)) {
        return;
    }
    if (refused_) {
        bool makesRefused = true;
        for (int d = FrequencyDigit1; d <= FrequencyDigit7; ++d) {
            const int digit = d == address ? value : reg(d);
            makesRefused = makesRefused && digit == (*refused_)[static_cast<size_t>(d - 1)];
        }
        if (makesRefused) {
            return;
        }
    }
    reg(address) = static_cast<uint8_t>(value);
    // A new frequency needs a new tune; the power stages cannot stay on meanwhile.
    setStatusBits(0, STATUS_TUNED);
    if (reg(OperatingState) != STATE_STANDBY) {
        enterStandby();
    }
}

void TransmitterModel::writeOperatingState(int value, int64_t nowMs) {
    if (value == STATE_STANDBY) {
        enterStandby();
    } else if (value == STATE_TUNE) {
        startTune(nowMs);
    } else if (isPowerStage(value)) {
        if (tuning()) {
            // The program sends tune and the stage back to back: take the stage afterwards.
            stageAfterTune_ = value;
        } else if ((reg(StatusRegister) & STATUS_TUNED) != 0) {
            enterStage(value, nowMs);
        }
        // Not tuned: refused, the state stays.
    }
    // 0 and 7..15 are no operating states: refused.
}

void TransmitterModel::enterStandby() {
    reg(OperatingState) = STATE_STANDBY;
    tuneEndMs_ = NEVER;
    tuningForever_ = false;
    setStatusBits(0, STATUS_TUNING);
    dropPower();
}

void TransmitterModel::startTune(int64_t nowMs) {
    reg(OperatingState) = STATE_TUNE;
    tuningForever_ = endlessTune_;
    tuneEndMs_ = endlessTune_ ? NEVER : nowMs + timing_.tuneMs;
    stageAfterTune_ = STATE_NO_POWER;
    setStatusBits(STATUS_TUNING, STATUS_TUNED);
    dropPower();
}

void TransmitterModel::finishTune() {
    const int64_t endMs = tuneEndMs_;
    tuneEndMs_ = NEVER;
    setStatusBits(STATUS_TUNED, STATUS_TUNING);
    enterStage(stageAfterTune_, endMs);
}

void TransmitterModel::enterStage(int state, int64_t nowMs) {
    reg(OperatingState) = static_cast<uint8_t>(state);
    rampTarget_ = powerTarget(state);
    if (rampTarget_ == 0) {
        dropPower();
    } else if (reg(PowerLevel) != rampTarget_) {
        setStatusBits(STATUS_RAMPING, 0);
        nextRampMs_ = nowMs + timing_.rampStepMs;
    }
}

void TransmitterModel::stepPower() {
    const int level = reg(PowerLevel);
    if (level != rampTarget_) {
        reg(PowerLevel) = static_cast<uint8_t>(level < rampTarget_ ? level + 1 : level - 1);
    }
    if (reg(PowerLevel) == rampTarget_) {
        setStatusBits(0, STATUS_RAMPING);
        nextRampMs_ = NEVER;
    } else {
        nextRampMs_ += timing_.rampStepMs;
    }
}

void TransmitterModel::dropPower() {
    reg(PowerLevel) = 0;
    rampTarget_ = 0;
    nextRampMs_ = NEVER;
    setStatusBits(0, STATUS_RAMPING);
}

void TransmitterModel::setStatusBits(int set, int clear) {
    reg(StatusRegister) = static_cast<uint8_t>((reg(StatusRegister) & ~clear) | set);
}

void TransmitterModel::emit(uint8_t lineByte, Bytes& out) const {
    if (!silent_) {
        out.push_back(lineByte);
    }
}

void TransmitterModel::report(int r, Bytes& out) const {
    emit(lineByteFor(r, regs_[static_cast<size_t>(r)]), out);
}

void TransmitterModel::reportDifferences(const Registers& seen, Bytes& out) const {
    for (int r = 0; r < REGISTER_COUNT; ++r) {
        if (regs_[static_cast<size_t>(r)] != seen[static_cast<size_t>(r)]) {
            report(r, out);
        }
    }
}

void TransmitterModel::reportRound(Bytes& out) {
    // Status every round keeps the program's watchdog quiet; two more registers in turn.
    report(StatusRegister, out);
    for (int i = 0; i < 2; ++i) {
        report(rotation_, out);
        rotation_ = (rotation_ + 1) % StatusRegister;
    }
}

} // namespace trxsim

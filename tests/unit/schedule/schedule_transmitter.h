// A transmitter behind the schedule's engine operations, shared by the runner's tests natively
// and under Wine: on air on 07,12345 MHz at 1000 W; each write queued, then, when the test
// lets the line carry them, echoed and reported as trxsim does.
#ifndef TRXDESK_TESTS_SCHEDULE_TRANSMITTER_H
#define TRXDESK_TESTS_SCHEDULE_TRANSMITTER_H

#include "schedule/schedule_engine.h"

#include <initializer_list>
#include <vector>

namespace trx {

struct FakeTransmitter : ScheduleEngine {
    RegisterMirror m;
    std::vector<LineWrite> queued;
    uint32_t sequence = 0;
    int keeps = -1; // a register whose new value the transmitter reports back unchanged

    FakeTransmitter() {
        const int start[REGISTER_COUNT] = {0,           0, 7, 1, 2, 3, 4, 5,
                                           STATE_P1000, 0, 1, 1, 0, 0, 7, STATUS_READY};
        for (int r = 0; r < REGISTER_COUNT; ++r) {
            m[r] = static_cast<uint8_t>(start[r]);
        }
    }
    CommandResult queue(std::initializer_list<RegisterWrite> writes,
                        SourceKind kind = SourceKind::Schedule) {
        for (const RegisterWrite& w : writes) {
            LineWrite line;
            line.address = w.address;
            line.value = w.value;
            line.sequence = ++sequence;
            line.source.kind = kind;
            queued.push_back(line);
        }
        return CommandResult{Refusal::None, sequence};
    }
    CommandResult requestStandby(const CommandSource& s) override {
        return queue({{OperatingState, STATE_STANDBY}}, s.kind);
    }
    CommandResult enterFrequency(const std::array<int, FREQUENCY_DIGIT_COUNT>& d, int,
                                 const CommandSource& s) override {
        return queue({{OperatingState, STATE_STANDBY},
                      {1, d[0]},
                      {2, d[1]},
                      {3, d[2]},
                      {4, d[3]},
                      {5, d[4]},
                      {6, d[5]},
                      {7, d[6]}},
                     s.kind);
    }
    CommandResult sendPreset(int index, const CommandSource& s) override {
        const auto w = presetRegisters(index);
        return queue({w[0], w[1], w[2]}, s.kind);
    }
    CommandResult selectProgram(int program, const CommandSource& s) override {
        return queue({{ProgramNumber, program}}, s.kind);
    }
    CommandResult selectAntenna(int antenna, const CommandSource& s) override {
        return queue({{Antenna, antenna}}, s.kind);
    }
    CommandResult requestState(int state, const CommandSource& s) override {
        return queue({{OperatingState, state}}, s.kind);
    }
    bool linkAlive() const override { return true; }
    const RegisterMirror& mirror() const override { return m; }
    std::array<RegisterWrite, 3> presetRegisters(int index) const override {
        return {RegisterWrite{EmissionMode, index + 1}, {ChannelA, 1}, {ChannelB, 0}};
    }

    void report(LineListener& listener, int address, int value) {
        const int previous = m[address];
        m[address] = static_cast<uint8_t>(value);
        listener.reported(address, previous, m);
    }
    // The line carries every queued write to `listener`, echoed and reported (a tune ends at
    // once); `afterEach` runs after each write's reports.
    template <typename AfterEach> void carry(LineListener& listener, AfterEach afterEach) {
        while (!queued.empty()) {
            const LineWrite w = queued.front();
            queued.erase(queued.begin());
            listener.writeSent(w, m);
            const int previous = m[w.address];
            listener.writeEchoed(w, m);
            report(listener, w.address, w.value);
            if (w.address == keeps) {
                report(listener, w.address, previous);
            } else if (w.address == OperatingState && w.value == STATE_TUNE) {
                report(listener, OperatingState, STATE_NO_POWER);
            }
            report(listener, StatusRegister, m[StatusRegister]);
            afterEach();
        }
    }
};

} // namespace trx

#endif

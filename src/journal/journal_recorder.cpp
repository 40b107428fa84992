#include "journal/journal_recorder.h"

#include "journal/journal_event_text.h"

#include <cstdio>
#include <cstring>

namespace trx {

namespace {

int fieldOf(int registerValue) {
    return registerValue == NOT_REPORTED ? NO_FIELD : registerValue;
}

JournalSource sourceOf(SourceKind kind) {
    switch (kind) {
    case SourceKind::Panel:
        return JournalSource::Panel;
    case SourceKind::Control:
        return JournalSource::Control;
    case SourceKind::Schedule:
        return JournalSource::Schedule;
    case SourceKind::Program:
        break;
    }
    return JournalSource::Program;
}

} // namespace

JournalRecord JournalRecorder::record(JournalEvent event, JournalSource source, const char* text) {
    JournalRecord r;
    r.time = clock_.now();
    r.event = event;
    r.source = source;
    snprintf(r.text, sizeof r.text, "%s", text);
    return r;
}

void JournalRecorder::started(const char* version, const char* connection) {
    char text[JOURNAL_TEXT_SIZE];
    snprintf(text, sizeof text, "TRXDESK %s, %s", version, connection);
    JournalRecord r = record(JournalEvent::Start, JournalSource::Program, text);
    put(r);
}

void JournalRecorder::ended(Ending how) {
    writeFrequency();
    JournalRecord r = record(JournalEvent::End, JournalSource::Program,
                             how == Ending::Closed ? "geschlossen" : "Abmeldung");
    put(r);
}

void JournalRecorder::portChanged(const char* text) {
    JournalRecord r = record(JournalEvent::Port, JournalSource::Program, text);
    put(r);
}

void JournalRecorder::folderChanged(const char* text) {
    JournalRecord r = record(JournalEvent::Journal, JournalSource::Program, text);
    put(r);
}

void JournalRecorder::controlPortEvent(const char* text) {
    JournalRecord r = record(JournalEvent::ControlPort, JournalSource::Program, text);
    r.origin = JournalOrigin::ControlPort;
    put(r);
}

void JournalRecorder::scheduleEvent(const char* text) {
    JournalRecord r = record(JournalEvent::Schedule, JournalSource::Schedule, text);
    put(r);
}

void JournalRecorder::commandRefused(const CommandSource& source, const char* text) {
    JournalRecord r = record(JournalEvent::Command, sourceOf(source.kind), text);
    r.origin = JournalOrigin::ControlPort;
    snprintf(r.client, sizeof r.client, "%.*s", CLIENT_NAME_SIZE - 1, source.client);
    put(r);
}

void JournalRecorder::linkUp(const RegisterMirror&) {
    JournalRecord r = record(JournalEvent::Link, JournalSource::Program, "hergestellt");
    if (linkLostBefore_) {
        r.durationMs = r.time.utcMs - linkLostAt_;
    }
    put(r);
}

void JournalRecorder::linkLost(const RegisterMirror&) {
    cutFrequency();
    JournalRecord r = record(JournalEvent::Link, JournalSource::Program, "verloren");
    linkLostBefore_ = true;
    linkLostAt_ = r.time.utcMs;
    put(r);
    endAlarmUnknown(ALARM_END_UNKNOWN);
}

// Not a loss: no "verloren", and the time until the link is back is no outage.
void JournalRecorder::portReopened(const RegisterMirror&) {
    cutFrequency();
    linkLostBefore_ = false;
    JournalRecord r = record(JournalEvent::Port, JournalSource::Panel, PORT_REOPENED_TEXT);
    put(r);
    endAlarmUnknown(ALARM_END_REOPENED);
}

// Whether an open alarm ended is not known: it ends here, so that the next one, after the
// link is back, is timed from its own start.
void JournalRecorder::endAlarmUnknown(const char* text) {
    if (alarmOn_) {
        JournalRecord end = record(JournalEvent::Alarm, JournalSource::Program, text);
        end.durationMs = end.time.utcMs - alarmRaisedAt_;
        alarmOn_ = false;
        put(end);
    }
}

void JournalRecorder::reported(int address, int previous, const RegisterMirror& registers) {
    if (address < 0 || address >= REGISTER_COUNT) {
        return;
    }
    if (address >= FrequencyDigit1 && address <= FrequencyDigit7) {
        frequencyDigit(address, previous, registers);
        return;
    }
    if (registers[address] == previous) {
        return;
    }
    const int value = registers[address];
    JournalRecord r = record(JournalEvent::Report, JournalSource::Transmitter, "");
    r.address = address;
    r.previous = fieldOf(previous);
    r.value = value;
    reportText(address, value, registers, settings_.antennaNames, r.text, sizeof r.text);
    put(r);
}

void JournalRecorder::writeSent(const LineWrite& write, const RegisterMirror& registers) {
    JournalRecord r = record(JournalEvent::Command, sourceOf(write.source.kind), "");
    snprintf(r.client, sizeof r.client, "%.*s", CLIENT_NAME_SIZE - 1, write.source.client);
    r.address = write.address;
    r.previous = fieldOf(registers[write.address & 0x0F]);
    r.value = write.value;
    commandText(write.address, write.value, registers, settings_.antennaNames, r.text,
                sizeof r.text);
    put(r);
}

void JournalRecorder::echoMissing(const LineWrite& write, const RegisterMirror&) {
    JournalRecord r = record(JournalEvent::Echo, JournalSource::Program, "fehlt");
    r.address = write.address;
    r.value = write.value;
    put(r);
}

void JournalRecorder::alarmRaised(const RegisterMirror&) {
    JournalRecord r = record(JournalEvent::Alarm, JournalSource::Transmitter, "ein");
    if (!alarmOn_) {
        alarmOn_ = true;
        alarmRaisedAt_ = r.time.utcMs;
    }
    put(r);
}

void JournalRecorder::alarmCleared(const RegisterMirror&) {
    JournalRecord r = record(JournalEvent::Alarm, JournalSource::Transmitter, "aus");
    if (alarmOn_) {
        r.durationMs = r.time.utcMs - alarmRaisedAt_;
        alarmOn_ = false;
    }
    put(r);
}

void JournalRecorder::frequencyDigit(int address, int previous, const RegisterMirror& registers) {
    const unsigned bit = 1u << (address - FrequencyDigit1);
    if (frequency_.seen & bit) {
        writeFrequency(); // the same digit again: a new change begins
    }
    if (frequency_.seen == 0) {
        RegisterMirror before = registers;
        before[address] = static_cast<uint8_t>(previous);
        formatFrequency(before, FREQUENCY_UNKNOWN[0], frequency_.before, sizeof frequency_.before);
    }
    frequency_.seen |= bit;
    frequency_.changed = frequency_.changed || registers[address] != previous;
    formatFrequency(registers, FREQUENCY_UNKNOWN[0], frequency_.after, sizeof frequency_.after);
    frequency_.lastDigit = clock_.now();
    if (frequency_.seen == (1u << FREQUENCY_DIGIT_COUNT) - 1) {
        writeFrequency();
    }
}

// One Meldung line with the whole new frequency, and the one before it where it was known.
void JournalRecorder::writeFrequency() {
    const FrequencyChange change = frequency_;
    frequency_ = {};
    // Only a whole frequency: a digit register that holds none leaves the display unknown.
    if (change.seen == 0 || !change.changed || strcmp(change.before, change.after) == 0 ||
        strchr(change.after, FREQUENCY_UNKNOWN[0]) != nullptr) {
        return;
    }
    JournalRecord r = record(JournalEvent::Report, JournalSource::Transmitter, "");
    r.time = change.lastDigit;
    if (strchr(change.before, FREQUENCY_UNKNOWN[0]) != nullptr) { // not known before
        snprintf(r.text, sizeof r.text, "Frequenz %s", change.after);
    } else {
        snprintf(r.text, sizeof r.text, "Frequenz %s (vorher %s)", change.after, change.before);
    }
    put(r);
}

void JournalRecorder::settle() {
    if (frequencyPending() &&
        clock_.now().utcMs - frequency_.lastDigit.utcMs >= FREQUENCY_SETTLE_MS) {
        writeFrequency();
    }
}

void JournalRecorder::cutFrequency() {
    settle(); // a change that had settled before the loss was whole
    const bool cut = frequencyPending() && frequency_.changed;
    frequency_ = {};
    if (cut) {
        JournalRecord r =
            record(JournalEvent::Report, JournalSource::Transmitter, FREQUENCY_CUT_TEXT);
        put(r);
    }
}

} // namespace trx

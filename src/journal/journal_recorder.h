// What the operating journal records: the engine's announcements and the program's own
// events, turned into journal records with their durations. It reads the registers only as
// each announcement carries them.
#ifndef TRXDESK_JOURNAL_RULES_H
#define TRXDESK_JOURNAL_RULES_H

#include "journal/journal_record.h"
#include "protocol/line_listener.h"
#include "protocol/register_mirror.h"
#include "protocol/settings.h"

namespace trx {

// The Alarm line of an alarm that was on when the link was lost; its Dauer is the time until
// then.
constexpr char ALARM_END_UNKNOWN[] = "Ende unbekannt (Verbindung verloren)";
constexpr char ALARM_END_REOPENED[] = "Ende unbekannt (Port neu geöffnet)";
// The operator's OK in the settings reopened the port: a Port line, not a lost link.
constexpr char PORT_REOPENED_TEXT[] = "neu geöffnet";
// A frequency change whose digits stopped coming because the link went: no half frequency.
constexpr char FREQUENCY_CUT_TEXT[] = "Frequenzänderung unvollständig (Verbindung verloren)";
// The frequency digits of one change arrive one by one, other reports among them; the change
// is one line once every digit register has reported, one reports again, or none has come
// for this long.
constexpr int64_t FREQUENCY_SETTLE_MS = 1000;

// Where the records go (the writer, or a test's list).
class JournalSink {
  public:
    virtual ~JournalSink() = default;
    virtual void put(const JournalRecord& record) = 0;
};

class JournalRecorder final : public LineListener {
  public:
    // `settings` gives the antenna names; all three must outlive the recorder.
    JournalRecorder(JournalClock& clock, JournalSink& sink, const Settings& settings)
        : clock_(clock), sink_(sink), settings_(settings) {}

    // The program's own events. `connection` is the status bar's connection text.
    void started(const char* version, const char* connection);
    enum class Ending { Closed, SessionEnd };
    void ended(Ending how);
    // A port that failed to open (the message the operator saw) or a new connection.
    void portChanged(const char* text);
    // The journal moved to another folder: a line at each end, so that one leads to the other.
    void folderChanged(const char* text);
    // The control port: its opening and its clients (a Steuerport line of the program), and
    // a client's command that put nothing on the line (a Befehl line of that client).
    void controlPortEvent(const char* text);
    void commandRefused(const CommandSource& source, const char* text);
    // The season schedule's own doings: a Sendeplan line of the schedule.
    void scheduleEvent(const char* text);

    void linkUp(const RegisterMirror& registers) override;
    void linkLost(const RegisterMirror& registers) override;
    void portReopened(const RegisterMirror& registers) override;
    void reported(int address, int previous, const RegisterMirror& registers) override;
    void writeSent(const LineWrite& write, const RegisterMirror& registers) override;
    void echoMissing(const LineWrite& write, const RegisterMirror& registers) override;
    void alarmRaised(const RegisterMirror& registers) override;
    void alarmCleared(const RegisterMirror& registers) override;

    // A frequency change still waiting for its digits: true while one is.
    bool frequencyPending() const { return frequency_.seen != 0; }
    // Writes the waiting frequency change once its digits have settled.
    void settle();

  private:
    // The digits of one frequency change as they arrive.
    struct FrequencyChange {
        unsigned seen = 0;                     // digit registers reported, bit 0: register 1
        bool changed = false;                  // any of them with a new value
        char before[FREQUENCY_TEXT_SIZE] = {}; // the display before the change
        char after[FREQUENCY_TEXT_SIZE] = {};  // and as the last digit left it
        JournalTime lastDigit;
    };
    void frequencyDigit(int address, int previous, const RegisterMirror& registers);
    void writeFrequency();
    void cutFrequency();
    void endAlarmUnknown(const char* text);
    JournalRecord record(JournalEvent event, JournalSource source, const char* text);
    void put(JournalRecord& r) { sink_.put(r); }

    JournalClock& clock_;
    JournalSink& sink_;
    const Settings& settings_;
    bool linkLostBefore_ = false;
    int64_t linkLostAt_ = 0;
    bool alarmOn_ = false;
    int64_t alarmRaisedAt_ = 0;
    FrequencyChange frequency_;
};

} // namespace trx

#endif

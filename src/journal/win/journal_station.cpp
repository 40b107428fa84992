#include "journal/win/journal_station.h"

#include "res/resource.h"
#include "shell/connection_text.h"

namespace trx {

void JournalStation::connectionText(char* out, size_t size) const {
    formatConnectionText(serial_.portNumber(), serial_.baudRate(), out, size);
}

void JournalStation::open(HWND panel, WindowRouter& router) {
    // Lines that cannot be written show in the status bar, never in a box: a modal box
    // would stand over the display until someone came to close it.
    journal_.emplace(settings_,
                     [panel, show = showTrouble_](const char* text) { show(panel, text); });
    journal_->carryTimers(panel, router);
    // A port that did not open keeps this run's first lines; the rest go to the key in use.
    const bool failed = !failure_.empty();
    journal_->usePort(failed ? failedPort_ : serial_.portNumber());
    char connection[CONNECTION_TEXT_SIZE];
    connectionText(connection, sizeof connection);
    journal_->started(version_, connection);
    if (failed) {
        journal_->portChanged(failure_.c_str());
        journal_->usePort(serial_.portNumber());
    }
    windowSetup_.emplace(
        JournalWindowSetup{*journal_,
                           [this](HWND window) { host_.help(window, HELP_CONTEXT, IDH_JOURNAL); },
                           nullptr,
                           {}});
}

void JournalStation::close() {
    if (journal_ && !ended_) {
        ended_ = true;
        journal_->ended(JournalRecorder::Ending::Closed);
        journal_->finish();
    }
}

void JournalStation::sessionEnding() {
    if (journal_ && !ended_) {
        ended_ = true;
        journal_->ended(JournalRecorder::Ending::SessionEnd);
        journal_->finish(); // the process ends when this message returns
    }
}

void JournalStation::showJournal(HWND panel) {
    if (!windowSetup_) {
        return;
    }
    char connection[CONNECTION_TEXT_SIZE];
    connectionText(connection, sizeof connection);
    showJournalWindow(panel, *windowSetup_, settings_.title, connection);
}

void JournalStation::useFolder(const char* folder) {
    heard([&](Journal& j) { j.useFolder(folder); });
}

void JournalStation::portChanged(int portNumber, const char* connection) {
    if (journal_) {
        journal_->usePort(portNumber);
        journal_->portChanged(connection);
    }
}

void JournalStation::portFailed(int portNumber, const char* message) {
    if (!journal_) {
        failedPort_ = portNumber; // told once the journal opens
        failure_ = message;
        return;
    }
    journal_->usePort(portNumber);
    journal_->portChanged(message);
    journal_->usePort(NO_PORT);
}

void JournalStation::recordFile(char* out, size_t size) {
    if (journal_) {
        journal_->dayFile(out, size);
    } else {
        StationEvents::recordFile(out, size);
    }
}

void JournalStation::scheduleEvent(const char* text) {
    if (journal_) {
        journal_->scheduleEvent(text);
    }
}

void JournalStation::controlPortEvent(const char* text) {
    if (journal_) {
        journal_->controlPortEvent(text);
    }
}

void JournalStation::commandRefused(const CommandSource& source, const char* text) {
    if (journal_) {
        journal_->commandRefused(source, text);
    }
}

} // namespace trx

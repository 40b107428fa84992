#include "journal_companion.h"

#include "connection_text.h"
#include "panel_window.h"
#include "res/resource.h"
#include "trx_version.h"

#include <cstdio>

namespace trx {

namespace {
constexpr size_t VERSION_TEXT_SIZE = 16;
} // namespace

void JournalCompanion::connectionText(char* out, size_t size) const {
    formatConnectionText(serial_.portNumber(), serial_.baudRate(), out, size);
}

void JournalCompanion::open(HWND panel, WindowRouter& router) {
    panel_ = panel;
    // Lines that cannot be written show in the status bar, never in a box: a modal box
    // would stand over the display until someone came to close it.
    journal_.emplace(settings_, [panel](const char* text) { showJournalTrouble(panel, text); });
    journal_->carryTimers(panel, router);
    // A port that did not open keeps this run's first lines; the rest go to the key in use.
    const bool failed = !failure_.empty();
    journal_->usePort(failed ? failedPort_ : serial_.portNumber());
    char version[VERSION_TEXT_SIZE];
    snprintf(version, sizeof version, "%d.%d.%d", TRX_VERSION_MAJOR, TRX_VERSION_MINOR,
             TRX_VERSION_PATCH);
    char connection[CONNECTION_TEXT_SIZE];
    connectionText(connection, sizeof connection);
    journal_->started(version, connection);
    if (failed) {
        journal_->portChanged(failure_.c_str());
        journal_->usePort(serial_.portNumber());
    }
    panelProtocol(panel).addListener(*journal_);
    windowSetup_.emplace(
        JournalWindowSetup{*journal_,
                           [this](HWND window) { host_.help(window, HELP_CONTEXT, IDH_JOURNAL); },
                           nullptr,
                           {}});
}

void JournalCompanion::close() {
    if (journal_ && !ended_) {
        ended_ = true;
        journal_->ended(JournalRecorder::Ending::Closed);
        journal_->finish();
    }
}

void JournalCompanion::sessionEnding() {
    if (journal_ && !ended_) {
        ended_ = true;
        journal_->ended(JournalRecorder::Ending::SessionEnd);
        journal_->finish(); // the process ends when this message returns
    }
}

void JournalCompanion::showJournal(HWND panel) {
    if (!windowSetup_) {
        return;
    }
    char connection[CONNECTION_TEXT_SIZE];
    connectionText(connection, sizeof connection);
    showJournalWindow(panel, *windowSetup_, settings_.title, connection);
}

void JournalCompanion::portChanged(int portNumber, const char* connection) {
    if (journal_) {
        journal_->usePort(portNumber);
        journal_->portChanged(connection);
    }
}

void JournalCompanion::portFailed(int portNumber, const char* message) {
    if (!journal_) {
        failedPort_ = portNumber; // told once the journal opens
        failure_ = message;
        return;
    }
    journal_->usePort(portNumber);
    journal_->portChanged(message);
    journal_->usePort(NO_PORT);
}

void JournalCompanion::controlPortEvent(const char* text) {
    if (journal_) {
        journal_->controlPortEvent(text);
    }
}

void JournalCompanion::commandRefused(const CommandSource& source, const char* text) {
    if (journal_) {
        journal_->commandRefused(source, text);
    }
}

} // namespace trx

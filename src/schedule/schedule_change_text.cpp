#include "schedule/schedule_change_text.h"

#include <cstdio>

namespace trx {

namespace {

struct StepNames {
    const char* german;
    const char* word;
};
constexpr StepNames STEP_NAMES[CHANGE_STEP_COUNT] = {
    {"Bereit", "standby"},      {"Frequenz", "frequency"}, {"Taste", "preset"},
    {"Programm", "program"},    {"Antenne", "antenna"},    {"Abstimmen", "tune"},
    {"Leistungsstufe", "power"}};

} // namespace

const char* changeStepName(ChangeStep step) {
    return STEP_NAMES[static_cast<int>(step)].german;
}

const char* changeStepWord(ChangeStep step) {
    return STEP_NAMES[static_cast<int>(step)].word;
}

const char* changeFailureWord(ChangeFailure failure) {
    switch (failure) {
    case ChangeFailure::Refused:
        return "refused";
    case ChangeFailure::Rejected:
        return "rejected";
    case ChangeFailure::NoEcho:
        return "no-echo";
    case ChangeFailure::NotReported:
        return "not-reported";
    case ChangeFailure::LinkLost:
        return "link-lost";
    case ChangeFailure::None:
        break;
    }
    return "none";
}

void formatChangeFailure(ChangeFailure failure, Refusal refusal, char* text, size_t size) {
    switch (failure) {
    case ChangeFailure::Refused:
        snprintf(text, size, "abgewiesen: %s", refusalName(refusal).german);
        return;
    case ChangeFailure::Rejected:
        snprintf(text, size, "%s", "vom Sender nicht übernommen");
        return;
    case ChangeFailure::NoEcho:
        snprintf(text, size, "%s", "keine Quittung");
        return;
    case ChangeFailure::NotReported:
        snprintf(text, size, "%s", "nicht rechtzeitig gemeldet");
        return;
    case ChangeFailure::LinkLost:
        snprintf(text, size, "%s", "Verbindung verloren");
        return;
    case ChangeFailure::None:
        break;
    }
    snprintf(text, size, "%s", "");
}

} // namespace trx

#include "schedule/schedule_timeline.h"

#include <algorithm>

namespace trx {

namespace {

// An entry runs at most a day, and a change begins at most SCHEDULE_SECONDS_MAX before it: two
// days either side of now hold every occurrence that can be due or in force.
constexpr int NEAR_DAYS = 2;
// Marks older than this are forgotten; a clock set back further may repeat a change.
constexpr int MARK_DAYS = 8;
constexpr size_t MARK_CAPACITY = 512;

} // namespace

ScheduleTimeline::ScheduleTimeline(int leadSeconds)
    : leadSeconds_(std::clamp(leadSeconds, 0, SCHEDULE_SECONDS_MAX)) {}

void ScheduleTimeline::setPlan(const SchedulePlan& plan) {
    plan_ = plan;
    byBegin_.resize(plan_.entries.size());
    for (size_t i = 0; i < byBegin_.size(); ++i) {
        byBegin_[i] = static_cast<int>(i);
    }
    std::sort(byBegin_.begin(), byBegin_.end(), [&](int a, int b) {
        return plan_.entries[static_cast<size_t>(a)].beginMinute <
               plan_.entries[static_cast<size_t>(b)].beginMinute;
    });
}

const ScheduleEntry& ScheduleTimeline::entryOf(const Occurrence& occurrence) const {
    return plan_.entries[static_cast<size_t>(occurrence.entry)];
}

// Occurrences beginning on days first..last, with change times and standbys; those of the
// first day only lend their ends to the second's changes and are left out.
std::vector<Occurrence> ScheduleTimeline::laid(UtcDay first, UtcDay last) const {
    std::vector<Occurrence> all;
    for (int64_t day = int64_t{first} - 1; day <= int64_t{last} + 1; ++day) {
        const auto d = static_cast<UtcDay>(day);
        for (int index : byBegin_) {
            const ScheduleEntry& e = plan_.entries[static_cast<size_t>(index)];
            if (beginsOn(e, d)) {
                Occurrence o;
                o.entry = index;
                o.day = d;
                o.begin = UtcSeconds{d} * SECONDS_PER_DAY +
                          UtcSeconds{e.beginMinute} * SECONDS_PER_MINUTE;
                o.end = o.begin + UtcSeconds{e.minutes} * SECONDS_PER_MINUTE;
                all.push_back(o);
            }
        }
    }
    for (size_t i = 0; i < all.size(); ++i) {
        all[i].change = all[i].begin - leadSeconds_;
        if (i > 0) {
            all[i].change = std::max(all[i].change, all[i - 1].end);
        }
    }
    for (size_t i = 0; i + 1 < all.size(); ++i) {
        all[i].standbyAtEnd = all[i + 1].change != all[i].end;
    }
    if (!all.empty()) {
        all.back().standbyAtEnd = true; // nothing within a day after the last
    }
    std::erase_if(all, [&](const Occurrence& o) { return o.day < first || o.day > last; });
    return all;
}

std::vector<Occurrence> ScheduleTimeline::around(UtcSeconds now) const {
    const UtcDay today = dayOf(now);
    return laid(today - NEAR_DAYS, today + NEAR_DAYS);
}

std::vector<Occurrence> ScheduleTimeline::occurrences(UtcSeconds from, UtcSeconds to) const {
    std::vector<Occurrence> all = laid(dayOf(from) - 1, dayOf(to));
    std::erase_if(all, [&](const Occurrence& o) { return o.end <= from || o.begin >= to; });
    return all;
}

// The mark of an occurrence: the same begin, end and values.
template <typename Marks>
auto findMark(Marks& marks, const Occurrence& o, const ScheduleEntry& entry) {
    const auto [first, last] = marks.equal_range(o.begin);
    for (auto m = first; m != last; ++m) {
        if (m->second.end == o.end && sameValues(m->second.entry, entry)) {
            return m;
        }
    }
    return marks.end();
}

const ScheduleTimeline::Mark* ScheduleTimeline::markOf(const Occurrence& o) const {
    const auto m = findMark(marks_, o, entryOf(o));
    return m == marks_.end() ? nullptr : &m->second;
}

bool ScheduleTimeline::changeDone(const Occurrence& occurrence) const {
    return markOf(occurrence) != nullptr;
}

void ScheduleTimeline::markChange(const Occurrence& o, UtcSeconds now) {
    const UtcSeconds forgotten = now - UtcSeconds{MARK_DAYS} * SECONDS_PER_DAY;
    std::erase_if(marks_, [&](const auto& m) { return m.second.end < forgotten; });
    if (marks_.size() >= MARK_CAPACITY) {
        marks_.erase(marks_.begin());
    }
    marks_.emplace(o.begin, Mark{o.end, entryOf(o), false});
}

void ScheduleTimeline::markStandby(const Occurrence& o) {
    if (const auto m = findMark(marks_, o, entryOf(o)); m != marks_.end()) {
        m->second.standbyDone = true;
    }
}

void ScheduleTimeline::unmark(const Occurrence& o) {
    if (const auto m = findMark(marks_, o, entryOf(o)); m != marks_.end()) {
        marks_.erase(m);
    }
}

ScheduleStep ScheduleTimeline::take(UtcSeconds now) {
    ScheduleStep step;
    if (hand_ && now < handUntil_) {
        return step;
    }
    hand_ = false;
    const bool firstLook = !looked_;
    looked_ = true;
    const std::vector<Occurrence> near = around(now);
    for (const Occurrence& o : near) {
        if (o.change <= now && now < o.end && !changeDone(o)) {
            markChange(o, now);
            step.kind = ScheduleStep::Change;
            step.occurrence = o;
            step.midEntry = firstLook && now > o.begin;
            return step;
        }
    }
    // The plan ends what it started last, once that has ended: at its end when nothing
    // follows at once, or later when the clock skipped what followed.
    const auto last = std::find_if(near.rbegin(), near.rend(),
                                   [&](const Occurrence& o) { return changeDone(o); });
    if (last != near.rend() && last->end <= now && !markOf(*last)->standbyDone) {
        markStandby(*last);
        step.kind = ScheduleStep::Standby;
        step.occurrence = *last;
    }
    return step;
}

UtcSeconds ScheduleTimeline::nextEventTime(UtcSeconds now) const {
    if (hand_ && now < handUntil_) {
        return handUntil_;
    }
    UtcSeconds next = NO_EVENT;
    const std::vector<Occurrence> near = around(now);
    for (const Occurrence& o : near) {
        if (o.end > now && !changeDone(o)) {
            next = std::min(next, std::max(o.change, now));
        }
    }
    const auto last = std::find_if(near.rbegin(), near.rend(),
                                   [&](const Occurrence& o) { return changeDone(o); });
    if (last != near.rend() && !markOf(*last)->standbyDone) {
        next = std::min(next, std::max(last->end, now));
    }
    return next != NO_EVENT ? next : firstChangeAfter(now);
}

UtcSeconds ScheduleTimeline::firstChangeAfter(UtcSeconds now) const {
    if (plan_.entries.empty()) {
        return NO_EVENT;
    }
    for (const Occurrence& o : around(now)) {
        if (o.change > now) {
            return o.change;
        }
    }
    // Nothing near: further ahead, a week at a time.
    for (UtcDay from = dayOf(now) + NEAR_DAYS + 1; from <= dayOf(now) + LOOK_AHEAD_DAYS;
         from += DAYS_PER_WEEK) {
        const std::vector<Occurrence> ahead = laid(from, from + DAYS_PER_WEEK - 1);
        if (!ahead.empty()) {
            return ahead.front().change;
        }
    }
    return NO_EVENT;
}

void ScheduleTimeline::enterHand(UtcSeconds now) {
    hand_ = true;
    handUntil_ = firstChangeAfter(now);
}
void ScheduleTimeline::runNow(UtcSeconds now) {
    hand_ = false;
    for (const Occurrence& o : around(now)) {
        if (o.end > now) {
            unmark(o);
            return;
        }
    }
}

} // namespace trx

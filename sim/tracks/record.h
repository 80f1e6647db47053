// SPDX-License-Identifier: ISC
// What a simulation run records: the statistics behind the summary and the
// timeline, and the stamps in which they are told. Everything
// here is bounded: per-second state is folded into a fixed number of bins,
// and only the first few events and upstream changes are kept word for word.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace rwsim {

// "[0d 00:01:05]"; `day_width` pads the day count so that a run's stamps line up.
std::string format_stamp(long t, int day_width);
// Digits needed for the day count of a run of `end` seconds.
int day_width_for(long end);

// The kinds of scenario events, as the timeline tells them apart.
enum class EventClass { Channel, Visibility, Presence, Link, Store, Security, Signal };
inline constexpr std::size_t kEventClasses = 7;

// The first event of one class in a bin, and how many there were.
struct EventNote {
    std::uint32_t count = 0;
    long at = 0;
    std::string label;
};

// Channel numbers a bin can tell apart (2.4 and 5 GHz).
inline constexpr std::size_t kChannelNumbers = 200;

// One slice of the timeline. Channels, at full width (a log may hold any
// number), are -1 when the bin saw none.
struct Bin {
    std::uint32_t seconds = 0;
    std::uint32_t link_up = 0;
    std::uint32_t ra0_up = 0;
    std::int32_t ra0_first = -1, ra0_last = -1, ra0_min = -1, ra0_max = -1;
    std::int32_t up_first = -1, up_last = -1, up_min = -1, up_max = -1;
    // Every channel ra0 or the upstream was on in the bin, by number, below
    // kChannelNumbers: those between the first, last, lowest and highest too.
    std::bitset<kChannelNumbers> channels;
    std::uint32_t upstream_absent = 0;  // seconds without an upstream on the air
    std::uint32_t recoveries = 0;
    long first_recovery = -1;
    std::uint32_t reprograms = 0;
    std::uint32_t security_reprograms = 0;
    long first_security = -1;
    std::string security_text;  // the first one, as the console told it
    std::uint32_t events = 0;
    std::array<EventNote, kEventClasses> notes{};
    long daemon_at = -1;  // the bin's first daemon line
    std::string daemon_line;
    std::uint32_t mismatches = 0;  // remembered BSSID not the uplink's
    long first_mismatch = -1;
    std::string mismatch_text;  // the first one, as the console told it
};

// An upstream change and how long it took until ra0 was up again with the
// uplink connected.
struct ChangeRecord {
    long at = 0;
    std::string what;
    long took = -1;   // seconds; -1 not before the end; -2 overtaken by the next change
    int channel = 0;  // ra0's channel when it was up again
};

struct EventMark {
    long at;
    std::string label;
};

// What an upstream change was, for the reactions told apart.
enum class ChangeKind { Other, LinkDrop, ChannelMove };

// Reactions to one kind of change: those ra0 was up again after, and the
// seconds it took.
struct Reactions {
    long recovered = 0, sum = 0, worst = 0;
};

class Recorder {
public:
    static constexpr std::size_t kMaxBins = 1000;
    static constexpr std::size_t kListedChanges = 20;
    static constexpr std::size_t kLabelledEvents = 16;

    explicit Recorder(long end);

    // The state during second [t, t+1).
    void second(long t, bool link, bool ra0, int ra0_channel, int upstream_channel);
    // The same state through seconds [from, to): as second() for each of
    // them, with work bounded by the bins it spans, not by the seconds.
    void stretch(long from, long to, bool link, bool ra0, int ra0_channel, int upstream_channel);
    void recovery(long t);
    void reprogram(long t);
    // The client's security re-programmed; several settings in one second
    // count once.
    void security_reprogram(long t, const std::string& text);
    void event(long t, EventClass kind, const std::string& label);
    // Whether the bin of second `t` still wants a daemon line, and the line.
    bool wants_daemon_line(long t) const;
    void daemon_line(long t, const std::string& text);
    // An upstream change at `t`; a change still open is overtaken. Changes
    // in one second are one change.
    void change(long t, const std::string& what, ChangeKind kind = ChangeKind::Other);
    // relaywatch remembered a BSSID that is not the one the uplink joined.
    void mismatch(long t, const std::string& text);
    // Ends the run: an open change was not recovered before the end.
    void finish();

    long end() const { return end_; }
    long bin_width() const { return bin_width_; }
    const std::vector<Bin>& bins() const { return bins_; }
    const std::vector<EventMark>& event_marks() const { return marks_; }
    const std::vector<ChangeRecord>& listed_changes() const { return listed_; }

    // Seconds recorded, and of them those with the uplink connected and
    // those with ra0 up.
    long seconds = 0, link_seconds = 0, ra0_seconds = 0;
    // Seconds with ra0 up while the uplink was down.
    long ra0_alone_seconds = 0;
    // Times the remembered BSSID was found not to be the uplink's.
    long mismatches = 0;
    // Site surveys, channel settings, client security settings, events.
    long recoveries = 0, reprograms = 0, security_reprograms = 0, events = 0;
    // Upstream changes; of them those with ra0 up again before the next,
    // those overtaken by the next, and the one still open at the end.
    long changes = 0, changes_recovered = 0, changes_overtaken = 0, changes_open_at_end = 0;
    // Seconds until ra0 was up again, over the recovered changes.
    long recovery_sum = 0, recovery_max = 0;
    // Times ra0 went off the air after being up (each drops every client).
    long ra0_off_episodes = 0;
    // The reactions to link drops and to the upstream's channel moves apart.
    Reactions drops, moves;
    long first_up = -1;  // when ra0 was first up with the uplink connected
    int first_up_channel = 0;

private:
    Bin* bin_at(long t);
    void close_change(long took, int channel);

    long end_;
    long bin_width_;
    std::vector<Bin> bins_;
    std::vector<EventMark> marks_;
    std::vector<ChangeRecord> listed_;
    long last_security_ = -1;
    bool change_open_ = false;
    bool ra0_up_ = false;
    ChangeKind open_kind_ = ChangeKind::Other;
    ChangeRecord open_;
};

}  // namespace rwsim

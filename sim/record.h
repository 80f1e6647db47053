// What a simulation run records: the console with its virtual-time stamps,
// and the statistics behind the summary and the timeline. Everything here is
// bounded: per-second state is folded into a fixed number of bins, and only
// the first few events and upstream changes are kept word for word.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// "[0d 00:01:05]"; `day_width` pads the day count so that a run's stamps line up.
std::string format_stamp(long t, int day_width);
// "45s", "15m", "2h 5m 3s", "30d".
std::string format_duration(long seconds);
// Digits needed for the day count of a run of `end` seconds.
int day_width_for(long end);

class Recorder;

// Standard output of the simulated router: the daemon's text cut into lines,
// each behind the virtual time at which it began, and the simulator's own
// lines marked with "== ". Nothing is written or kept when quiet, and
// nothing after the end time.
class Console {
public:
    Console(std::ostream* out, long end);  // out null: quiet

    void set_clock(const long* now) { now_ = now; }
    // The recorder that keeps a daemon line for each slice of the timeline.
    void set_recorder(Recorder* recorder) { recorder_ = recorder; }
    // Every line of the daemon is also appended here, whole.
    void set_transcript(std::vector<std::string>* lines) { transcript_ = lines; }
    bool quiet() const { return out_ == nullptr; }

    void daemon_text(const char* text, std::size_t len);
    void sim_line(const std::string& text);
    // Writes out a line the daemon left without its line end.
    void flush_partial();

private:
    bool open() const { return out_ != nullptr && *now_ < end_; }

    std::ostream* out_;
    long end_;
    int day_width_;
    const long* now_ = nullptr;
    Recorder* recorder_ = nullptr;
    std::vector<std::string>* transcript_ = nullptr;
    std::string partial_;
    long partial_at_ = 0;
};

// The kinds of scenario events, as the timeline tells them apart.
enum class EventClass { Channel, Visibility, Presence, Link, Store, Security, Signal };
inline constexpr std::size_t kEventClasses = 7;

// The first event of one class in a bin, and how many there were.
struct EventNote {
    std::uint32_t count = 0;
    long at = 0;
    std::string label;
};

// One slice of the timeline. Channels are -1 when the bin saw none.
struct Bin {
    std::uint32_t seconds = 0;
    std::uint32_t link_up = 0;
    std::uint32_t ra0_up = 0;
    std::int16_t ra0_first = -1, ra0_last = -1, ra0_min = -1, ra0_max = -1;
    std::int16_t up_first = -1, up_last = -1, up_min = -1, up_max = -1;
    std::uint32_t upstream_absent = 0;  // seconds without an upstream on the air
    std::uint32_t recoveries = 0;
    long first_recovery = -1;
    std::uint32_t reprograms = 0;
    std::uint32_t security_reprograms = 0;
    long first_security = -1;
    std::string security_text;             // the first one, as the console told it
    std::uint32_t events = 0;
    std::array<EventNote, kEventClasses> notes{};
    long daemon_at = -1;                   // the bin's first daemon line
    std::string daemon_line;
};

// An upstream change and how long it took until ra0 was up again with the
// uplink connected.
struct ChangeRecord {
    long at = 0;
    std::string what;
    long took = -1;       // seconds; -1 not before the end; -2 overtaken by the next change
    int channel = 0;      // ra0's channel when it was up again
};

struct EventMark {
    long at;
    std::string label;
};

class Recorder {
public:
    static constexpr std::size_t kMaxBins = 1000;
    static constexpr std::size_t kListedChanges = 20;
    static constexpr std::size_t kLabelledEvents = 16;

    explicit Recorder(long end);

    // The state during second [t, t+1).
    void second(long t, bool link, bool ra0, int ra0_channel, int upstream_channel);
    void recovery(long t);
    void reprogram(long t);
    // The client's security re-programmed; several settings in one second
    // count once.
    void security_reprogram(long t, const std::string& text);
    void event(long t, EventClass kind, const std::string& label);
    // Whether the bin of second `t` still wants a daemon line, and the line.
    bool wants_daemon_line(long t) const;
    void daemon_line(long t, const std::string& text);
    // An upstream change at `t`; a change still open is overtaken.
    void change(long t, const std::string& what);
    // Ends the run: an open change was not recovered before the end.
    void finish();

    long end() const { return end_; }
    long bin_width() const { return bin_width_; }
    const std::vector<Bin>& bins() const { return bins_; }
    const std::vector<EventMark>& event_marks() const { return marks_; }
    const std::vector<ChangeRecord>& listed_changes() const { return listed_; }

    long seconds = 0;
    long link_seconds = 0;
    long ra0_seconds = 0;
    long recoveries = 0;
    long reprograms = 0;
    long security_reprograms = 0;
    long events = 0;
    long changes = 0;
    long changes_recovered = 0;
    long changes_overtaken = 0;
    long changes_open_at_end = 0;
    long recovery_sum = 0;
    long recovery_max = 0;
    long first_up = -1;        // when ra0 was first up with the uplink connected
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
    ChangeRecord open_;
};

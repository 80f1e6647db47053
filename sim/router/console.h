// SPDX-License-Identifier: ISC
// The console of a simulation run.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace rwsim {

class Recorder;
struct SyslogOut;

// Standard output of the simulated router: the daemon's text cut into lines,
// each behind the virtual time at which it began, and the simulator's own
// lines marked with "== ". Nothing is written or kept when quiet, and
// nothing after the end time.
class Console {
public:
    Console(std::ostream* out, long end);  // out null: quiet

    void set_clock(const long* now) { now_ = now; }
    // The recorder that keeps a daemon line for each slice of the timeline
    // (the debug window's lines, which tell nothing there, left out).
    void set_recorder(Recorder* recorder) { recorder_ = recorder; }
    // Every line of the daemon is also appended here, whole.
    void set_transcript(std::vector<std::string>* lines) { transcript_ = lines; }
    // Every line of the daemon before the end is also written to this log.
    void set_syslog(const SyslogOut* log) { syslog_ = log; }
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
    const SyslogOut* syslog_ = nullptr;
    std::string partial_;
    long partial_at_ = 0;
};

}  // namespace rwsim

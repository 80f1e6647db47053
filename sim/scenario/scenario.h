// SPDX-License-Identifier: ISC
// A relaywatch-sim scenario: the router's store, the access points on the
// air, the radio's start channel, timed events and the end time, read from a
// plain-text file (format: docs/simulator.md, "Scenario files").
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sim/scenario/air.h"
#include "sim/scenario/event.h"

namespace rwsim {

enum class RandomKind { Move, Hide, LinkDown, Outage };

// Random events from a fixed seed, generated as the clock runs.
struct RandomSpec {
    bool enabled = false;
    int line = 0;
    std::uint64_t seed = 0;
    long min_gap = 0;
    long max_gap = 0;
    std::vector<int> aps;       // which access points the events touch
    std::vector<int> channels;  // where moves go
    std::vector<RandomKind> kinds;
};

struct Scenario {
    std::string file;
    std::string name;
    long end = 0;                   // 0: not given
    std::vector<std::string> args;  // the daemon's looptime sleeptime [debug]
    int start_channel = 1;
    long connect_delay = 3;
    std::map<std::string, std::string> store;
    std::vector<AccessPoint> aps;
    std::vector<Event> events;  // sorted by time; file order within a second
    RandomSpec random;
};

// A fault in a scenario file: which file, which line (0: the file as a
// whole), and what is wrong. what() reads "FILE:LINE: MESSAGE".
class ScenarioError : public std::runtime_error {
public:
    ScenarioError(std::string file, int line, const std::string& message);
    const std::string& file() const { return file_; }
    int line() const { return line_; }
    const std::string& message() const { return message_; }

private:
    std::string file_;
    int line_;
    std::string message_;
};

// The largest scenario file the simulator reads.
inline constexpr std::size_t kMaxScenarioBytes = std::size_t{1024} * 1024;

// Parses scenario text; `file` names it in errors. Throws ScenarioError.
Scenario parse_scenario(std::string_view text, const std::string& file);

// Reads and parses a scenario file. Throws ScenarioError.
Scenario load_scenario(const std::string& path);

}  // namespace rwsim

// SPDX-License-Identifier: ISC
// A scenario's timed event: what happens to the air, the uplink or the
// store at one virtual second.
#pragma once

#include <string>

namespace rwsim {

enum class EventKind { Add, Remove, Move, Hide, Show, Security, Signal, LinkDown, Store };

// One timed event. Which fields count depends on the kind.
struct Event {
    long at = 0;   // virtual second
    int line = 0;  // in the scenario file; 0 for generated events
    EventKind kind = EventKind::Add;
    int ap = -1;          // index into Scenario::aps
    int channel = 0;      // Move
    std::string ext;      // Move: new extension, empty to keep it
    std::string text;     // Security: the new column; Store: the key
    std::string value;    // Store: the value
    int number = 0;       // Signal
    long duration = 0;    // LinkDown
    bool random = false;  // made by the random generator
};

}  // namespace rwsim

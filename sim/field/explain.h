// SPDX-License-Identifier: ISC
// relaywatch-sim explain TABLE [--store FILE] [--channel N] [--remembered BSSID]
//
// Why a repeater did or did not pick an access point: a captured survey
// table read line by line with relaywatch's own reader and selection, then
// relaywatch's own recovery cycle run once against that table, the store
// and the current channel, with the command lines it would run.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace rwsim {

struct ExplainOptions {
    std::string table;  // the captured table
    std::string store;  // a store file (KEY=VALUE lines); empty: the stand-in defaults
    int channel = 1;    // ra0's channel now
    bool channel_given = false;
    std::string remembered = "0";  // the daemon's remembered BSSID; "0": none yet
};

// Parses explain's arguments (after the word "explain"). False with `why`
// set for a bad command line.
bool parse_explain_args(const std::vector<std::string>& args, ExplainOptions& options, std::string& why);

// Prints the explanation. Returns the exit status: 2 when the table or
// store cannot be read or the table is empty (the reason on `err`), else 4 when relaywatch ends at
// start-up with the store, else 3 when the table is not in the layout
// relaywatch reads, else 0 when the upstream was selected and 1 when not.
int explain(const ExplainOptions& options, std::ostream& out, std::ostream& err);

// The same on a table and a store in hand (`store`: null for the stand-in
// defaults), `options.table` and `options.store` naming them; the table is
// not empty. Returns the exit status as explain() does, but never 2.
int explain_texts(const ExplainOptions& options, const std::string& table, const std::string* store, std::ostream& out);

// A store file's keys (KEY=VALUE lines), each read with the stand-in store's
// own lookup.
std::map<std::string, std::string> read_store_text(const std::string& content);

inline constexpr const char* kExplainUsage =
    "usage: relaywatch-sim explain TABLE [--store FILE] [--channel N] [--remembered BSSID]\n"
    "  TABLE               a survey table as the driver prints it (iwpriv ra0 get_site_survey), captured on a router\n"
    "  --store FILE        the router's store as KEY=VALUE lines; default: the simulator's stand-in store\n"
    "  --channel N         ra0's channel now (default 1)\n"
    "  --remembered BSSID  the BSSID relaywatch remembers from earlier surveys: six hex pairs, or 0 (default: none "
    "yet)\n"
    "exit status, the first that applies: 2 for bad input (command line, unreadable or empty table, unreadable "
    "store),\n"
    "  4 when relaywatch would not run with this store (it ends at start-up),\n"
    "  3 when the table is not in the layout relaywatch reads; else 0 when the upstream is selected, 1 when it is "
    "not\n";

}  // namespace rwsim

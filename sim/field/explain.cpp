// SPDX-License-Identifier: ISC
#include "sim/field/explain.h"

#include <map>

#include "platform/nvram_file.h"
#include "sim/capture/survey_layout.h"
#include "sim/capture/survey_read.h"
#include "sim/common/daemon_lines.h"
#include "sim/common/text.h"
#include "sim/field/explain_findings.h"
#include "sim/field/explain_network.h"
#include "sim/field/explain_rows.h"
#include "sim/field/store_keys.h"
#include "sim/router/run_context.h"
#include "sim/router/shell.h"
#include "sim/scenario/air.h"
#include "sim/scenario/default_store.h"
#include "sim/scenario/scenario_words.h"
#include "supervisor/supervisor.h"

namespace rwsim {

namespace {

constexpr std::size_t kMaxTableBytes = std::size_t{1024} * 1024;
constexpr std::size_t kMaxStoreBytes = std::size_t{64} * 1024;

// How command lines are shown, said once above them.
constexpr const char* kCommandNotation =
    "; $ a command line, whole, as is one an == line quotes; under it,\n"
    "between \xE2\x9F\xA8 \xE2\x9F\xA9, its last word as the tool receives it once the shell has removed the "
    "escaping;\n"
    "in both, a byte outside printable ASCII is %XX in hex, and % itself %25):\n";

struct RecoveryTranscript {
    std::vector<std::string> lines;  // the daemon's lines and "$ COMMAND" lines, in order
    bool ran = false;                // start-up let the link watch run
    int exit_status = 0;             // relaywatch's, when it ended at start-up
};

// relaywatch's own start-up and one recovery cycle against a router whose
// survey prints `table`, with no access point on the air: no uplink ever
// connects.
RecoveryTranscript run_recovery(const std::string& table, const std::map<std::string, std::string>& store, int channel,
                                const std::string& remembered) {
    constexpr long kEnd = 86400;
    Scenario sc;
    sc.end = kEnd;
    sc.store = store;
    sc.start_channel = channel;
    RecoveryTranscript rec;
    RouterTaps taps;
    taps.transcript = &rec.lines;
    taps.survey_text = &table;
    SimRun run(sc, kEnd, nullptr, taps);
    {
        Supervisor sv;
        const char* argv[] = {"relaywatch", "10", "0", "debug", nullptr};
        const StartupResult start = startup(4, argv, sv);
        rec.exit_status = start.exitStatus;
        if (start.runLinkWatch && linkwatch_setup(sv)) {
            sv.manual_get_BSSID.assign(remembered);
            rec.lines.clear();
            rec.ran = true;
            recovery_cycle(sv);
        }
    }
    return rec;
}

// The last word of a command line as the tool receives it, once the shell
// has removed the escaping, between brackets no byte of it can be mistaken
// for.
std::string received(std::string_view command) {
    const ShellCommand cmd = shell_split(command);
    if (!cmd.error.empty()) return "(not a command line the shell takes as it is meant: " + cmd.error + ")";
    return "\xE2\x9F\xA8" + exact_bytes(cmd.stages.back().back()) + "\xE2\x9F\xA9";
}

// One of the daemon's lines, repeated `times`: a command line whole, with
// what its tool receives under it; any other line as a message shows it.
std::string daemon_line(const std::string& line, std::size_t times) {
    const bool command = line.rfind("$ ", 0) == 0;
    const bool quotes_command = line.rfind("== ", 0) == 0;  // the simulated driver refusing a command line
    std::string text = "  " + (command || quotes_command ? exact_bytes(line) : shown_text(line));
    if (times > 1) text += "  (" + std::to_string(times) + " times)";
    if (command) text += "\n    " + received(line.substr(2));
    return text + "\n";
}

// What the store configures, as the survey compares the rows with it.
struct Configured {
    std::string ssid, bssid;  // ApCliSsid and ApCliBssid as the store holds them
    Upstream up{};            // the same, as relaywatch compares them
    BssidText remembered{};
};

// The upstream as the store configures it, and the remembered BSSID.
Configured configured(const std::map<std::string, std::string>& store, const std::string& remembered) {
    auto value = [&](const char* key) {
        auto it = store.find(key);
        return it == store.end() ? std::string() : it->second;
    };
    Configured cfg;
    cfg.ssid = value("ApCliSsid");
    cfg.bssid = value("ApCliBssid");
    cfg.up = make_upstream(cfg.ssid.c_str(), cfg.bssid.c_str());
    cfg.remembered.assign(remembered);
    return cfg;
}

// How far the rows were read, and what they held.
struct RowsRead {
    int hidden = 0;          // hidden entries collected
    int selected_line = 0;   // the upstream's line; 0 when it was not selected
    int last_line = 0;       // the last line read
    std::size_t unread = 0;  // rows after the upstream's, not read
};

// What the recovery's own lines came to.
struct RecoveryCount {
    long commands = 0;  // command lines run
    long tried = 0;     // hidden entries the radio was re-programmed for
};

// The keys of a given store that relaywatch reads and the store lacks, and
// those that come near one.
void print_store_findings(std::ostream& out, const std::map<std::string, std::string>& store) {
    const StoreKeys keys = check_store_keys(store);
    auto lacking = [&](const std::vector<std::string>& list, const char* which) {
        if (list.empty()) return;
        out << "              " << which << ":";
        for (const std::string& key : list) out << " " << key;
        out << "\n";
    };
    lacking(keys.lacking, "keys relaywatch reads that the store lacks (read as empty)");
    lacking(keys.lacking_psk,
            "the key relaywatch reads only for an own AP with a pre-shared key, which the store lacks");
    lacking(keys.lacking_wep, "keys relaywatch reads only for an own AP with WEP, which the store lacks");
    for (const std::string& finding : key_findings(store)) out << "              " << finding << "\n";
    for (const NearKey& k : keys.near) {
        out << "              " << shown_text(k.key) << " is not " << k.meant << " (it differs "
            << (k.case_only ? "only in letter case; keys are case-sensitive" : "by one character")
            << "): relaywatch does not read it\n";
    }
}

// A remembered BSSID in capitals that the table holds in small letters.
void print_remembered_case(std::ostream& out, const std::string& remembered, const std::vector<TableRead>& reads) {
    if (remembered == "0" || lower(remembered) == remembered) return;
    int exact = 0, lowered = 0;
    for (const TableRead& r : reads) {
        if (r.result != RowResult::Parsed) continue;
        if (r.row.bssid.view() == remembered) exact = r.line;
        if (lowered == 0 && r.row.bssid.view() == lower(remembered)) lowered = r.line;
    }
    if (exact == 0 && lowered > 0) {
        out << "              in capitals it matches no row: relaywatch compares it exactly, and the driver prints "
               "small letters (line "
            << lowered << " holds it so)\n";
    }
}

// The table, the store, the remembered BSSID and the channel the
// explanation stands on.
void print_header(std::ostream& out, const ExplainOptions& o, const std::map<std::string, std::string>& store,
                  const Configured& cfg, const std::vector<TableRead>& reads) {
    out << "survey table " << shown_text(o.table) << ", as relaywatch reads it\n";
    out << "  store       "
        << (o.store.empty() ? "the stand-in defaults (--store FILE for a router's)" : shown_text(o.store))
        << ": ApCliSsid " << quoted(cfg.ssid) << ", ApCliBssid ";
    if (cfg.bssid.empty()) {
        out << "none";
    } else {
        const std::string fault = bssid_fault(cfg.bssid);
        out << quoted(cfg.bssid) << " (" << (fault.empty() ? "compared as " + quoted(cfg.up.bssid.view()) : fault)
            << ")";
    }
    out << "\n";
    if (cfg.ssid.empty()) {
        out << "              ApCliSsid is empty: relaywatch takes the first row with a hidden SSID as its upstream\n";
    }
    if (!o.store.empty()) print_store_findings(out, store);
    out << "  remembered  " << (o.remembered == "0" ? std::string("none yet (\"0\")") : quoted(o.remembered)) << "\n";
    print_remembered_case(out, o.remembered, reads);
    out << "  ra0         on channel " << o.channel << (o.channel_given ? "" : " (the default; --channel N)") << "\n\n";
}

// A row read as a survey entry: collected, selected or why not, and its
// fields. Returns its selection.
Selection print_parsed_row(std::ostream& out, const TableRead& r, const Configured& cfg, bool ran, int& hidden) {
    const Selection s = select_upstream(r.row, cfg.up, cfg.remembered);
    if (r.row.ssidLen == 0) out << "collected as hidden entry " << ++hidden << (s == Selection::None ? "" : "; ");
    if (s != Selection::None) {
        out << (ran ? how_selected(s, cfg.ssid.empty())
                    : "the configured upstream's row, not selected: relaywatch ends at start-up");
    } else if (r.row.ssidLen != 0) {
        out << why_not(r.row, cfg.ssid, cfg.bssid);
    }
    out << "\n";
    if (r.leading_blanks > 0) {
        out << "        (" << r.leading_blanks
            << " leading blanks went with the heading: its columns count from here)\n";
    }
    out << "        " << row_fields(r.row) << "\n";
    return s;
}

// The table line by line, up to the row selected when start-up let the
// recovery run.
RowsRead print_rows(std::ostream& out, const std::vector<TableRead>& reads, const Configured& cfg, bool ran) {
    RowsRead rows;
    for (std::size_t i = 0; i < reads.size(); ++i) {
        const TableRead& r = reads[i];
        rows.last_line = r.line;
        out << "line " << r.line;
        if (r.heading) {
            out << ": "
                << (without_line_end(r.text).find_first_not_of(" \t\r") == std::string::npos
                        ? "blank, skipped with the heading"
                        : "heading, skipped")
                << "\n";
            continue;
        }
        if (r.continuation) out << " (read on after 255 characters)";
        out << ": ";
        if (r.result != RowResult::Parsed) {
            out << why_skipped(r) << "\n        text " << quoted(without_line_end(r.text)) << "\n";
            continue;
        }
        if (print_parsed_row(out, r, cfg, ran, rows.hidden) != Selection::None && ran) {
            rows.selected_line = r.line;
            rows.unread = reads.size() - i - 1;
            break;
        }
    }
    return rows;
}

// Where reading the table stopped.
void print_reading_end(std::ostream& out, const RowsRead& rows, bool ran) {
    if (rows.selected_line > 0) {
        out << "reading stopped at line " << rows.selected_line << ": the upstream is selected";
        if (rows.unread == 1) out << "; the row after it is not read";
        if (rows.unread > 1) out << "; the " << rows.unread << " rows after it are not read";
        out << "\n";
    } else if (ran) {
        out << "reading reached the end of the table"
            << (rows.last_line > 0 ? " after line " + std::to_string(rows.last_line) : "")
            << ": the upstream is not in it; " << rows.hidden
            << (rows.hidden == 1 ? " hidden entry" : " hidden entries") << "\n";
    }
}

// The recovery's walk over the hidden entries, from its own lines: each
// entry it names, and whether ra0 was re-programmed for it.
HiddenWalk hidden_walk(const RecoveryTranscript& rec) {
    HiddenWalk walk;
    walk.known = rec.ran;
    for (const std::string& line : rec.lines) {
        if (is_line(line, LogMsg::HiddenEntry)) walk.reprogrammed.push_back(false);
        if (is_line(line, LogMsg::ModeChanged) && !walk.reprogrammed.empty()) walk.reprogrammed.back() = true;
    }
    return walk;
}

// The recovery cycle's own lines, without the survey's, repeats folded.
RecoveryCount print_recovery(std::ostream& out, const RecoveryTranscript& rec) {
    out << "\nwhat a recovery would do (relaywatch's own cycle, its debug lines" << kCommandNotation;
    long commands = 0, tried = 0;
    for (std::size_t i = 0; i < rec.lines.size(); ++i) {
        const std::string& line = rec.lines[i];
        if (line == "$ iwpriv ra0 set SiteSurvey=1" || line == "$ iwpriv ra0 get_site_survey" ||
            is_line(line, LogMsg::Scanning)) {
            continue;
        }
        std::size_t same = 1;
        while (i + same < rec.lines.size() && rec.lines[i + same] == line) ++same;
        const bool command = line.rfind("$ ", 0) == 0;
        out << daemon_line(line, same);
        i += same - 1;
        if (command) commands += static_cast<long>(same);
        if (is_line(line, LogMsg::ModeChanged)) ++tried;
    }
    return RecoveryCount{commands, tried};
}

// What the recovery comes to.
void print_result(std::ostream& out, const RowsRead& rows, const RecoveryCount& count, bool misread) {
    const long commands = count.commands;
    // On a table out of layout the rows are misread: what relaywatch would
    // do follows from the misread fields, not from the access points.
    out << (misread ? "result, on the rows as misread: " : "result: ");
    if (rows.selected_line > 0) {
        out << (commands > 0
                    ? "re-programming with " + std::to_string(commands) + " command line" + (commands == 1 ? "" : "s")
                    : std::string("no change: the radio already matches the upstream"))
            << "\n";
    } else if (rows.hidden == 0) {
        out << "nothing to try: no upstream and no hidden access point; relaywatch pauses sleeptime seconds\n";
    } else {
        out << "hidden walk over " << rows.hidden << (rows.hidden == 1 ? " entry" : " entries")
            << ", assuming none connects (no air here): " << count.tried << " re-programmed, "
            << rows.hidden - count.tried << " passed over with the settings already in force; " << commands
            << " command line" << (commands == 1 ? "" : "s") << "\n";
    }
}

}  // namespace

std::map<std::string, std::string> read_store_text(const std::string& content) {
    std::map<std::string, std::string> store;
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t nl = content.find('\n', pos);
        std::string line = content.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? content.size() : nl + 1;
        std::size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
        std::string_view value;
        if (store_file_lookup(content, std::string_view(line).substr(0, eq), value)) store[line.substr(0, eq)] = value;
    }
    return store;
}

bool parse_explain_args(const std::vector<std::string>& args, ExplainOptions& o, std::string& why) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--store" || a == "--channel" || a == "--remembered") {
            if (i + 1 >= args.size()) {
                why = a + " needs a value";
                return false;
            }
            const std::string& v = args[++i];
            if (a == "--store") {
                o.store = v;
            } else if (a == "--remembered") {
                if (v != "0" && !is_bssid(v)) {
                    why = "bad --remembered '" + v + "' (" + std::to_string(v.size()) +
                          " characters): six hex pairs with colons as the survey prints them, e.g. 00:11:22:33:44:55, "
                          "or 0 for none";
                    return false;
                }
                o.remembered = v;
            } else {
                long ch = 0;
                if (!parse_whole(v, 3, ch) || !is_valid_channel(static_cast<int>(ch))) {
                    why = "bad --channel '" + v + "' (1-14, or a 5 GHz channel such as 36, 149)";
                    return false;
                }
                o.channel = static_cast<int>(ch);
                o.channel_given = true;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            why = "unknown option " + a;
            return false;
        } else if (o.table.empty()) {
            o.table = a;
        } else {
            why = "one table at a time ('" + a + "' after '" + o.table + "')";
            return false;
        }
    }
    if (o.table.empty()) {
        why = "no survey table given";
        return false;
    }
    return true;
}

int explain(const ExplainOptions& o, std::ostream& out, std::ostream& err) {
    auto refused = [&](const std::string& path, const std::string& why) {
        err << "relaywatch-sim explain: " << located(path, 0, why) << "\n";
        return 2;
    };
    const FileText table = read_bounded_file(o.table, kMaxTableBytes, "a survey table");
    if (!table.error.empty()) return refused(o.table, table.error);
    if (table.text.empty()) return refused(o.table, kEmptyCapture);
    FileText store_file;
    if (!o.store.empty()) {
        store_file = read_bounded_file(o.store, kMaxStoreBytes, "a store file");
        if (!store_file.error.empty()) return refused(o.store, store_file.error);
    }
    return explain_texts(o, table.text, o.store.empty() ? nullptr : &store_file.text, out);
}

int explain_texts(const ExplainOptions& o, const std::string& table_text, const std::string* store_text,
                  std::ostream& out) {
    const std::map<std::string, std::string> store = store_text ? read_store_text(*store_text) : default_store();
    const Configured cfg = configured(store, o.remembered);
    const std::vector<TableRead> reads = read_survey_text(table_text);
    const RecoveryTranscript rec = run_recovery(table_text, store, o.channel, o.remembered);

    print_header(out, o, store, cfg, reads);
    if (!rec.ran) {
        out << "relaywatch at start-up with this store (its own lines" << kCommandNotation;
        for (const std::string& line : rec.lines) out << daemon_line(line, 1);
        out << "  exit status " << rec.exit_status << ": it never surveys, so no row below is selected\n\n";
    }
    for (const auto& finding : {bssid_case_finding(reads, cfg.bssid), capture_end_finding(table_text)})
        if (finding) out << *finding << "\n";
    const LayoutFinding layout = check_layout(reads);
    for (std::size_t i = 0; i < layout.lines.size(); ++i)
        out << (i == 0 ? "layout: " : "        ") << shown_text(layout.lines[i]) << "\n";
    if (!layout.lines.empty()) out << "the lines as relaywatch reads them all the same:\n";
    const RowsRead rows = print_rows(out, reads, cfg, rec.ran);
    print_reading_end(out, rows, rec.ran);
    // On rows misread, what would pin one of them is misread too.
    if (rec.ran && layout.lines.empty()) print_network(out, reads, cfg.ssid, cfg.bssid, o.remembered, hidden_walk(rec));

    if (!rec.ran) {
        out << "result: relaywatch ends at start-up with this store (exit status " << rec.exit_status
            << "): no survey, no recovery\n";
        return 4;
    }
    const RecoveryCount count = print_recovery(out, rec);
    print_result(out, rows, count, !layout.lines.empty());
    if (!layout.lines.empty()) return 3;
    return rows.selected_line > 0 ? 0 : 1;
}

}  // namespace rwsim

#include "sim/field/explain.h"

#include <map>

#include "platform/nvram_file.h"
#include "sim/scenario/air.h"
#include "sim/scenario/default_store.h"
#include "sim/router/run_context.h"
#include "sim/scenario/scenario_words.h"
#include "sim/router/shell.h"
#include "sim/field/store_keys.h"
#include "sim/capture/survey_layout.h"
#include "sim/capture/survey_read.h"
#include "sim/common/text.h"
#include "supervisor/supervisor.h"

namespace rwsim {

namespace {

constexpr std::size_t kMaxTableBytes = 1024 * 1024;
constexpr std::size_t kMaxStoreBytes = 64 * 1024;

// How command lines are shown, said once above them.
constexpr const char* kCommandNotation =
    "; $ a command line, whole, as is one an == line quotes; under it,\n"
    "between \xE2\x9F\xA8 \xE2\x9F\xA9, its last word as the tool receives it once the shell has removed the escaping;\n"
    "in both, a byte outside printable ASCII is %XX in hex, and % itself %25):\n";

// A field as the reader took it, in quotes, non-printable bytes escaped.
std::string quoted(std::string_view text) {
    std::string out = "\"";  // appended piecewise: GCC 12 at -O3 warns falsely on "..." + string
    out += shown_text(text);
    out += '"';
    return out;
}

std::string without_line_end(const std::string& text) {
    return !text.empty() && text.back() == '\n' ? text.substr(0, text.size() - 1) : text;
}

// The store file's keys, each read with the stand-in store's own lookup.
std::map<std::string, std::string> read_store(const std::string& content) {
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

// A column of a row's text.
std::string column(const std::string& text, SurveyColumn c) { return text.substr(c.first, c.width); }

std::string why_skipped(const TableRead& r) {
    const std::string text = without_line_end(r.text);
    switch (r.result) {
        case RowResult::TooShort: return "skipped: too short (fewer than 2 characters, line end included)";
        case RowResult::AdHoc: return "skipped: an ad hoc network (network type \"Ad\"), neither collected nor selected";
        case RowResult::CutOff:
            return "skipped: cut off before its network type (" + std::to_string(text.size()) + " characters; a row needs " +
                   std::to_string(row_layout::kMinRowLength) + ")";
        case RowResult::NoChannel:
            return "skipped: channel 0 or less (the channel column reads " + quoted(column(text, row_layout::kChannel)) + ")";
        case RowResult::BadSsidLen:
            return "skipped: SSID length outside 0.." + std::to_string(row_layout::kMaxSsidLen) + " (its column reads " +
                   quoted(column(text, row_layout::kSsidLen)) + ")";
        case RowResult::NoBssid: return "skipped: no BSSID (its column is blank)";
        case RowResult::Parsed: break;
    }
    return "";
}

std::string how_selected(Selection s, bool empty_ssid) {
    if (s == Selection::BySsid && empty_ssid) {
        return "selected by SSID, the first hidden row: its empty SSID equals the empty ApCliSsid; relaywatch remembers "
               "its BSSID";
    }
    switch (s) {
        case Selection::BySsid: return "selected by SSID (no BSSID configured): relaywatch remembers its BSSID";
        case Selection::BySsidAndBssid: return "selected by SSID and the configured BSSID";
        case Selection::ByConfiguredBssid: return "selected by the configured BSSID (its SSID hidden)";
        case Selection::ByRememberedBssid: return "selected by the remembered BSSID (its SSID hidden)";
        case Selection::None: break;
    }
    return "";
}

// What keeps a configured BSSID from matching any row, or "" when it is six
// hex pairs with colons.
std::string bssid_fault(std::string_view cfg) {
    if (cfg.empty() || is_bssid(cfg)) return "";
    const std::string n = std::to_string(cfg.size()) + " characters";
    if (cfg.front() == ' ' || cfg.back() == ' ') {
        return std::string("has a ") + (cfg.front() == ' ' ? "leading" : "trailing") + " blank: its " + n +
               " never match a BSSID's " + std::to_string(row_layout::kBssid.width);
    }
    return "is not six hex pairs with colons (" + n + "): it matches no row";
}

// Why a parsed row with a shown SSID is not the upstream: the difference
// itself.
std::string why_not(const SurveyEntry& row, std::string_view cfg_ssid, std::string_view cfg_bssid) {
    const std::string_view ssid = row.ssid.view();
    if (ssid == cfg_ssid) {
        const std::string fault = bssid_fault(cfg_bssid);
        if (!fault.empty()) return "not the upstream: the configured SSID, but ApCliBssid " + quoted(cfg_bssid) + " " + fault;
        if (lower(row.bssid.view()) == lower(cfg_bssid)) {
            return "not the upstream: the configured SSID, but its BSSID is printed in capitals and relaywatch compares "
                   "ApCliBssid in small letters";
        }
        return "not the upstream: the configured SSID, but not ApCliBssid " + quoted(cfg_bssid);
    }
    const std::string lengths = " (the row's is " + std::to_string(ssid.size()) + " characters, ApCliSsid " +
                                std::to_string(cfg_ssid.size()) + ")";
    const std::size_t first = cfg_ssid.find_first_not_of(' '), last = cfg_ssid.find_last_not_of(' ');
    if (first != std::string_view::npos && cfg_ssid.substr(first, last - first + 1) == ssid) {
        return std::string("not the upstream: ApCliSsid has a ") + (first > 0 ? "leading" : "trailing") +
               " blank that its SSID has not" + lengths;
    }
    if (lower(ssid) == lower(cfg_ssid)) return "not the upstream: its SSID differs from ApCliSsid only in letter case";
    const bool row_shorter = ssid.size() < cfg_ssid.size();
    if (!ssid.empty() && !cfg_ssid.empty() && (row_shorter ? cfg_ssid.substr(0, ssid.size()) == ssid : ssid.substr(0, cfg_ssid.size()) == cfg_ssid)) {
        return std::string("not the upstream: ") +
               (row_shorter ? "its SSID is the start of ApCliSsid" : "ApCliSsid is the start of its SSID") + lengths;
    }
    return "not the upstream (another SSID)";
}

std::string fields(const SurveyEntry& row) {
    std::string ssid = row.ssidLen == 0 ? "hidden (length 0)" : quoted(row.ssid.view()) + " (length " + std::to_string(row.ssidLen) + ")";
    std::string enc = row.encrypType.empty() ? "no cipher" : std::string(row.encrypType.view());
    return "channel " + std::to_string(row.channel) + ", SSID " + ssid + ", BSSID " + quoted(row.bssid.view()) +
           ", network type " + quoted(row.networkType.view()) + "\n        security " + quoted(trimmed(row.security.view())) +
           " -> " + std::string(row.authMode.view()) + " with " + enc + ", extension channel " + quoted(row.extCh.view());
}

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

}  // namespace

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
                          " characters): six hex pairs with colons as the survey prints them, e.g. 00:11:22:33:44:55, or 0 for none";
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
    std::map<std::string, std::string> store = default_store();
    if (!o.store.empty()) {
        const FileText file = read_bounded_file(o.store, kMaxStoreBytes, "a store file");
        if (!file.error.empty()) return refused(o.store, file.error);
        store = read_store(file.text);
    }
    auto value = [&](const char* key) {
        auto it = store.find(key);
        return it == store.end() ? std::string() : it->second;
    };
    const std::string cfg_ssid = value("ApCliSsid"), cfg_bssid = value("ApCliBssid");
    const Upstream up = make_upstream(cfg_ssid.c_str(), cfg_bssid.c_str());
    BssidText remembered{};
    remembered.assign(o.remembered);
    const std::vector<TableRead> reads = read_survey_text(table.text);
    const RecoveryTranscript rec = run_recovery(table.text, store, o.channel, o.remembered);

    out << "survey table " << shown_text(o.table) << ", as relaywatch reads it\n";
    out << "  store       " << (o.store.empty() ? "the stand-in defaults (--store FILE for a router's)" : shown_text(o.store))
        << ": ApCliSsid " << quoted(cfg_ssid) << ", ApCliBssid ";
    if (cfg_bssid.empty()) {
        out << "none";
    } else {
        const std::string fault = bssid_fault(cfg_bssid);
        out << quoted(cfg_bssid) << " (" << (fault.empty() ? "compared as " + quoted(up.bssid.view()) : fault) << ")";
    }
    out << "\n";
    if (cfg_ssid.empty()) {
        out << "              ApCliSsid is empty: relaywatch takes the first row with a hidden SSID as its upstream\n";
    }
    if (!o.store.empty()) {
        const StoreKeys keys = check_store_keys(store);
        auto lacking = [&](const std::vector<std::string>& list, const char* which) {
            if (list.empty()) return;
            out << "              " << which << ":";
            for (const std::string& key : list) out << " " << key;
            out << "\n";
        };
        lacking(keys.lacking, "keys relaywatch reads that the store lacks (read as empty)");
        lacking(keys.lacking_psk, "the key relaywatch reads only for an own AP with a pre-shared key, which the store lacks");
        lacking(keys.lacking_wep, "keys relaywatch reads only for an own AP with WEP, which the store lacks");
        for (const NearKey& k : keys.near) {
            out << "              " << shown_text(k.key) << " is not " << k.meant << " (it differs "
                << (k.case_only ? "only in letter case; keys are case-sensitive" : "by one character")
                << "): relaywatch does not read it\n";
        }
    }
    out << "  remembered  " << (o.remembered == "0" ? std::string("none yet (\"0\")") : quoted(o.remembered)) << "\n";
    if (o.remembered != "0" && lower(o.remembered) != o.remembered) {
        int exact = 0, lowered = 0;
        for (const TableRead& r : reads) {
            if (r.result != RowResult::Parsed) continue;
            if (r.row.bssid.view() == o.remembered) exact = r.line;
            if (lowered == 0 && r.row.bssid.view() == lower(o.remembered)) lowered = r.line;
        }
        if (exact == 0 && lowered > 0) {
            out << "              in capitals it matches no row: relaywatch compares it exactly, and the driver prints "
                   "small letters (line "
                << lowered << " holds it so)\n";
        }
    }
    out << "  ra0         on channel " << o.channel << (o.channel_given ? "" : " (the default; --channel N)") << "\n\n";

    if (!rec.ran) {
        out << "relaywatch at start-up with this store (its own lines" << kCommandNotation;
        for (const std::string& line : rec.lines) out << daemon_line(line, 1);
        out << "  exit status " << rec.exit_status << ": it never surveys, so no row below is selected\n\n";
    }
    const LayoutFinding layout = check_layout(reads);
    for (std::size_t i = 0; i < layout.lines.size(); ++i) out << (i == 0 ? "layout: " : "        ") << layout.lines[i] << "\n";
    if (!layout.lines.empty()) out << "the lines as relaywatch reads them all the same:\n";

    int hidden = 0, selected_line = 0, last_line = 0;
    std::size_t stopped = reads.size();
    for (std::size_t i = 0; i < reads.size(); ++i) {
        const TableRead& r = reads[i];
        last_line = r.line;
        out << "line " << r.line;
        if (r.heading) {
            out << ": " << (without_line_end(r.text).find_first_not_of(" \t\r") == std::string::npos
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
        const Selection s = select_upstream(r.row, up, remembered);
        if (r.row.ssidLen == 0) out << "collected as hidden entry " << ++hidden << (s == Selection::None ? "" : "; ");
        if (s != Selection::None) {
            out << (rec.ran ? how_selected(s, cfg_ssid.empty())
                            : "the configured upstream's row, not selected: relaywatch ends at start-up");
        } else if (r.row.ssidLen != 0) {
            out << why_not(r.row, cfg_ssid, cfg_bssid);
        }
        out << "\n";
        if (r.leading_blanks > 0) {
            out << "        (" << r.leading_blanks << " leading blanks went with the heading: its columns count from here)\n";
        }
        out << "        " << fields(r.row) << "\n";
        if (s != Selection::None && rec.ran) {
            selected_line = r.line;
            stopped = i;
            break;
        }
    }
    if (selected_line > 0) {
        const std::size_t unread = reads.size() - stopped - 1;
        out << "reading stopped at line " << selected_line << ": the upstream is selected";
        if (unread == 1) out << "; the row after it is not read";
        if (unread > 1) out << "; the " << unread << " rows after it are not read";
        out << "\n";
    } else if (rec.ran) {
        out << "reading reached the end of the table" << (last_line > 0 ? " after line " + std::to_string(last_line) : "")
            << ": the upstream is not in it; " << hidden << (hidden == 1 ? " hidden entry" : " hidden entries") << "\n";
    }

    if (!rec.ran) {
        out << "result: relaywatch ends at start-up with this store (exit status " << rec.exit_status
            << "): no survey, no recovery\n";
        return 4;
    }
    out << "\nwhat a recovery would do (relaywatch's own cycle, its debug lines" << kCommandNotation;
    long commands = 0, tried = 0;
    for (std::size_t i = 0; i < rec.lines.size(); ++i) {
        const std::string& line = rec.lines[i];
        if (line == "$ iwpriv ra0 set SiteSurvey=1" || line == "$ iwpriv ra0 get_site_survey" ||
            line == "relaywatch: Scanning...") {
            continue;
        }
        std::size_t same = 1;
        while (i + same < rec.lines.size() && rec.lines[i + same] == line) ++same;
        const bool command = line.rfind("$ ", 0) == 0;
        out << daemon_line(line, same);
        i += same - 1;
        if (command) commands += static_cast<long>(same);
        if (line == "relaywatch: Mode is changed, apply new settings...") ++tried;
    }
    // On a table out of layout the rows are misread: what relaywatch would
    // do follows from the misread fields, not from the access points.
    out << (layout.lines.empty() ? "result: " : "result, on the rows as misread: ");
    if (selected_line > 0) {
        out << (commands > 0 ? "re-programming with " + std::to_string(commands) + " command line" + (commands == 1 ? "" : "s")
                             : std::string("no change: the radio already matches the upstream"))
            << "\n";
    } else if (hidden == 0) {
        out << "nothing to try: no upstream and no hidden access point; relaywatch pauses sleeptime seconds\n";
    } else {
        out << "hidden walk over " << hidden << (hidden == 1 ? " entry" : " entries")
            << ", assuming none connects (no air here): " << tried << " re-programmed, " << hidden - tried
            << " passed over with the settings already in force; " << commands << " command line" << (commands == 1 ? "" : "s")
            << "\n";
    }
    if (!layout.lines.empty()) return 3;
    return selected_line > 0 ? 0 : 1;
}

}  // namespace rwsim

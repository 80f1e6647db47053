#include "sim/explain.h"

#include <map>

#include "platform/nvram_file.h"
#include "sim/air.h"
#include "sim/default_store.h"
#include "sim/run_context.h"
#include "sim/survey_read.h"
#include "sim/text.h"
#include "supervisor/supervisor.h"

namespace {

constexpr std::size_t kMaxTableBytes = 1024 * 1024;
constexpr std::size_t kMaxStoreBytes = 64 * 1024;

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

std::string how_selected(Selection s) {
    switch (s) {
        case Selection::BySsid: return "selected by SSID (no BSSID configured): relaywatch remembers its BSSID";
        case Selection::BySsidAndBssid: return "selected by SSID and the configured BSSID";
        case Selection::ByConfiguredBssid: return "selected by the configured BSSID (its SSID hidden)";
        case Selection::ByRememberedBssid: return "selected by the remembered BSSID (its SSID hidden)";
        case Selection::None: break;
    }
    return "";
}

// Why a parsed row with a shown SSID is not the upstream.
std::string why_not(const SurveyEntry& row, const Upstream& up, std::string_view cfg_bssid) {
    if (row.ssid == up.ssid) {
        if (lower(row.bssid.view()) == up.bssid.view()) {
            return "not the upstream: the configured SSID, but its BSSID is printed in capitals and relaywatch compares "
                   "ApCliBssid in small letters";
        }
        return "not the upstream: the configured SSID, but not ApCliBssid " + quoted(cfg_bssid);
    }
    if (lower(row.ssid.view()) == lower(up.ssid)) return "not the upstream: its SSID differs from ApCliSsid only in letter case";
    return "not the upstream (another SSID)";
}

std::string fields(const SurveyEntry& row) {
    std::string ssid = row.ssidLen == 0 ? "hidden (length 0)" : quoted(row.ssid.view()) + " (length " + std::to_string(row.ssidLen) + ")";
    std::string enc = row.encrypType.empty() ? "no cipher" : std::string(row.encrypType.view());
    return "channel " + std::to_string(row.channel) + ", SSID " + ssid + ", BSSID " + quoted(row.bssid.view()) +
           ", network type " + quoted(row.networkType.view()) + "\n        security " + quoted(trimmed(row.security.view())) +
           " -> " + std::string(row.authMode.view()) + " with " + enc + ", extension channel " + quoted(row.extCh.view());
}

struct Recovery {
    std::vector<std::string> lines;  // the daemon's lines and "$ COMMAND" lines, in order
    bool ran = false;                // start-up let the link watch run
};

// relaywatch's own start-up and one recovery cycle against a router whose
// survey prints `table`, with no access point on the air: no uplink ever
// connects.
Recovery run_recovery(const std::string& table, const std::map<std::string, std::string>& store, int channel,
                      const std::string& remembered) {
    constexpr long kEnd = 86400;
    Scenario sc;
    sc.end = kEnd;
    sc.store = store;
    sc.start_channel = channel;
    Recovery rec;
    RouterTaps taps;
    taps.transcript = &rec.lines;
    taps.survey_text = &table;
    SimRun run(sc, kEnd, nullptr, taps);
    {
        Supervisor sv;
        const char* argv[] = {"relaywatch", "10", "0", "debug", nullptr};
        if (startup(4, argv, sv).runLinkWatch && linkwatch_setup(sv)) {
            sv.manual_get_BSSID.assign(remembered);
            rec.lines.clear();
            rec.ran = true;
            recovery_cycle(sv);
        }
    }
    return rec;
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
                if (v.empty() || v.size() > BssidText::capacity) {
                    why = "bad --remembered '" + v + "' (a BSSID as the survey prints it, at most 17 characters)";
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

    out << "survey table " << shown_text(o.table) << ", as relaywatch reads it\n";
    out << "  store       " << (o.store.empty() ? "the stand-in defaults (--store FILE for a router's)" : shown_text(o.store))
        << ": ApCliSsid " << quoted(cfg_ssid) << ", ApCliBssid "
        << (cfg_bssid.empty() ? std::string("none") : quoted(cfg_bssid) + " (compared as " + quoted(up.bssid.view()) + ")")
        << "\n";
    out << "  remembered  " << (o.remembered == "0" ? std::string("none yet (\"0\")") : quoted(o.remembered)) << "\n";
    out << "  ra0         on channel " << o.channel << (o.channel_given ? "" : " (the default; --channel N)") << "\n\n";

    const std::vector<TableRead> reads = read_survey_text(table.text);
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
            out << how_selected(s);
        } else if (r.row.ssidLen != 0) {
            out << why_not(r.row, up, cfg_bssid);
        }
        out << "\n";
        if (r.leading_blanks > 0) {
            out << "        (" << r.leading_blanks << " leading blanks went with the heading: its columns count from here)\n";
        }
        out << "        " << fields(r.row) << "\n";
        if (s != Selection::None) {
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
    } else {
        out << "reading reached the end of the table" << (last_line > 0 ? " after line " + std::to_string(last_line) : "")
            << ": the upstream is not in it; " << hidden << (hidden == 1 ? " hidden entry" : " hidden entries") << "\n";
    }

    const Recovery rec = run_recovery(table.text, store, o.channel, o.remembered);
    out << "\nwhat a recovery would do (relaywatch's own cycle, its debug lines; $ a command line):\n";
    long commands = 0, tried = 0;
    for (std::size_t i = 0; i < rec.lines.size(); ++i) {
        const std::string& line = rec.lines[i];
        if (line == "$ iwpriv ra0 set SiteSurvey=1" || line == "$ iwpriv ra0 get_site_survey" ||
            line == "relaywatch: Scanning...") {
            continue;
        }
        std::size_t same = 1;
        while (i + same < rec.lines.size() && rec.lines[i + same] == line) ++same;
        out << "  " << shown_text(line) << (same > 1 ? "  (" + std::to_string(same) + " times)" : "") << "\n";
        i += same - 1;
        if (line.rfind("$ ", 0) == 0) commands += static_cast<long>(same);
        if (line == "relaywatch: Mode is changed, apply new settings...") ++tried;
    }
    out << "result: ";
    if (!rec.ran) {
        out << "relaywatch does not reach its link watch with this store (its line above)\n";
    } else if (selected_line > 0) {
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
    return selected_line > 0 ? 0 : 1;
}

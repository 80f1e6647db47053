// SPDX-License-Identifier: ISC
#include "sim/field/explain_network.h"

#include "sim/field/explain_rows.h"
#include "survey/survey.h"

namespace rwsim {

namespace {

// A row passed over that is stronger than the one taken by this many points
// of Signal(%) is worth a look.
constexpr int kStrongerBy = 20;

// After re-programming ra0 for a hidden entry, relaywatch asks for the link
// this many times, a second apart.
constexpr int kLinkWaitSeconds = 5;

// The rows weighed, and how the survey came out on them.
struct Network {
    std::vector<const TableRead*> rows;  // the SSID's rows and the hidden ones, in table order
    const TableRead* taken = nullptr;    // the row relaywatch selects; null: none
    Selection how = Selection::None;
    int named = 0;   // rows carrying the SSID
    int hidden = 0;  // rows hiding theirs
};

Network weigh(const std::vector<TableRead>& reads, const std::string& ssid, const std::string& bssid,
              const BssidText& mem) {
    const Upstream by_name = make_upstream(ssid.c_str(), nullptr);
    const Upstream up = make_upstream(ssid.c_str(), bssid.c_str());
    Network net;
    for (const TableRead& r : reads) {
        if (r.result != RowResult::Parsed) continue;
        const Selection s = select_upstream(r.row, up, mem);
        if (net.taken == nullptr && s != Selection::None) {
            net.taken = &r;
            net.how = s;
        }
        if (r.row.ssidLen == 0) {
            ++net.hidden;
        } else if (select_upstream(r.row, by_name, BssidText{}) == Selection::BySsid) {
            ++net.named;
        } else {
            continue;
        }
        net.rows.push_back(&r);
    }
    return net;
}

std::string where(const TableRead& r) {
    return "line " + std::to_string(r.line) + ": channel " + std::to_string(r.row.channel) + ", signal " +
           std::to_string(r.row.signal) + " %, BSSID " + quoted(r.row.bssid.view()) +
           (r.row.ssidLen == 0 ? ", SSID hidden" : "");
}

// Why the row taken is taken, among the network's rows.
const char* taken_why(Selection how) {
    switch (how) {
        case Selection::BySsid: return "the first row that matches; relaywatch reads no further";
        case Selection::BySsidAndBssid:
        case Selection::ByConfiguredBssid: return "its BSSID is the configured one";
        case Selection::ByRememberedBssid: return "its BSSID is the remembered one";
        case Selection::None: break;
    }
    return "";
}

std::string plural(long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// What relaywatch does with a hidden row it does not select.
void print_hidden_row(std::ostream& out, const TableRead& r, const Network& net, const HiddenWalk& walk,
                      std::size_t entry) {
    if (net.taken != nullptr) {
        out << (r.line < net.taken->line
                    ? "collected, not tried: relaywatch walks the hidden rows only when no row "
                      "is the upstream"
                    : "not read: reading stops at the upstream's row, line " + std::to_string(net.taken->line));
        return;
    }
    out << "hidden entry " << entry + 1 << " of " << net.hidden << ", tried in table order on channel "
        << r.row.channel;
    if (entry >= walk.reprogrammed.size()) {
        if (walk.known) out << ": not tried, the walk ended before it";
    } else if (walk.reprogrammed[entry]) {
        out << ": ra0 re-programmed for it (its channel and settings set anew), then up to " << kLinkWaitSeconds
            << " s waiting for the link";
    } else {
        out << ": its settings already in force, passed over at once";
    }
}

// One row of the network: taken, or passed over and what would take it.
void print_row(std::ostream& out, const TableRead& r, const Network& net, const std::string& bssid,
               const HiddenWalk& walk, std::size_t& entry) {
    out << "  " << where(r) << "\n    ";
    if (&r == net.taken) {
        out << "taken: " << taken_why(net.how) << "\n";
        if (r.row.ssidLen == 0) ++entry;
        return;
    }
    if (r.row.ssidLen == 0) {
        print_hidden_row(out, r, net, walk, entry++);
    } else {
        out << (bssid.empty() ? "passed over: relaywatch takes the first row that matches, in table order"
                              : "passed over: its BSSID is not the configured one");
    }
    if (net.taken != nullptr && r.row.signal >= net.taken->row.signal + kStrongerBy) {
        out << "\n    " << r.row.signal - net.taken->row.signal << " points of Signal(%) stronger than line "
            << net.taken->line << " (as this one survey read them)";
    }
    out << "\n    to have relaywatch take it: ApCliBssid=" << r.row.bssid.view()
        << " (pinned, relaywatch no longer falls back to the network's other access points)\n";
}

// What the walk over the hidden rows costs when none of them connects.
void print_walk_cost(std::ostream& out, const Network& net, const HiddenWalk& walk) {
    if (net.taken != nullptr || net.hidden == 0 || !walk.known) return;
    long tried = 0;
    for (bool r : walk.reprogrammed) tried += r ? 1 : 0;
    out << "  the hidden walk, none connecting: " << plural(tried, "re-programming", "re-programmings")
        << " of ra0 and up to " << tried * kLinkWaitSeconds
        << " s waiting for links; the first entry that connects ends it\n";
}

// The remembered BSSID: what it selects in this table, and what relaywatch
// will remember for the next recovery.
void print_remembered(std::ostream& out, const std::vector<TableRead>& reads, const Network& net,
                      const std::string& remembered) {
    out << "  the remembered BSSID " << (remembered == "0" ? "(none yet)" : quoted(remembered)) << ": ";
    const TableRead* carrier = nullptr;
    for (const TableRead& r : reads) {
        if (r.result == RowResult::Parsed && remembered != "0" && r.row.bssid.view() == remembered) {
            carrier = &r;
            break;
        }
    }
    if (remembered == "0") {
        out << "selects nothing";
    } else if (carrier == nullptr) {
        out << "no row carries it, it selects nothing here";
    } else if (carrier->row.ssidLen > 0) {
        out << "line " << carrier->line << " carries it but shows its SSID; it selects only a row that hides its SSID";
    } else {
        out << "line " << carrier->line << " hides its SSID and carries it"
            << (carrier == net.taken ? ": taken by it" : ", but reading stops before it");
    }
    out << "\n    next recovery with this table: ";
    if (net.how == Selection::BySsid) {
        out << "relaywatch remembers line " << net.taken->line << "'s " << quoted(net.taken->row.bssid.view())
            << " and takes that row again; should its access point hide its SSID, relaywatch takes it by this BSSID "
               "at once, without the hidden walk\n";
    } else if (net.taken == nullptr && net.hidden > 0) {
        out << "the hidden entry that connects is remembered, and its row is taken by that BSSID at once, before "
               "the walk; while none connects the walk comes again\n";
    } else {
        out << "relaywatch keeps the remembered BSSID, and the recovery goes the same way\n";
    }
}

}  // namespace

void print_network(std::ostream& out, const std::vector<TableRead>& reads, const std::string& ssid,
                   const std::string& bssid, const std::string& remembered) {
    print_network(out, reads, ssid, bssid, remembered, HiddenWalk{});
}

void print_network(std::ostream& out, const std::vector<TableRead>& reads, const std::string& ssid,
                   const std::string& bssid, const std::string& remembered, const HiddenWalk& walk) {
    if (ssid.empty()) return;
    BssidText mem{};
    mem.assign(remembered);
    const Network net = weigh(reads, ssid, bssid, mem);
    if (net.rows.size() < 2) return;
    out << "\nthe upstream's network " << quoted(ssid) << ": "
        << (net.named == 0 ? "no row carries" : plural(net.named, "row carries", "rows carry")) << " its SSID";
    if (net.hidden > 0) {
        out << ", " << plural(net.hidden, "row hides its", "rows hide theirs")
            << " (relaywatch walks those when no row is the upstream)";
    }
    out << "\n";
    std::size_t entry = 0;
    for (const TableRead* r : net.rows) print_row(out, *r, net, bssid, walk, entry);
    print_walk_cost(out, net, walk);
    print_remembered(out, reads, net, remembered);
}

}  // namespace rwsim

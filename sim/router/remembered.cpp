// SPDX-License-Identifier: ISC
#include "sim/router/remembered.h"

#include "sim/common/text.h"

namespace rwsim {

namespace {

// "02:00:00:00:00:a1 (attic)", or the BSSID alone when no access point of
// the air has it.
std::string named_bssid(const std::string& bssid, const std::vector<AccessPoint>& aps) {
    for (const AccessPoint& ap : aps) {
        if (lower(ap.bssid) == lower(bssid)) return bssid + " (" + ap.name + ")";
    }
    return bssid;
}

}  // namespace

std::string check_remembered(RememberedWatch& watch, const std::vector<AccessPoint>& aps, int linked) {
    if (watch.daemon == nullptr) return "";
    if (watch.seen != watch.daemon) {
        watch.seen = watch.daemon;
        watch.unchecked = true;
    }
    if (!watch.unchecked || linked < 0) return "";
    watch.unchecked = false;
    const AccessPoint& ap = aps[static_cast<std::size_t>(linked)];
    if (lower(ap.bssid) == lower(watch.seen)) return "";
    return "relaywatch remembers BSSID " + named_bssid(watch.seen, aps) + ", but the uplink joined " + ap.name + " (" +
           ap.bssid + ")";
}

}  // namespace rwsim

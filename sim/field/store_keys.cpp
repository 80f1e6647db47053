// SPDX-License-Identifier: ISC
#include "sim/field/store_keys.h"

#include <string_view>

#include "radio/radio.h"
#include "sim/common/text.h"
#include "supervisor/supervisor.h"

namespace rwsim {

namespace {

// Whether `a` becomes `b` by changing, adding or removing one character.
bool one_edit(const std::string& a, const std::string& b) {
    const std::string& longer = a.size() >= b.size() ? a : b;
    const std::string& shorter = a.size() >= b.size() ? b : a;
    if (longer.size() - shorter.size() > 1) return false;
    std::size_t i = 0;
    while (i < shorter.size() && shorter[i] == longer[i]) ++i;
    const bool same = longer.size() == shorter.size();
    if (same && i == shorter.size()) return true;
    return shorter.compare(same ? i + 1 : i, std::string::npos, longer, i + 1, std::string::npos) == 0;
}

}  // namespace

StoreKeys check_store_keys(const std::map<std::string, std::string>& store) {
    StoreKeys found;
    auto check = [&](const std::string& meant, std::vector<std::string>& lacking) {
        if (store.contains(meant)) return;
        lacking.push_back(meant);
        for (const auto& [key, value] : store) {
            if (lower(key) == lower(meant)) {
                found.near.push_back({key, meant, true});
            } else if (one_edit(key, meant)) {
                found.near.push_back({key, meant, false});
            }
        }
    };
    for (std::string_view names(kSnapshotKeyNames, sizeof kSnapshotKeyNames - 1);;) {
        const std::size_t end = names.find('\0');
        check(std::string(names.substr(0, end)), found.lacking);
        if (end == std::string_view::npos) break;
        names.remove_prefix(end + 1);
    }
    for (const char* key : {kStoreOwnSsid, kStoreBandwidth}) check(key, found.lacking);
    check(kStorePsk, found.lacking_psk);
    for (const char* key : {kStoreWepKeyId, kStoreWepKey}) check(key, found.lacking_wep);
    return found;
}

}  // namespace rwsim

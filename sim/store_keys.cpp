#include "sim/store_keys.h"

#include "sim/default_store.h"
#include "sim/text.h"

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
    for (const auto& [meant, stand_in] : default_store()) {
        if (store.count(meant) != 0) continue;
        found.lacking.push_back(meant);
        for (const auto& [key, value] : store) {
            if (lower(key) == lower(meant)) {
                found.near.push_back({key, meant, true});
            } else if (one_edit(key, meant)) {
                found.near.push_back({key, meant, false});
            }
        }
    }
    return found;
}

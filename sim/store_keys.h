// A router's store against the keys relaywatch reads: the keys it lacks,
// and for each of those the keys it holds that look meant for it (keys are
// case-sensitive: "ApCliSSID" is not read as ApCliSsid). A key one character
// from one the store has (SSID2 beside SSID1) is another setting, not a miss.
#pragma once

#include <map>
#include <string>
#include <vector>

struct NearKey {
    std::string key;    // as the store spells it
    std::string meant;  // the key relaywatch reads
    bool case_only;     // they differ only in letter case (else by one character)
};

struct StoreKeys {
    std::vector<std::string> lacking;  // keys relaywatch reads that the store has not, alphabetically
    std::vector<NearKey> near;         // near misses of the lacking keys
};

// `store`'s keys against the stand-in store's, which are the keys relaywatch reads.
StoreKeys check_store_keys(const std::map<std::string, std::string>& store);

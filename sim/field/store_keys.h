// SPDX-License-Identifier: ISC
// A router's store against the keys relaywatch reads: the keys it lacks,
// and for each of those the keys it holds that look meant for it (keys are
// case-sensitive: "ApCliSSID" is not read as ApCliSsid). A key one character
// from one the store has (SSID2 beside SSID1) is another setting, not a miss.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace rwsim {

struct NearKey {
    std::string key;    // as the store spells it
    std::string meant;  // the key relaywatch reads
    bool case_only;     // they differ only in letter case (else by one character)
};

struct StoreKeys {
    // Keys relaywatch reads that the store has not, in the order relaywatch
    // reads them: at every start, or whenever it re-programs the radio.
    std::vector<std::string> lacking;
    // The same for the keys read only for the own access point's security:
    // the pre-shared key, or WEP's key index and key.
    std::vector<std::string> lacking_psk, lacking_wep;
    std::vector<NearKey> near;  // near misses of the lacking keys
};

// `store`'s keys against the keys relaywatch's start-up and re-programming
// read (their own names).
StoreKeys check_store_keys(const std::map<std::string, std::string>& store);

}  // namespace rwsim

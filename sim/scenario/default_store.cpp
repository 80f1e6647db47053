// SPDX-License-Identifier: ISC
#include "sim/scenario/default_store.h"

namespace rwsim {

const std::map<std::string, std::string>& default_store() {
    static const std::map<std::string, std::string> store = {
        {"OperationMode", "3"},       {"ApCliEnable", "1"},
        {"ApCliSsid", "upstream"},    {"ApCliBssid", ""},
        {"ApCliAuthMode", "WPA2PSK"}, {"ApCliEncrypType", "AES"},
        {"AuthMode", "WPA2PSK"},      {"EncrypType", "AES"},
        {"HT_EXTCHA", "1"},           {"HT_BW", "1"},
        {"SSID1", "repeater"},        {"WPAPSK1", "correct horse battery"},
        {"DefaultKeyID", "1"},        {"Key1Str1", ""},
    };
    return store;
}

}  // namespace rwsim

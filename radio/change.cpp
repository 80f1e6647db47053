// Placeholder until change detection lands.
#include "radio/radio.h"

int ext_channel_flag(std::string_view, int) { return kNoExtFlag; }
int is_mode_change(std::string_view, std::string_view, const int&, const AuthText&, const AuthText&,
                   const ExtChText&, const int&, const AuthText&, const AuthText&, const int&) {
    return 0;
}

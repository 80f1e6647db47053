// Placeholder until settings application lands.
#include "radio/radio.h"

void apply_change(std::string_view, std::string_view, const int&, const AuthText&, const AuthText&,
                  const ExtChText&, int&, AuthText&, AuthText&, int&) {}
HeapText TransForShell1(std::string_view) { return HeapText(); }

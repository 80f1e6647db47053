// SPDX-License-Identifier: ISC
// The client security the debug lines tell, in the words the recovery
// cycle compares and applies.
#pragma once

#include <string>
#include <string_view>

namespace rwsim {

// The client security a candidate is compared and applied with, "AUTH/ENC"
// as shown.
std::string applied_security(std::string_view auth, std::string_view enc);

// A hidden entry's "AUTH/ENC" cut where both halves are words of the
// survey's vocabulary; false when no cut makes two such words.
bool split_security(std::string_view joined, std::string_view& auth, std::string_view& enc);

}  // namespace rwsim

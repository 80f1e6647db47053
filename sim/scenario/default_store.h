// SPDX-License-Identifier: ISC
// The router's store as the simulator starts from it: the stand-in values a
// scenario's store lines and explain's --store file replace.
#pragma once

#include <map>
#include <string>

namespace rwsim {

const std::map<std::string, std::string>& default_store();

}  // namespace rwsim

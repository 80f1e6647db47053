// SPDX-License-Identifier: ISC
// Recognising a line the daemon printed by the printf format it printed it
// with: %d, %02d, %s, %.*s and %% in the format; every other character
// stands for itself.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rwsim {

// Whether `text` is `format` printed (the format's line end, if any, left
// out of both). The converted values are put in `fields`, in order, as they
// stand in the text. With `rest`, the text may go on after the format, and
// what follows is the last field. Texts of %s are found by trying, with a
// bounded number of steps; a text that needs more is not matched.
bool match_format(std::string_view format, std::string_view text, std::vector<std::string_view>& fields,
                  bool rest = false);

// `format` printed with `values`, already as text, in place of its
// conversions in order (%% as %), without its line end: the other way from
// match_format. A conversion without a value prints nothing.
std::string reprinted(std::string_view format, const std::vector<std::string>& values);

}  // namespace rwsim

// SPDX-License-Identifier: ISC
#include "sim/replay/replay_security.h"

#include "sim/common/text.h"
#include "supervisor/supervisor.h"
#include "survey/vocabulary.h"

namespace rwsim {

// The client security a candidate is compared and applied with: the
// survey's texts as the recovery cycle normalises them. Texts too long for
// a candidate are no words of the survey's, and stay as the log has them.
std::string applied_security(std::string_view auth, std::string_view enc) {
    Candidate cand{};
    cand.auth.assign(auth);
    cand.enc.assign(enc);
    if (cand.auth.view() == auth && cand.enc.view() == enc) {
        normalise(cand);
        auth = cand.auth.view();
        enc = cand.enc.view();
    }
    return shown_text(std::string(auth) + "/" + std::string(enc));
}

// A hidden entry's "AUTH/ENC" cut where both halves are words of the
// survey's vocabulary (the mixed mode and cipher hold slashes themselves);
// false when no cut makes two such words.
bool split_security(std::string_view joined, std::string_view& auth, std::string_view& enc) {
    static constexpr std::string_view kAuths[] = {vocab::kAuthOpen, vocab::kAuthWpaPsk, vocab::kAuthWpa2Psk,
                                                  vocab::kAuthMixed, vocab::kAuthNotSupport};
    static constexpr std::string_view kEncs[] = {vocab::kEncNone, vocab::kEncWep, vocab::kEncTkipAes,
                                                 vocab::kEncTkip, vocab::kEncAes, vocab::kEncEmpty};
    for (std::size_t cut = joined.find('/'); cut != std::string_view::npos; cut = joined.find('/', cut + 1)) {
        const std::string_view a = joined.substr(0, cut), e = joined.substr(cut + 1);
        bool known_auth = false, known_enc = false;
        for (std::string_view w : kAuths) known_auth = known_auth || a == w;
        for (std::string_view w : kEncs) known_enc = known_enc || e == w;
        if (known_auth && known_enc) {
            auth = a;
            enc = e;
            return true;
        }
    }
    return false;
}

}  // namespace rwsim

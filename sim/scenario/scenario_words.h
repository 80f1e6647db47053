// SPDX-License-Identifier: ISC
// The line and word reader under the scenario parser (sim/scenario/scenario.cpp): a
// scenario line split into words, and single words read as the values the
// directives take. A bad word throws ScenarioError naming its line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/scenario/scenario.h"
#include "survey/survey.h"

namespace rwsim {

// A word of a scenario line, with quotes removed.
struct ScenarioWord {
    std::string text;
    bool quoted = false;  // some of it stood in quotes
};

// Where words come from: the file and line a fault in them names.
struct WordsAt {
    const std::string& file;
    int line;
};

// Splits a line into words: blanks separate them, double quotes keep blanks
// (inside them \" and \\ stand for " and \), a word that begins with # starts
// a comment that runs to the line end.
std::vector<ScenarioWord> split_words(std::string_view line, const WordsAt& at);

// One word as the value a directive takes, `what` naming it in the message
// ("end time", "gap").
long duration_word(const WordsAt& at, const std::string& text, const char* what);
int channel_word(const WordsAt& at, const std::string& text);
std::string ext_word(const WordsAt& at, const std::string& text);       // ABOVE, BELOW or NONE
std::string security_word(const WordsAt& at, const std::string& text);  // the survey's security column
int signal_word(const WordsAt& at, const std::string& text);            // 0 to 100
std::string ssid_word(const WordsAt& at, const std::string& text);

// KEY=VALUE of a store line or event.
void store_pair(const WordsAt& at, const std::string& text, std::string& key, std::string& value);

// A row of a captured survey table as an access point, still unnamed;
// `where` ("capture FILE line N: ") begins the message for a row the
// simulator cannot put on the air.
AccessPoint captured_ap(const WordsAt& at, const std::string& where, const SurveyEntry& row);

}  // namespace rwsim

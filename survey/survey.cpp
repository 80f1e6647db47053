// Placeholder until the survey reader lands.
#include "survey/survey.h"

SurveyEntry* headerTable = nullptr;
SurveyEntry* currentTable = nullptr;
int TableSize = 0;
BssidText manual_get_BSSID = {{'0'}};

RowResult parse_survey_row(std::string_view, SurveyEntry&) { return RowResult::TooShort; }
int scanChannel(const char*, const char*, AuthText&, AuthText&, ExtChText&) { return 0; }
void freeTable() {}

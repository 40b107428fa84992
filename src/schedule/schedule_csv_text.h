// One line of the plan file: UTF-8 to the program's CP1252, and its ';' fields as Excel
// writes them (quoted where a field holds ';' or '"').
#ifndef TRXDESK_SCHEDULE_CSV_TEXT_H
#define TRXDESK_SCHEDULE_CSV_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace trx {

// The line as CP1252 (a character CP1252 lacks as '?'); false with
// the offset of the first byte that is not UTF-8.
bool cp1252FromUtf8Line(std::string_view line, std::string& out, size_t& badAt);

// The fields, unquoted; false when a quote is left open.
bool splitFields(std::string_view line, std::vector<std::string>& fields);

} // namespace trx

#endif

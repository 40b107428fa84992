// The program's texts are CP1252 (the ANSI code page of its windows, its registry values and
// its command line); what leaves it or comes into it from other systems (the journal's
// files, the plan file, the scrape, a client's info) is UTF-8. One table for both ways.
#ifndef TRXDESK_CP1252_TEXT_H
#define TRXDESK_CP1252_TEXT_H

#include <string>
#include <string_view>

namespace trx {

// `text` in UTF-8; the five bytes CP1252 leaves unused become '?'.
std::string utf8FromCp1252(std::string_view text);
// UTF-8 `text` in CP1252; a character CP1252 lacks, or a byte that is no UTF-8, becomes '?'.
std::string cp1252FromUtf8(std::string_view text);
// The CP1252 byte of a code point, '?' for one CP1252 lacks.
char cp1252OfCodePoint(char32_t c);

} // namespace trx

#endif

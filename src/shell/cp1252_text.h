// The program's texts are CP1252 (the ANSI code page of its windows, its registry values and
// its command line); what leaves it for programs of other systems is UTF-8.
#ifndef TRXDESK_CP1252_TEXT_H
#define TRXDESK_CP1252_TEXT_H

#include <string>
#include <string_view>

namespace trx {

// `text` in UTF-8; the five bytes CP1252 leaves unused become '?'.
std::string cp1252ToUtf8(std::string_view text);

} // namespace trx

#endif

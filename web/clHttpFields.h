#pragma once
// Form escaping and the splitter of header field lists.
#include <string>
#include <string_view>

#include "platform/Strings.h"

// Escapes byte by byte over the 8-bit text: A-Z, a-z, 0-9 and ! $ ' ( ) * - . @ _ stay, a blank
// becomes "+", every other byte "%" and two upper-case hexadecimal digits (cp1251 "А" -> "%C0").
std::string URLEncodeValue(std::string_view text);
// Undoes form escaping: "+" becomes a blank and "%" with two hexadecimal digits its byte; a "%"
// without two such digits stays as it stands.
std::string URLDecodeValue(std::string_view text);

// Walks content once, skipping white-space characters between fields, and ends a field at a
// separator that is not inside a quoted run (" or ' up to the same quote character). Each non-empty
// field loses the quotes that delimit its runs, is decoded from form escaping when decode is set,
// and is appended to strings.
void ExtractHTTPFields(std::string_view separators, std::string_view whiteSpace, std::string_view content,
                       TStringList& strings, bool decode);

#pragma once
// Base64 as RFC 4648 defines it: the standard alphabet with "=" padding. Qt's codec does the work.
#include <string>
#include <string_view>

std::string EncodeBase64(std::string_view bytes);
// False (and out emptied) for anything that is not such Base64 text: a character outside the
// alphabet, blanks or line breaks, missing or misplaced padding.
bool DecodeBase64(std::string_view text, std::string& out);

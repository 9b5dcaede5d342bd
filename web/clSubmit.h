#pragma once
// The HTTP client of the system and the split form of an address.
#include <string>

struct TUrl {
    std::string URL;    // the address exactly as given
    std::string Host;   // between the scheme prefix and the first "/"
    std::string Path;   // from the first "/" to the end, query included; "/" when none
    std::string Query;  // after the first "?"
};

// Only "http://" (any letter case) is known as a scheme prefix.
TUrl SplitURL(const std::string& url);

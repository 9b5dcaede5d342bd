#pragma once
// The MIME type tables read at start-up from HKEY_CLASSES_ROOT.
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/Strings.h"

// A string list of "name=value" lines with a hashed index of the names for Values.
class THashedStringList {
public:
    int Add(std::string line);
    void Clear();
    int Count() const { return list_.Count(); }
    const std::string& operator[](int i) const { return list_[i]; }
    const TStringList& Lines() const { return list_; }
    // The value of the first line with this name (exact bytes), or "".
    std::string Values(std::string_view name) const;

private:
    TStringList list_;
    std::unordered_map<std::string, int> index_;  // name -> first line
};

// Lower-case extension (with its ".") = lower-case content type; null before start-up.
const THashedStringList* MimeExtensionTable();
// Lower-case content type = lower-case extension with a "."; null before start-up.
const THashedStringList* MimeContentTypeTable();

// Creates and fills both tables (again, when called again).
void InitMimeTypes();
void FreeMimeTypes();

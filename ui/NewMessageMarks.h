#pragma once
// The new-message marks of one stored folder against the contacts a checker has found.
#include <functional>
#include <string>

class TFriend;

// Sets the "NewMessage" element of every record of stored (adding it where missing) to "1" when
// found holds the same contact, else "0", and calls mark with each record's address and mark.
// The same contact: equal logins; for an address without a login, an equal address (A-Z folded).
// An empty login equals no other, so one found row without a login marks nothing else.
void MarkNewMessages(TFriend& stored, TFriend& found,
                     const std::function<void(const std::string& URL, bool mark)>& mark = {});

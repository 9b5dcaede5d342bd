#pragma once
// The absolute address that a page's login form posts to.
#include <string>

class TFindTags;

// Finds the page's one login form and makes its action an absolute "http://" address on the host
// of baseURL; a page whose one post form has no action posts back to baseURL. url is empty when no
// form, or more than one, qualifies. findTags gets pageHTML as its text; its earlier tags are gone.
// Raises nothing.
void ExtractAction(TFindTags& findTags, const std::string& baseURL, const std::string& pageHTML,
                   std::string& url);

#pragma once
// Page markup of the stand-in site, as cp1251 with "{host}" left in place. The markup is kept
// tight: every line ends right after a tag, so no text run picks up a line-break blank.
#include "StandInSite.h"

namespace site::pages {

std::string Head(const std::string& title, Encoding enc);
std::string Home(const SiteState& s, Encoding enc);
// The login page; withS adds the hidden input "s" (the full link's page). withForm false gives a
// page without any login form. withLogout adds a logout link (a refused login, as some sites do).
std::string LoginPage(const SiteState& s, Encoding enc, bool withForm, bool withS, bool withLogout);
std::string AccountPage(const SiteState& s, Encoding enc);
std::string MessagesPage(const SiteState& s, Encoding enc);
// One list page of folder fid (1-based) from row offset on.
std::string FolderPage(const SiteState& s, Encoding enc, int fid, int offset);
std::string ContactHref(const Contact& c, int place);
std::string Profile(const SiteState& s, Encoding enc, const Contact& c, bool session);
std::string CodePage(const SiteState& s, Encoding enc, const Contact& c, int place,
                     const std::string& captchaS, int image);
std::string Goodbye(const SiteState& s, Encoding enc);
std::string NotFound(Encoding enc);
std::string ErrorPage(int status);

}  // namespace site::pages

namespace site {
std::string ReplaceAll(std::string text, const std::string& what, const std::string& with);
}

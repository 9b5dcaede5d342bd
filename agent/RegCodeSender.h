#pragma once
// Sends a typed confirmation code: finds the code page's form, posts every input of it with the
// code as "check", and tells an accepted code from a refused one (a refusal answers the code page
// again, with its "reg_code.phtml?image" link). The code dialog sends through it; the import sends
// a repeated code through it directly, without the dialog.
#include <memory>
#include <string>

#include "web/clFindTegProperty.h"

class TSubmit;

class TRegCodeSender {
public:
    TRegCodeSender();
    virtual ~TRegCodeSender();
    TRegCodeSender(const TRegCodeSender&) = delete;
    TRegCodeSender& operator=(const TRegCodeSender&) = delete;

    std::string PageURL;   // in: the base for resolving the form; after SendCode: the form address
    std::string ImageURL;  // the picture's address
    TSubmit* Submit = nullptr;  // borrowed session client: never connected or freed here
    std::string PageHTML;  // in: the code page; after SendCode: the answer, or "" when refused
    // The refused answer (the new code page) of the last SendCode that answered false after a post.
    std::string RefusedPageHTML;

    // The code as typed; the dialog answers its edit's text.
    virtual std::string CodeText() const { return Code; }
    std::string Code;

    // True when the code went out and the site did not ask again (an empty answer counts as
    // accepted); false without a request when the page has no resolvable form.
    bool SendCode();

    TFindTags& FindTags() { return *findTags_; }

private:
    std::unique_ptr<TFindTags> findTags_;
};

#pragma once
// A client whose error reports are kept instead of shown, so tests see each one.
#include <string>
#include <vector>

#include "web/clSubmit.h"

class ProbeSubmit : public TSubmit {
public:
    using TSubmit::TSubmit;
    std::vector<std::string> reported;

protected:
    void ReportError(const std::string& message) override { reported.push_back(message); }
};

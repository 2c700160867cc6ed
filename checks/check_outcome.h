// What a requirement check decided and everything it writes, worked out from plain facts: the
// Windows edge gathers the facts from the system, writes the lines to the setup log in order
// and, when there is one, leaves the message in CheckMessage.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/step_protocol.h"

// The catalogue text of a string id as it stands, conversions unfilled.
using CatalogLookup = std::function<std::wstring(unsigned id)>;

struct CheckOutcome {
    bool passed = false;
    std::vector<std::wstring> log;
    std::optional<std::wstring> message;
};

// A check's entry and exit lines, written into its outcome's lines. The exit line is written
// when the step object goes, so a check ends its scope before it returns the outcome.
class CheckStep : public StepProtocol {
  public:
    CheckStep(CheckOutcome& outcome, const wchar_t* entry, const wchar_t* failed)
        : StepProtocol([&outcome](const std::wstring& line) { outcome.log.push_back(line); },
                       entry, failed) {}
};

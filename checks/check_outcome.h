// What a requirement check decided and everything it writes, worked out from plain facts: the
// Windows edge gathers the facts from the system, writes the lines to the setup log in order
// and, when there is one, leaves the message in CheckMessage.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The catalogue text of a string id as it stands, conversions unfilled.
using CatalogLookup = std::function<std::wstring(unsigned id)>;

struct CheckOutcome {
    bool passed = false;
    std::vector<std::wstring> log;
    std::optional<std::wstring> message;
};

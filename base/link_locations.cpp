#include "base/link_locations.h"

#include "base/environment.h"

namespace {

// Resolved on first use, thread-safely, and never again.
const ServerChoice& Server() {
    static const ServerChoice choice = ChooseServer(ReadEnvironment(L"Tellura_Server"));
    return choice;
}

}  // namespace

ServerChoice ChooseServer(const std::optional<std::wstring>& variable) {
    if (!variable) return {kDefaultServerName, false};
    return {*variable, true};
}

bool IsCustomServer() { return Server().custom; }

std::wstring GetServerName() { return Server().name; }

std::wstring MakeLinkUrl(const std::wstring& linkPath) { return MakeLinkUrl(Server(), linkPath); }

std::wstring MakeLinkUrl(const ServerChoice& server, const std::wstring& linkPath) {
    return L"http://" + server.name + linkPath;
}

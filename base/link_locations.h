// Where the setup fetches and opens things: every address is a link on the link-redirection
// server, "http://" + host + "/fwlink/?LinkId=" + id. The host is fixed once per process.
#pragma once

#include <optional>
#include <string>

// The link-redirection host used unless "Tellura_Server" names another.
inline constexpr const wchar_t* kDefaultServerName = L"go.tellura.com";

// Link paths of everything the setup fetches or opens.
inline constexpr const wchar_t* kLinkPrereqsX86 = L"/fwlink/?LinkId=136696";
inline constexpr const wchar_t* kLinkPrereqsX64 = L"/fwlink/?LinkId=136697";
inline constexpr const wchar_t* kLinkMsxmlX86 = L"/fwlink/?LinkId=136704";
inline constexpr const wchar_t* kLinkMsxmlX64 = L"/fwlink/?LinkId=136705";
inline constexpr const wchar_t* kLinkMsxmlHotfixX86 = L"/fwlink/?LinkId=110924";
inline constexpr const wchar_t* kLinkMsxmlHotfixX64 = L"/fwlink/?LinkId=110922";
inline constexpr const wchar_t* kLinkProduct = L"/fwlink/?LinkId=136707";
inline constexpr const wchar_t* kLinkVersionFile = L"/fwlink/?LinkId=136708";
inline constexpr const wchar_t* kLinkLicence = L"/fwlink/?LinkId=136710";
inline constexpr const wchar_t* kLinkHelp = L"/fwlink/?LinkId=103527";

struct ServerChoice {
    std::wstring name;
    bool custom = false;
};

// The rule: a defined variable (even an empty one) names a custom host.
ServerChoice ChooseServer(const std::optional<std::wstring>& variable);

// Whether the host came from "Tellura_Server".
bool IsCustomServer();
std::wstring GetServerName();
// "http://" + host + linkPath, nothing escaped.
std::wstring MakeLinkUrl(const std::wstring& linkPath);
std::wstring MakeLinkUrl(const ServerChoice& server, const std::wstring& linkPath);

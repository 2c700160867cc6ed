// The environment values the setup reads, from any bytes: the first byte chooses the variable,
// the rest (to its first zero byte) is the value.
// - Tellura_Server: every link URL made with it reaches its server with the link path whole.
// - Proxy: the proxy host, remembered by the name cache (resolved by a stand-in, not the DNS).
// - Appli_LaunchId: an identifier the setup accepts reaches the product as one argument, never
//   more, and the program stays the template's.
// - QELThrDebug and QELSocketDebug (the value up to a line feed, then the other one; the first
//   unset when the high bit of the first byte is): a collector is chosen only for a "PORT:"
//   value, with a port of 1 to 65535, or 0 for one that is no port number.
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/environment.h"
#include "base/link_locations.h"
#include "base/user_shell.h"
#include "engine/package_download.h"
#include "engine/post_install_commands.h"
#include "http/name_cache.h"
#include "http/url.h"
#include "threads/qel_trace_settings.h"

namespace {

void ServerValue(const char* value) {
    setenv("Tellura_Server", value, 1);
    const ServerChoice server = ChooseServer(ReadEnvironment(L"Tellura_Server"));
    if (!server.custom) abort();
    for (const wchar_t* link : {kLinkProduct, kLinkVersionFile}) {
        const std::optional<std::string> url = MultiByteUrl(MakeLinkUrl(server, link));
        QELHttpRequestTarget request;
        if (!url || SplitRequestTarget(url->c_str(), false, &request) != kHttpOk) continue;
        const std::wstring wide(link);
        const std::string path(wide.begin(), wide.end());
        const size_t length = strlen(request.target);
        if (length < path.size() || path != request.target + length - path.size()) abort();
    }
}

bool StandIn(const char* host, uint32_t* address) {
    if (!*host || strchr(host, ' ')) return false;
    *address = static_cast<uint32_t>(strlen(host)) * 2654435761u;
    return true;
}

void ProxyValue(const char* value) {
    QELHttpNameCache names(&StandIn);
    uint32_t first = 0, again = 0;
    const bool resolved = names.Resolve(value, &first);
    names.Forget("other");
    if (names.Resolve(value, &again) != resolved || (resolved && again != first)) abort();
}

void LaunchIdValue(const std::string& value) {
    const std::wstring id(value.begin(), value.end());
    if (LaunchIdRefusal(id)) return;
    const ProgramAndArguments parts =
        SplitCommandLine(LaunchCommand(L"\"C:\\P Q\\V.exe\" -id {0} -x", id));
    if (parts.program != L"C:\\P Q\\V.exe" || parts.arguments != L"-id  " + id + L"  -x") abort();
}

void TraceValues(const std::string& values, bool threadUnset) {
    const size_t feed = values.find('\n');
    const std::string thread = values.substr(0, feed);
    const std::string socket = feed == std::string::npos ? "" : values.substr(feed + 1);
    const qel::TraceSettings settings =
        qel::ReadTraceSettings(threadUnset ? nullptr : thread.c_str(),
                               feed == std::string::npos ? nullptr : socket.c_str());
    if (settings.destination == qel::kTraceCollector) {
        const std::string& value = settings.threadTrace ? thread : socket;
        if (value.compare(0, 5, "PORT:") != 0 || settings.port < 0 || settings.port > 65535)
            abort();
    } else if (settings.port != 0) {
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string value(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 4) {
        case 0:
            ServerValue(value.c_str());
            break;
        case 1:
            ProxyValue(value.c_str());
            break;
        case 2:
            LaunchIdValue(value.c_str());
            break;
        default:
            TraceValues(value.c_str(), data[0] & 0x80);
            break;
    }
    return 0;
}

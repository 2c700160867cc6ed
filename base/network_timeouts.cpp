#include "base/network_timeouts.h"

#include "http/http_client.h"

void ApplyNetworkTimeouts(QELHttpClient& client) {
    QELHttpDriver* driver = client.Driver();
    if (!driver) return;
    const struct {
        uint32_t option;
        uint32_t milliseconds;
    } limits[] = {{kHttpOptionConnectTimeout, kConnectTimeoutMs},
                  {kHttpOptionSendTimeout, kSendTimeoutMs},
                  {kHttpOptionReceiveTimeout, kReceiveTimeoutMs}};
    for (const auto& limit : limits)
        driver->SetOption(limit.option, &limit.milliseconds, sizeof(limit.milliseconds));
}

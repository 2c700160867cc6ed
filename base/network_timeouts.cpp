#include "base/network_timeouts.h"

#include "http/http_client.h"

void ApplyNetworkTimeouts(QELHttpClient& client, const NetworkLimits& network) {
    const struct {
        uint32_t option;
        uint32_t milliseconds;
    } limits[] = {{kHttpOptionConnectTimeout, network.connectMs},
                  {kHttpOptionSendTimeout, network.sendMs},
                  {kHttpOptionReceiveTimeout, network.receiveMs}};
    for (const auto& limit : limits)
        client.SetOption(limit.option, &limit.milliseconds, sizeof(limit.milliseconds));
}

// A line in front of a loopback server, for the benchmarks: a TCP proxy that delays each direction
// by half a round trip and passes the downstream at a bandwidth (see line.h).
//   line_proxy TARGET_PORT ROUND_TRIP_MS MBIT_PER_S STATE_DIR [CUT_MIB]
// It listens on a free loopback port, writes it to STATE_DIR/port, and after each accepted
// connection writes their count to STATE_DIR/connections. With CUT_MIB, the connection whose
// downstream passes each further CUT_MIB MiB of the line is cut off there, as a flaky line
// drops one. Runs until it is killed.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <list>
#include <string>
#include <vector>

#include "bench/line/direction.h"
#include "bench/line/line.h"

namespace {

struct Connection {
    Connection(int client, int server, Clock::time_point accepted)
        : client(client),
          server(server),
          accepted(accepted),
          up(client, server),
          down(server, client) {}
    ~Connection() {
        close(client);
        close(server);
    }
    int client;
    int server;
    Clock::time_point accepted;
    Direction up;
    Direction down;
    bool failed = false;
};

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

void NonBlocking(int socket) {
    fcntl(socket, F_SETFL, fcntl(socket, F_GETFL) | O_NONBLOCK);
    const int one = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// Written whole under another name and renamed, so a reader never sees half of it.
bool WriteState(const std::string& dir, const char* name, unsigned long value) {
    const std::string path = dir + "/" + name;
    FILE* file = std::fopen((path + ".new").c_str(), "w");
    if (!file) return false;
    std::fprintf(file, "%lu\n", value);
    return std::fclose(file) == 0 && std::rename((path + ".new").c_str(), path.c_str()) == 0;
}

int Listen() {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener, 64) != 0)
        return -1;
    return listener;
}

uint16_t PortOf(int listener) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

// The server's side of a new client; -1 when the server refuses.
int ConnectTo(uint16_t port) {
    const int server = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(port);
    if (server >= 0 &&
        connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return server;
    if (server >= 0) close(server);
    return -1;
}

// A socket that neither direction waits for is left out, or its hang-up would wake the loop
// until the connection ends.
pollfd Polled(int socket, const Direction& reading, const Direction& writing) {
    const short events = (reading.WantsRead() ? POLLIN : 0) | (writing.WantsWrite() ? POLLOUT : 0);
    return {events ? socket : -1, events, 0};
}

bool Readable(const pollfd& polled, const Direction& reading) {
    return reading.WantsRead() && (polled.revents & (POLLIN | POLLHUP | POLLERR));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr,
                     "usage: line_proxy TARGET_PORT ROUND_TRIP_MS MBIT_PER_S STATE_DIR [CUT_MIB]\n");
        return 2;
    }
    const uint16_t target = uint16_t(std::atoi(argv[1]));
    const double mbit = std::atof(argv[3]);
    const std::string state = argv[4];
    if (target == 0 || mbit <= 0) {
        std::fprintf(stderr, "line_proxy: bad port or bandwidth\n");
        return 2;
    }
    Line line(std::chrono::microseconds(std::atol(argv[2]) * 1000), mbit * 1e6);
    const unsigned long long cutEvery = argc == 6 ? std::atoll(argv[5]) * (1ull << 20) : 0;
    unsigned long long passed = 0;  // downstream bytes of every connection
    // Whether the next `size` downstream bytes cross a cut.
    auto crossesCut = [&](size_t size) {
        const unsigned long long before = passed;
        passed += size;
        return cutEvery > 0 && before / cutEvery != passed / cutEvery;
    };
    const int listener = Listen();
    if (listener < 0 || !WriteState(state, "connections", 0) ||
        !WriteState(state, "port", PortOf(listener))) {
        std::perror("line_proxy");
        return 1;
    }
    unsigned long accepted = 0;
    std::list<Connection> connections;
    std::vector<pollfd> polled;
    for (;;) {
        Clock::time_point now = Clock::now();
        Clock::time_point next = Clock::time_point::max();
        polled.assign(1, {listener, POLLIN, 0});
        for (auto it = connections.begin(); it != connections.end();) {
            it->failed = it->failed || !it->up.Flush(now) || !it->down.Flush(now);
            if (it->failed || (it->up.Ended() && it->down.Ended())) {
                it = connections.erase(it);
                continue;
            }
            Clock::time_point release;
            if (it->up.NextRelease(&release) && release < next) next = release;
            if (it->down.NextRelease(&release) && release < next) next = release;
            polled.push_back(Polled(it->client, it->up, it->down));
            polled.push_back(Polled(it->server, it->down, it->up));
            ++it;
        }
        timespec wait{};
        const timespec* timeout = nullptr;
        if (next != Clock::time_point::max()) {
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(next - now);
            wait.tv_sec = left.count() > 0 ? left.count() / 1000000000 : 0;
            wait.tv_nsec = left.count() > 0 ? left.count() % 1000000000 : 0;
            timeout = &wait;
        }
        if (ppoll(polled.data(), polled.size(), timeout, nullptr) < 0) continue;
        now = Clock::now();
        size_t index = 1;
        for (auto it = connections.begin(); it != connections.end(); ++it, index += 2) {
            Connection& c = *it;
            // A failed socket ends its connection at the next turn, as a reset would.
            if (Readable(polled[index], c.up))
                c.failed =
                    !c.up.Read([&](size_t) { return line.UpstreamRelease(now, c.accepted); });
            bool cut = false;
            if (!c.failed && Readable(polled[index + 1], c.down))
                c.failed = !c.down.Read([&](size_t size) {
                    cut = crossesCut(size);
                    return line.DownstreamRelease(now, size);
                });
            // Ended at the next turn like a failed socket, its queued bytes never sent.
            c.failed = c.failed || cut;
        }
        if (polled[0].revents & POLLIN) {
            const int client = accept(listener, nullptr, nullptr);
            const int server = client >= 0 ? ConnectTo(target) : -1;
            if (server < 0) {
                if (client >= 0) close(client);
                continue;
            }
            NonBlocking(client);
            NonBlocking(server);
            connections.emplace_back(client, server, now);
            WriteState(state, "connections", ++accepted);
        }
    }
}

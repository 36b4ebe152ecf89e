#pragma once
// The HTTP server with a front of its own: one thread gathers the request
// headers of every connection and a worker only ever answers a request that
// has fully arrived. A client that sends its header slowly, or sits idle
// between requests, holds a socket and a little memory, never a worker, so
// it cannot keep teachers waiting. The front bounds what a connection may
// cost: the time a request may take to arrive, the idle time between
// requests, the header's size and lines, and the connections per address.

#include <httplib.h>

#include <cstddef>
#include <memory>

namespace velmora {

struct FrontLimits {
    int workers = 16;
    int header_seconds = 10;       // from the first byte of a request to its blank line
    int idle_seconds = 5;          // between two requests of one connection
    int body_seconds = 5;          // for a body after the header (every page is a GET)
    int write_seconds = 60;        // for the whole reply
    std::size_t header_bytes = 32 * 1024;
    int header_lines = 100;        // the request line and the header lines
    int per_address = 64;          // connections of one address
    int total = 2000;              // connections of all addresses (lowered to the descriptors there are)
    int keep_alive_requests = 1000;
};

class FrontServer final : public httplib::Server {
public:
    explicit FrontServer(FrontLimits limits);
    ~FrontServer() override;

    // After binding: the library listens with a queue of 5, so a burst of
    // connections (a school starting at once) would wait seconds for the
    // kernel to retry their SYNs.
    void widen_listen_queue();

    class Front;

private:
    bool process_and_close_socket(socket_t sock) override;

    std::shared_ptr<Front> front_;
};

}  // namespace velmora

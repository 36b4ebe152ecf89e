// velmora-server --db FILE [--port 9090] [--bind 127.0.0.1] [--demo] [--demo-scores]
//                [--images DIR] [--downloads DIR] [--batch N] [--lease SECONDS]
#include "velmora_server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void usage()
{
    std::fprintf(stderr,
                 "usage: velmora-server --db FILE [--port 9090] [--bind 127.0.0.1] [--demo] [--demo-scores]\n"
                 "                      [--images DIR] [--downloads DIR] [--batch 20] [--lease 600] [--log]\n"
                 "                      [--demo-marked PERCENT] [--demo-students N]\n"
                 "  --port 0 picks a free port; the address is printed on the first line.\n"
                 "  --demo-scores: the demo with a share of its answers scored (to try corrections).\n"
                 "  --demo-marked: this share of the demo's answers comes marked (for the reports).\n"
                 "  --demo-students: the larger demo, N more students of ten written answers each.\n");
}

bool to_int(const char* s, int& out)
{
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    if (!*s || *end || v < 0 || v > 1'000'000) return false;
    out = int(v);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    velmora::ServerOptions o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--demo") o.demo = true;
        else if (a == "--demo-scores") o.demo = o.demo_scores = true;
        else if (a == "--log") o.log_requests = true;
        else if (a == "--db" && has_value) o.db_path = argv[++i];
        else if (a == "--bind" && has_value) o.bind = argv[++i];
        else if (a == "--images" && has_value) o.images_dir = argv[++i];
        else if (a == "--downloads" && has_value) o.downloads_dir = argv[++i];
        else if (a == "--port" && has_value && to_int(argv[i + 1], o.port) && o.port <= 65535) ++i;
        else if (a == "--batch" && has_value && to_int(argv[i + 1], o.batch_size) && o.batch_size > 0) ++i;
        else if (a == "--lease" && has_value && to_int(argv[i + 1], o.lease_seconds)) ++i;
        else if (a == "--demo-students" && has_value && to_int(argv[i + 1], o.demo_students)) ++i;
        else if (a == "--demo-marked" && has_value && to_int(argv[i + 1], o.demo_marked_percent)
                 && o.demo_marked_percent <= 100) ++i;
        else if (a == "--help" || a == "-h") {
            usage();
            return 0;
        } else {
            std::fprintf(stderr, "velmora-server: bad argument %s\n", a.c_str());
            usage();
            return 2;
        }
    }
    if (o.db_path.empty()) {
        usage();
        return 2;
    }

    // Block the stop signals before any thread starts, then wait for one.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    velmora::Server server(o);
    try {
        const int port = server.start();
        std::printf("velmora-server listening on http://%s:%d/\n", o.bind.c_str(), port);
        std::fflush(stdout);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora-server: %s\n", e.what());
        return 1;
    }
    int sig = 0;
    sigwait(&stop_signals, &sig);
    server.stop();
    return 0;
}

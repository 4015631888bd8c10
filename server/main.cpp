// zindle-scores: the command line. Opens the store, binds (loopback unless
// told otherwise), serves until SIGINT or SIGTERM, then closes the database
// cleanly. Usage errors print the usage and exit 2; nothing else is read.

#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "score_server.h"
#include "scores_limits.h"
#include "sqlite_store.h"

namespace {

constexpr const char* kUsage =
    "usage: zindle-scores [--port N] [--db FILE] [--bind ADDRESS] [--trusted-proxy ADDRESS]...\n"
    "  --port N         TCP port, 0 for any free one (default 8559)\n"
    "  --db FILE        SQLite database, created when missing (default zindle-scores.db)\n"
    "  --bind ADDRESS   address to listen on (default 127.0.0.1, loopback only)\n"
    "  --trusted-proxy ADDRESS\n"
    "                   a reverse proxy's IP address, or a comma-separated list; from it\n"
    "                   the client is the rightmost X-Forwarded-For entry that is not a\n"
    "                   trusted proxy (may be given more than once; default none)\n";

bool ReadPort(const char* text, int& port) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 0 || v > 65535) return false;
    port = static_cast<int>(v);
    return true;
}

bool IsLoopback(const std::string& address) {
    return address == "localhost" || address == "::1" || address.rfind("127.", 0) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    zscores::ServerOptions options;
    std::string database = zscores::kDefaultDatabase;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--port" && hasValue && ReadPort(argv[i + 1], options.port)) {
            ++i;
        } else if (arg == "--db" && hasValue && argv[i + 1][0] != '\0') {
            database = argv[++i];
        } else if (arg == "--bind" && hasValue && argv[i + 1][0] != '\0') {
            options.bind = argv[++i];
        } else if (arg == "--trusted-proxy" && hasValue && options.trustedProxies.Add(argv[i + 1])) {
            ++i;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "zindle-scores: bad argument '%s'\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }

    // Signals are taken by one watcher thread; every other thread (the
    // serving threads and the writer included) inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    zscores::SqliteStore store;
    std::string error;
    if (!store.Open(database, error)) {
        std::fprintf(stderr, "zindle-scores: cannot open database %s: %s\n", database.c_str(), error.c_str());
        return 1;
    }
    zscores::ScoreServer server(store, options);
    const int port = server.Bind(error);
    if (port < 0) {
        std::fprintf(stderr, "zindle-scores: %s\n", error.c_str());
        return 1;
    }
    std::printf("zindle-scores listening on %s:%d, database %s\n", options.bind.c_str(), port, database.c_str());
    std::printf("zindle-scores %s\n", server.LimitsLine().c_str());
    if (!IsLoopback(options.bind))
        std::printf("zindle-scores: %s is not loopback: open to the network, under the limits above\n",
                    options.bind.c_str());
    std::fflush(stdout);

    std::thread watcher([&server, &stopSignals] {
        int sig = 0;
        sigwait(&stopSignals, &sig);
        server.Stop();
    });
    const bool ok = server.Run();
    // Wakes the watcher when serving ended on its own.
    pthread_kill(watcher.native_handle(), SIGTERM);
    watcher.join();
    store.Close();
    std::printf("zindle-scores stopped\n");
    return ok ? 0 : 1;
}

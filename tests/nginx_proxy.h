// A real nginx in front of a score server, for tests and benchmarks: the
// shipped deploy/nginx/zindle-scores.conf with its two ports moved to free
// loopback ones, inside a minimal top-level configuration in a private
// prefix, started as our own child and stopped by its pid. It never reads,
// signals or writes anything of a system nginx.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "scratch_dir.h"

namespace testsupport {

// The nginx binary on PATH or in Debian's /usr/sbin (often not on a user's
// PATH); "" where nginx is not installed.
inline std::string FindNginx() {
    const char* path = std::getenv("PATH");
    std::string dirs = std::string(path ? path : "") + ":/usr/sbin:/usr/local/sbin";
    std::stringstream in(dirs);
    for (std::string dir; std::getline(in, dir, ':');) {
        if (dir.empty()) continue;
        const std::string candidate = dir + "/nginx";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::string();
}

// A loopback port nobody listened on at the time of asking; 0 when none.
inline int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    close(fd);
    return port;
}

inline std::string ReadWhole(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Replaces the one `from` in `text`; false when it is not there exactly once.
inline bool ReplaceOnce(std::string& text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at == std::string::npos || text.find(from, at + from.size()) != std::string::npos) return false;
    text.replace(at, from.size(), to);
    return true;
}

class NginxProxy {
public:
    // Waits this long for nginx to listen, and then to stop.
    static constexpr int kStartLimitMs = 5000;
    static constexpr int kStopLimitMs = 5000;

    // nginx with the shipped file `shipped` in front of a server on
    // 127.0.0.1:upstreamPort, with `workers` worker processes. port() is 0
    // and error() says why when it could not be started.
    NginxProxy(const std::string& shipped, int upstreamPort, int workers = 1) {
        binary_ = FindNginx();
        dir_ = MakeTempDir("zindle-nginx");
        if (binary_.empty() || dir_.empty()) {
            error_ = binary_.empty() ? "nginx is not installed" : "no temporary folder";
            return;
        }
        std::string site = ReadWhole(shipped);
        const std::string upstream = "127.0.0.1:" + std::to_string(upstreamPort);
        if (!ReplaceOnce(site, "127.0.0.1:8559", upstream)) {
            error_ = shipped + " does not name 127.0.0.1:8559 exactly once";
            return;
        }
        // A port taken between asking and binding makes nginx give up; a
        // few fresh ports are tried before saying so.
        for (int attempt = 0; attempt < 3 && port_ == 0; ++attempt) {
            const int port = FreeLoopbackPort();
            std::string moved = site;
            if (!ReplaceOnce(moved, "listen 80;", "listen 127.0.0.1:" + std::to_string(port) + ";")) {
                error_ = shipped + " does not say \"listen 80;\" exactly once";
                return;
            }
            if (!WriteConfiguration(moved, workers)) return;
            if (Start()) {
                port_ = port;
                error_.clear();
            }
        }
    }

    ~NginxProxy() {
        Stop();
        RemoveTree(dir_);
    }
    NginxProxy(const NginxProxy&) = delete;
    NginxProxy& operator=(const NginxProxy&) = delete;

    int port() const { return port_; }
    const std::string& error() const { return error_; }

    // What `nginx -t` says of the configuration as it was last written; its
    // exit status in `status` (-1 when it could not be run).
    std::string Check(int& status) const {
        status = -1;
        const std::string out = dir_ + "/check.log";
        const pid_t pid = Spawn({"-t"}, out);
        if (pid > 0 && waitpid(pid, &status, 0) == pid) status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return ReadWhole(out);
    }

    // The access log, one line a request: client, status, upstream, request.
    std::string AccessLog() const { return ReadWhole(dir_ + "/access.log"); }

private:
    bool WriteConfiguration(const std::string& site, int workers) {
        std::ofstream(dir_ + "/zindle-scores.conf") << site;
        std::ostringstream top;
        // As root nginx would hand its workers to "nobody", who cannot reach
        // a private prefix; they stay with us instead.
        if (geteuid() == 0) top << "user root;\n";
        top << "worker_processes " << workers << ";\n"
            << "daemon off;\n"
            << "pid " << dir_ << "/nginx.pid;\n"
            << "error_log " << dir_ << "/error.log info;\n"
            << "events { worker_connections 1024; }\n"
            << "http {\n";
        // Each temporary path inside the prefix, or nginx makes Debian's own.
        for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
            top << "    " << kind << "_temp_path " << dir_ << "/" << kind << ";\n";
        top << "    log_format zindle '$remote_addr $status $upstream_addr \"$request\"';\n"
            << "    access_log " << dir_ << "/access.log zindle;\n"
            << "    include " << dir_ << "/zindle-scores.conf;\n"
            << "}\n";
        std::ofstream file(dir_ + "/nginx.conf");
        file << top.str();
        if (!file) error_ = "cannot write " + dir_ + "/nginx.conf";
        return static_cast<bool>(file);
    }

    // Runs nginx on our configuration with `extra` arguments, its output
    // into `output`; the child's pid, or -1.
    pid_t Spawn(const std::vector<std::string>& extra, const std::string& output) const {
        std::vector<std::string> args{binary_, "-p", dir_ + "/", "-c", dir_ + "/nginx.conf"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid != 0) return pid;
        const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
        }
        // Nothing of ours goes with it: a server socket held open by nginx
        // would keep that connection alive after the server closed it.
        closefrom(3);
        execv(argv[0], argv.data());
        _exit(127);
    }

    // nginx writes its pid file once it listens, so that file is the sign
    // it is ready; its exit before then is a failure.
    bool Start() {
        const std::string pidFile = dir_ + "/nginx.pid";
        std::remove(pidFile.c_str());
        pid_ = Spawn({}, dir_ + "/nginx.out");
        if (pid_ < 0) {
            error_ = "cannot start nginx";
            return false;
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartLimitMs);
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                error_ = "nginx stopped at once: " + ReadWhole(dir_ + "/nginx.out");
                return false;
            }
            if (std::atol(ReadWhole(pidFile).c_str()) == pid_) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        error_ = "nginx did not start within " + std::to_string(kStartLimitMs) + " ms";
        Stop();
        return false;
    }

    // Fast shutdown of our child (it takes its workers down with it); a
    // kill only if it has not ended in time.
    void Stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopLimitMs);
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= end) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        pid_ = -1;
    }

    std::string binary_, dir_, error_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace testsupport

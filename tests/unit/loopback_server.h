// A tiny HTTP stand-in on 127.0.0.1 for the fetch tests: it takes one
// connection on an ephemeral port, keeps the request it read and plays a
// script of sends and pauses. It never binds anything but loopback.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace looptest {

// One step of the answer: bytes to send, then a pause.
struct Step {
    std::string Bytes;
    int PauseMs = 0;
};

// After the script: close at once, or keep the connection open until the
// client closes it or the server is destroyed.
enum class Ending { Close, Hold };

inline int ListenOnLoopback(int backlog, int* port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a;
    std::memset(&a, 0, sizeof(a));
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t size = sizeof(a);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 || listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
        if (fd >= 0) close(fd);
        return -1;
    }
    *port = ntohs(a.sin_port);
    return fd;
}

class Server {
public:
    explicit Server(std::vector<Step> script, Ending ending = Ending::Close)
        : script_(std::move(script)), ending_(ending) {
        listener_ = ListenOnLoopback(4, &port_);
        if (listener_ >= 0) thread_ = std::thread([this] { Run(); });
    }
    ~Server() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listener_ >= 0) close(listener_);
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    int Port() const { return port_; }
    std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
    bool Listening() const { return listener_ >= 0; }
    int Connections() const { return connections_; }
    // True when, holding the connection after the script, the server saw the
    // client close it first. The server notices a close a little after the
    // client has made it, so this waits up to a few seconds for it.
    bool ClientClosedFirst() const {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!clientClosed_ && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return clientClosed_;
    }
    std::string Request() {
        std::lock_guard<std::mutex> lock(mutex_);
        return request_;
    }

private:
    bool Stopping() const { return stop_; }

    // Waits for one event in slices so the destructor is never kept waiting.
    bool Wait(int fd, short events, int limitMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (!Stopping() && std::chrono::steady_clock::now() < end) {
            pollfd p{fd, events, 0};
            if (poll(&p, 1, 20) > 0) return true;
        }
        return false;
    }

    void Run() {
        if (!Wait(listener_, POLLIN, 30000)) return;
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) return;
        ++connections_;
        std::string got;
        char buffer[4096];
        while (got.find("\r\n\r\n") == std::string::npos && got.size() < 65536 && Wait(client, POLLIN, 5000)) {
            const ssize_t n = recv(client, buffer, sizeof(buffer), 0);
            if (n <= 0) break;
            got.append(buffer, static_cast<size_t>(n));
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            request_ = got;
        }
        for (const Step& s : script_) {
            size_t sent = 0;
            while (sent < s.Bytes.size() && !Stopping()) {
                const ssize_t n = send(client, s.Bytes.data() + sent, s.Bytes.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
            if (sent < s.Bytes.size()) break;  // the client has gone
            if (s.PauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(s.PauseMs));
        }
        if (ending_ == Ending::Hold) {
            while (Wait(client, POLLIN, 10000)) {
                const ssize_t n = recv(client, buffer, sizeof(buffer), 0);
                if (n <= 0) {
                    clientClosed_ = true;
                    break;
                }
            }
        }
        close(client);
    }

    std::vector<Step> script_;
    Ending ending_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::atomic<bool> clientClosed_{false};
    std::mutex mutex_;
    std::string request_;
};

// An HTTP answer whose body frames the payload between the two tags.
inline std::string Framed(const std::string& payload) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n<html>[-\r\nData-]" + payload + "[-\r\nEnd-]</html>";
}

}  // namespace looptest

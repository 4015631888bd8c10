// The clients of the score-server bench: one loopback exchange with a whole
// deadline (connect, send, read until the answer is complete or the server
// closes), each client from a loopback address of its own. Measures nothing.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace scorebench {

using Clock = std::chrono::steady_clock;

// 127.a.b.c for a client: the whole of 127/8 is this machine, and a server
// that counts connections per address sees each client as its own player.
inline uint32_t LoopbackAddress(int group, int index) {
    return (127u << 24) | (static_cast<uint32_t>(group & 255) << 16) | (static_cast<uint32_t>((index >> 8) & 255) << 8) |
           static_cast<uint32_t>((index & 255) + 1);
}

inline int MillisLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(left > 1000 ? 1000 : left);
}

// A non-blocking socket connected from `source` to 127.0.0.1:port, or -1.
inline int ConnectFrom(uint32_t source, int port, Clock::time_point deadline) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int yes = 1;
    // The port is picked at connect time, so addresses share the port range.
    setsockopt(fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &yes, sizeof yes);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(source);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS)) {
        close(fd);
        return -1;
    }
    for (;;) {
        pollfd p{fd, POLLOUT, 0};
        const int left = MillisLeft(deadline);
        const int rc = poll(&p, 1, left);
        if (rc > 0) break;
        if (left == 0 || (rc < 0 && errno != EINTR)) {
            close(fd);
            return -1;
        }
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// True once `got` holds a whole answer: its head and as many body bytes as
// its Content-Length says (an answer without one ends when the server closes).
inline bool AnswerComplete(const std::string& got) {
    const size_t headEnd = got.find("\r\n\r\n");
    if (headEnd == std::string::npos) return false;
    for (size_t at = got.find("\r\n"); at < headEnd; at = got.find("\r\n", at + 2)) {
        if (strncasecmp(got.c_str() + at + 2, "Content-Length:", 15) != 0) continue;
        return got.size() - (headEnd + 4) >= std::strtoul(got.c_str() + at + 17, nullptr, 10);
    }
    return false;
}

enum class Outcome { Answered, Closed, TimedOut, NoConnection };

// Sends `head` then `bodyBytes` bytes of `body` (repeated), reading all the
// while, until the answer is complete, the server closes, or the deadline.
// `got` holds what came back.
inline Outcome Exchange(uint32_t source, int port, const std::string& head, const std::string& body, size_t bodyBytes,
                        Clock::time_point deadline, std::string& got) {
    got.clear();
    const int fd = ConnectFrom(source, port, deadline);
    if (fd < 0) return Outcome::NoConnection;
    size_t sent = 0;
    const size_t total = head.size() + bodyBytes;
    char block[16384];
    Outcome outcome = Outcome::TimedOut;
    for (;;) {
        pollfd p{fd, static_cast<short>(POLLIN | (sent < total ? POLLOUT : 0)), 0};
        const int left = MillisLeft(deadline);
        if (left == 0) break;
        if (poll(&p, 1, left) <= 0) continue;
        if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = recv(fd, block, sizeof block, 0);
            if (n > 0) {
                got.append(block, static_cast<size_t>(n));
                if (AnswerComplete(got)) {
                    outcome = Outcome::Answered;
                    break;
                }
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            outcome = got.rfind("HTTP/1.", 0) == 0 ? Outcome::Answered : Outcome::Closed;
            break;
        }
        if (p.revents & POLLOUT) {
            const char* data;
            size_t length;
            if (sent < head.size()) {
                data = head.data() + sent;
                length = head.size() - sent;
            } else {
                const size_t at = (sent - head.size()) % body.size();
                data = body.data() + at;
                length = std::min(body.size() - at, total - sent);
            }
            const ssize_t n = send(fd, data, length, MSG_NOSIGNAL);
            if (n > 0) sent += static_cast<size_t>(n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR) sent = total;  // refused mid-way: read what came
        }
    }
    close(fd);
    return outcome;
}

}  // namespace scorebench

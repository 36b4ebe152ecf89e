#include "http_front.h"

#include "gbk_query.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora {

namespace {

std::int64_t now_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string peer_of(int fd, int& port)
{
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    char host[NI_MAXHOST], serv[NI_MAXSERV];
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0
        || getnameinfo(reinterpret_cast<sockaddr*>(&ss), len, host, sizeof host, serv, sizeof serv,
                       NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return {};
    port = std::atoi(serv);
    return host;
}

// Waits up to `ms` for the socket; false on timeout or error.
bool wait_for(int fd, short events, std::int64_t ms)
{
    if (ms <= 0) return false;
    pollfd p{fd, events, 0};
    for (;;) {
        const int r = ::poll(&p, 1, int(std::min<std::int64_t>(ms, 60'000)));
        if (r < 0 && errno == EINTR) continue;
        return r > 0;
    }
}

// What fits in the descriptors this process may open, keeping some for the
// store and the rest of the program.
int descriptor_room()
{
    rlimit r{};
    if (getrlimit(RLIMIT_NOFILE, &r) != 0) return 512;
    if (r.rlim_cur < r.rlim_max && r.rlim_cur < 8192) {
        r.rlim_cur = std::min<rlim_t>(r.rlim_max, 8192);
        setrlimit(RLIMIT_NOFILE, &r);
        getrlimit(RLIMIT_NOFILE, &r);
    }
    return std::max(64, int(std::min<rlim_t>(r.rlim_cur, 1'000'000)) - 300);
}

}  // namespace

struct Conn {
    int fd = -1;
    std::string address;
    int port = 0;
    std::string buf;            // the request header(s) read so far
    std::int64_t deadline = 0;  // steady ms: the request must be here by then
    std::uint64_t seq = 0;      // when it began to wait: the oldest is dropped first
    bool idle = true;           // no byte of the next request yet
    bool gone = false;          // closed (or being closed) by the front
    int served = 0;
};
using ConnPtr = std::shared_ptr<Conn>;

// The request as the HTTP library reads it: the header the front gathered,
// then (for a body) the socket, within a time limit.
class BufferedStream final : public httplib::Stream {
public:
    BufferedStream(Conn& c, const FrontLimits& l)
        : c_(c), body_until_(now_ms() + l.body_seconds * 1000), write_until_(now_ms() + l.write_seconds * 1000)
    {
    }
    std::size_t consumed() const { return pos_; }

    bool is_readable() const override
    {
        return pos_ < c_.buf.size() || wait_for(c_.fd, POLLIN, body_until_ - now_ms());
    }
    bool is_writable() const override
    {
        return wait_for(c_.fd, POLLOUT, std::min<std::int64_t>(5000, write_until_ - now_ms()));
    }
    ssize_t read(char* ptr, size_t size) override
    {
        if (pos_ < c_.buf.size()) {
            const size_t n = std::min(size, c_.buf.size() - pos_);
            std::memcpy(ptr, c_.buf.data() + pos_, n);
            pos_ += n;
            return ssize_t(n);
        }
        for (;;) {
            if (!wait_for(c_.fd, POLLIN, body_until_ - now_ms())) return -1;
            const ssize_t n = ::recv(c_.fd, ptr, size, 0);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
            return n;
        }
    }
    ssize_t write(const char* ptr, size_t size) override
    {
        if (!is_writable()) return -1;
        const ssize_t n = ::send(c_.fd, ptr, size, MSG_NOSIGNAL);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
        return n;
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override
    {
        ip = c_.address;
        port = c_.port;
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage ss{};
        socklen_t len = sizeof ss;
        char host[NI_MAXHOST], serv[NI_MAXSERV];
        if (getsockname(c_.fd, reinterpret_cast<sockaddr*>(&ss), &len) == 0
            && getnameinfo(reinterpret_cast<sockaddr*>(&ss), len, host, sizeof host, serv, sizeof serv,
                           NI_NUMERICHOST | NI_NUMERICSERV) == 0) {
            ip = host;
            port = std::atoi(serv);
        }
    }
    socket_t socket() const override { return c_.fd; }

private:
    Conn& c_;
    std::size_t pos_ = 0;
    std::int64_t body_until_, write_until_;
};

class FrontServer::Front {
public:
    Front(FrontServer& server, FrontLimits limits) : server_(server), limits_(limits)
    {
        limits_.total = std::min(limits_.total, descriptor_room());
    }

    void start()
    {
        std::lock_guard lock(mu_);
        stopping_ = false;
        wake_fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        pool_ = std::make_unique<httplib::ThreadPool>(size_t(std::max(1, limits_.workers)));
        thread_ = std::thread([this] { gather(); });
    }

    void shutdown()
    {
        {
            std::lock_guard lock(mu_);
            if (!pool_) return;
            stopping_ = true;
        }
        wake();
        if (thread_.joinable()) thread_.join();
        pool_->shutdown();  // lets the requests in hand finish
        std::lock_guard lock(mu_);
        pool_.reset();
        for (const ConnPtr& c : waiting_) drop(*c);
        waiting_.clear();
        close_dropped();
        ::close(wake_fd_);
        wake_fd_ = -1;
    }

    // A connection the listener accepted (on its thread: only bookkeeping).
    void adopt(int fd)
    {
        const int flags = ::fcntl(fd, F_GETFL, 0);
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        auto c = std::make_shared<Conn>();
        c->fd = fd;
        c->address = peer_of(fd, c->port);
        // A new connection is opened to send a request: it has the time of
        // one from the start, not the idle time.
        c->idle = false;
        c->deadline = now_ms() + limits_.header_seconds * 1000;
        {
            std::lock_guard lock(mu_);
            if (stopping_ || !make_room(c->address)) {
                ::close(fd);
                return;
            }
            ++per_address_[c->address];
            ++live_;
            c->seq = ++seq_;
            waiting_.push_back(c);
        }
        wake();
    }

private:
    enum class Header { Partial, Complete, TooLarge, UriTooLong };

    Header header_of(const Conn& c) const
    {
        const size_t end = c.buf.find("\r\n\r\n");
        const size_t upto = end == std::string::npos ? c.buf.size() : end + 4;
        if (std::count(c.buf.begin(), c.buf.begin() + std::ptrdiff_t(upto), '\n') > limits_.header_lines)
            return Header::TooLarge;
        if (end != std::string::npos) return Header::Complete;
        if (c.buf.size() < limits_.header_bytes) return Header::Partial;
        return c.buf.find('\n') == std::string::npos ? Header::UriTooLong : Header::TooLarge;
    }

    void wake()
    {
        const std::uint64_t one = 1;
        if (wake_fd_ >= 0) [[maybe_unused]] auto n = ::write(wake_fd_, &one, sizeof one);
    }

    // Under mu_: takes the connection out of the counts; the gatherer
    // closes its socket (never while it may be polling it).
    void drop(Conn& c)
    {
        if (c.gone) return;
        c.gone = true;
        if (--per_address_[c.address] <= 0) per_address_.erase(c.address);
        --live_;
        to_close_.push_back(c.fd);
    }
    void close_dropped()
    {
        for (int fd : to_close_) ::close(fd);
        to_close_.clear();
    }

    // Under mu_: the oldest waiting connection of the address (idle ones
    // first, then those still sending), or of any address.
    bool evict_oldest(const std::string* address)
    {
        auto worse = [](const ConnPtr& a, const ConnPtr& b) {
            return a->idle != b->idle ? a->idle : a->seq < b->seq;
        };
        auto pick = waiting_.end();
        for (auto it = waiting_.begin(); it != waiting_.end(); ++it)
            if ((!address || (*it)->address == *address) && (pick == waiting_.end() || worse(*it, *pick))) pick = it;
        if (pick == waiting_.end()) return false;
        drop(**pick);
        waiting_.erase(pick);
        return true;
    }

    // Under mu_: room for one more connection of `address`. A full address
    // gives up its oldest waiting connection: a teacher's new request gets
    // in while the slow ones of the same address make way.
    bool make_room(const std::string& address)
    {
        const auto it = per_address_.find(address);
        if (it != per_address_.end() && it->second >= limits_.per_address && !evict_oldest(&address)) return false;
        if (live_ < limits_.total) return true;
        std::string largest;
        int most = 0;
        for (const auto& [a, n] : per_address_)
            if (n > most) most = n, largest = a;
        return evict_oldest(&largest) || evict_oldest(nullptr);
    }

    void answer_and_drop(const ConnPtr& c, const char* status, const char* text)
    {
        const std::string body = utf8_to_gbk(text);
        const std::string reply = std::string("HTTP/1.1 ") + status
                                  + "\r\nContent-Type: text/html; charset=GBK\r\nContent-Length: "
                                  + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        [[maybe_unused]] auto n = ::send(c->fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        {
            std::lock_guard lock(mu_);
            drop(*c);
        }
        wake();
    }

    // Reads what has arrived; a complete header goes to a worker.
    void take(const ConnPtr& c, std::int64_t now)
    {
        char chunk[4096];
        Header h = Header::Partial;
        for (;;) {
            const size_t room = limits_.header_bytes + 1 - std::min(c->buf.size(), limits_.header_bytes);
            const ssize_t n = ::recv(c->fd, chunk, std::min(room, sizeof chunk), MSG_DONTWAIT);
            if (n > 0) {
                if (c->idle) {
                    c->idle = false;
                    c->deadline = now + limits_.header_seconds * 1000;
                }
                c->buf.append(chunk, size_t(n));
                if ((h = header_of(*c)) != Header::Partial) break;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            std::lock_guard lock(mu_);  // closed by the client, or broken
            std::erase(waiting_, c);
            drop(*c);
            return;
        }
        {
            std::lock_guard lock(mu_);
            std::erase(waiting_, c);
        }
        dispatch(c, h);
    }

    // A connection out of the waiting set whose header is complete or
    // refused.
    void dispatch(const ConnPtr& c, Header h)
    {
        if (h == Header::TooLarge)
            return answer_and_drop(c, "431 Request Header Fields Too Large", "请求头太长（运行时错误 431），服务器不能处理。");
        if (h == Header::UriTooLong)
            return answer_and_drop(c, "414 URI Too Long", "请求地址太长（运行时错误 414），服务器不能处理。");
        std::lock_guard lock(mu_);
        if (c->gone) return;
        if (stopping_) return drop(*c);
        pool_->enqueue([this, c] { serve(c); });
    }

    // On a worker: one request, then the connection waits again.
    void serve(const ConnPtr& c)
    {
        bool last;
        {
            std::lock_guard lock(mu_);
            last = stopping_ || ++c->served >= limits_.keep_alive_requests;
        }
        BufferedStream strm(*c, limits_);
        bool closed = false;
        // Ranges are not served: every page is small, and a request for
        // thousands of overlapping ranges would multiply the reply.
        const bool ok = server_.process_request(strm, last, closed, [](httplib::Request& req) {
            req.ranges.clear();
            req.headers.erase("Range");
        });
        c->buf.erase(0, std::min(strm.consumed(), c->buf.size()));
        std::unique_lock lock(mu_);
        if (!ok || closed || last || stopping_) {
            drop(*c);
            lock.unlock();
            wake();
            return;
        }
        c->idle = c->buf.empty();
        c->deadline = now_ms() + (c->idle ? limits_.idle_seconds : limits_.header_seconds) * 1000;
        const Header h = c->idle ? Header::Partial : header_of(*c);
        if (h == Header::Partial) {
            c->seq = ++seq_;
            waiting_.push_back(c);
            lock.unlock();
            wake();
            return;
        }
        lock.unlock();
        dispatch(c, h);  // the next request came with this one
    }

    void gather()
    {
        std::vector<ConnPtr> snap;
        std::vector<pollfd> fds;
        for (;;) {
            {
                std::lock_guard lock(mu_);
                close_dropped();
                if (stopping_) return;
                snap = waiting_;
            }
            fds.assign(1, pollfd{wake_fd_, POLLIN, 0});
            std::int64_t now = now_ms(), next = now + 1000;
            for (const ConnPtr& c : snap) {
                fds.push_back(pollfd{c->fd, POLLIN, 0});
                next = std::min(next, c->deadline);
            }
            const int r = ::poll(fds.data(), fds.size(), int(std::max<std::int64_t>(0, next - now)));
            if (r < 0 && errno != EINTR) continue;
            if (fds[0].revents) {
                std::uint64_t v;
                [[maybe_unused]] auto n = ::read(wake_fd_, &v, sizeof v);
            }
            now = now_ms();
            for (size_t i = 0; i < snap.size(); ++i) {
                const ConnPtr& c = snap[i];
                {
                    std::lock_guard lock(mu_);
                    if (c->gone || std::find(waiting_.begin(), waiting_.end(), c) == waiting_.end()) continue;
                }
                if (fds[i + 1].revents) take(c, now);
                else if (now >= c->deadline) {
                    // Too slow to send its request, or idle too long.
                    std::lock_guard lock(mu_);
                    std::erase(waiting_, c);
                    drop(*c);
                }
            }
        }
    }

    FrontServer& server_;
    FrontLimits limits_;
    std::mutex mu_;
    std::vector<ConnPtr> waiting_;  // gathering a header, or idle
    std::unordered_map<std::string, int> per_address_;
    std::vector<int> to_close_;
    int live_ = 0;
    std::uint64_t seq_ = 0;
    bool stopping_ = false;
    int wake_fd_ = -1;
    std::thread thread_;
    std::unique_ptr<httplib::ThreadPool> pool_;
};

namespace {

// The listener's task queue: an accepted socket is only registered with the
// front, right on the listener's thread.
class AdoptQueue final : public httplib::TaskQueue {
public:
    explicit AdoptQueue(std::shared_ptr<FrontServer::Front> front) : front_(std::move(front)) {}
    void enqueue(std::function<void()> fn) override { fn(); }
    void shutdown() override { front_->shutdown(); }

private:
    std::shared_ptr<FrontServer::Front> front_;
};

}  // namespace

FrontServer::FrontServer(FrontLimits limits) : front_(std::make_shared<Front>(*this, limits))
{
    new_task_queue = [front = front_] {
        front->start();
        return new AdoptQueue(front);
    };
}

FrontServer::~FrontServer() = default;

void FrontServer::widen_listen_queue()
{
    if (svr_sock_ != INVALID_SOCKET) ::listen(svr_sock_, SOMAXCONN);
}

bool FrontServer::process_and_close_socket(socket_t sock)
{
    front_->adopt(sock);
    return true;
}

}  // namespace velmora

// The scripted recording server over cpp-httplib. Plain HTTP connections are accepted here and read
// through a stream that keeps the raw bytes, so tests see header lines in the order the client sent
// them; HTTPS goes through the library's own server, with a self-signed certificate made at start.
#include "support/fake_http_server.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

namespace kc::test {
namespace {

constexpr int kIoTimeoutMs = 5000;

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool WaitFor(int fd, short events)
{
    pollfd entry{fd, events, 0};
    return ::poll(&entry, 1, kIoTimeoutMs) > 0;
}

void AddressOf(int fd, bool peer, std::string& ip, int& port)
{
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    if ((peer ? ::getpeername(fd, raw, &length) : ::getsockname(fd, raw, &length)) != 0)
        return;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof(text));
    ip = text;
    port = ntohs(address.sin_port);
}

// A connected socket as httplib reads it, keeping every byte received.
class RecordingStream : public httplib::Stream {
public:
    explicit RecordingStream(int fd)
        : m_fd(fd)
    {
    }
    bool is_readable() const override { return WaitFor(m_fd, POLLIN); }
    bool is_writable() const override { return WaitFor(m_fd, POLLOUT); }
    ssize_t read(char* data, size_t size) override
    {
        if (!is_readable())
            return -1;
        const ssize_t got = ::recv(m_fd, data, size, 0);
        if (got > 0)
            m_received.append(data, static_cast<size_t>(got));
        return got;
    }
    ssize_t write(const char* data, size_t size) override
    {
        if (m_muted)
            return static_cast<ssize_t>(size);
        if (!is_writable())
            return -1;
        return ::send(m_fd, data, size, MSG_NOSIGNAL);
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override { AddressOf(m_fd, true, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { AddressOf(m_fd, false, ip, port); }
    socket_t socket() const override { return m_fd; }

    // The request line and header lines received so far, up to and including the blank line.
    std::string Head() const
    {
        const size_t end = m_received.find("\r\n\r\n");
        return end == std::string::npos ? m_received : m_received.substr(0, end + 4);
    }

    // Reads a body of a known length as it arrives, whatever its type claims it to be.
    bool ReadBody(size_t length, std::string& body)
    {
        body.clear();
        char buffer[4096];
        while (body.size() < length) {
            const ssize_t got = read(buffer, std::min(sizeof(buffer), length - body.size()));
            if (got <= 0)
                return false;
            body.append(buffer, static_cast<size_t>(got));
        }
        return true;
    }

    // Sends bytes past the library, for answers that stall or break off midway.
    bool SendRaw(std::string_view bytes)
    {
        while (!bytes.empty()) {
            if (!is_writable())
                return false;
            const ssize_t sent = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            bytes.remove_prefix(static_cast<size_t>(sent));
        }
        return true;
    }

    // After a raw answer the library's own answer must not follow it onto the wire.
    void Mute() { m_muted = true; }

private:
    int m_fd;
    std::string m_received;
    bool m_muted = false;
};

// The stream of the plain connection this thread is serving, if any.
thread_local RecordingStream* t_stream = nullptr;

HeaderList ParseHead(const std::string& head)
{
    HeaderList headers;
    size_t start = head.find("\r\n");
    while (start != std::string::npos) {
        start += 2;
        const size_t end = head.find("\r\n", start);
        if (end == std::string::npos || end == start)
            break;
        const std::string line = head.substr(start, end - start);
        const size_t colon = line.find(':');
        std::string value = colon == std::string::npos ? std::string() : line.substr(colon + 1);
        value.erase(0, std::min(value.find_first_not_of(" \t"), value.size()));
        headers.emplace_back(line.substr(0, colon), value);
        start = end;
    }
    return headers;
}

// Serves one plain connection through the library's request processing.
class PlainServer : public httplib::Server {
public:
    void Serve(int fd)
    {
        RecordingStream stream(fd);
        t_stream = &stream;
        bool closed = false;
        process_request(stream, true, closed, [](httplib::Request&) {});
        t_stream = nullptr;
    }
};

struct KeyCloser {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertCloser {
    void operator()(X509* cert) const { X509_free(cert); }
};

// A certificate for host, signed by its own key: no client that checks certificates accepts it.
bool MakeSelfSigned(
    const std::string& host, std::unique_ptr<EVP_PKEY, KeyCloser>& key, std::unique_ptr<X509, CertCloser>& cert)
{
    key.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", const_cast<char*>("P-256")));
    cert.reset(X509_new());
    if (!key || !cert)
        return false;
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 86400);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(
        name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(host.c_str()), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    return X509_sign(cert.get(), key.get(), EVP_sha256()) > 0;
}

} // namespace

std::string RecordedRequest::Header(std::string_view name) const
{
    for (const auto& [key, value] : headers) {
        if (EqualNoCase(key, name))
            return value;
    }
    return {};
}

bool RecordedRequest::HasHeader(std::string_view name) const
{
    return std::any_of(
        headers.begin(), headers.end(), [&](const auto& field) { return EqualNoCase(field.first, name); });
}

std::vector<std::string> RecordedRequest::HeaderLines() const
{
    std::vector<std::string> lines;
    for (const auto& [key, value] : headers)
        lines.push_back(key + ": " + value);
    return lines;
}

struct FakeHttpServer::Impl {
    std::string host;
    bool https = false;
    int port = 0;
    bool running = false;

    std::unique_ptr<httplib::Server> server;
    std::thread listener;
    int listenFd = -1;
    std::atomic<bool> stopping{false};

    mutable std::mutex mutex;
    std::condition_variable stopped; // wakes scripted delays when the server stops
    std::vector<RecordedRequest> requests;
    std::map<std::string, FakeScript> scripts;
    std::vector<std::thread> connections;

    void Handle(const httplib::Request& request, httplib::Response& response);
    void Route();
    bool Pause(std::chrono::milliseconds duration);
    bool StartPlain();
    bool StartHttps();
    void AcceptLoop();
    void Stop();
};

bool FakeHttpServer::Impl::Pause(std::chrono::milliseconds duration)
{
    std::unique_lock lock(mutex);
    return !stopped.wait_for(lock, duration, [this] { return stopping.load(); });
}

void FakeHttpServer::Impl::Handle(const httplib::Request& request, httplib::Response& response)
{
    RecordedRequest record;
    record.method = request.method;
    const size_t question = request.target.find('?');
    record.path = request.target.substr(0, question);
    record.query = question == std::string::npos ? std::string() : request.target.substr(question + 1);
    if (t_stream) {
        record.rawHead = t_stream->Head();
        record.headers = ParseHead(record.rawHead);
    } else {
        for (const auto& [key, value] : request.headers) {
            if (key != "REMOTE_ADDR" && key != "REMOTE_PORT" && key != "LOCAL_ADDR" && key != "LOCAL_PORT")
                record.headers.emplace_back(key, value);
        }
    }
    record.body = request.body;

    FakeScript script;
    {
        std::lock_guard lock(mutex);
        requests.push_back(record);
        if (auto it = scripts.find(record.path); it != scripts.end())
            script = it->second;
    }
    FakeAnswer answer;
    if (script)
        answer = script(record);
    else
        answer.status = 404;

    if (answer.delay.count() > 0 && !Pause(answer.delay))
        return;
    response.status = answer.status;
    std::string contentType;
    for (const auto& [key, value] : answer.headers) {
        if (EqualNoCase(key, "Content-Type"))
            contentType = value;
        else
            response.headers.emplace(key, value);
    }
    if (answer.bodyPause.count() == 0 && !answer.cutBody) {
        if (!contentType.empty())
            response.set_header("Content-Type", contentType);
        response.body = answer.body;
        return;
    }
    const size_t half = answer.body.size() / 2;
    if (t_stream) {
        // The library writes nothing from a content provider of a server that is not listening itself,
        // so a plain connection gets its broken answer straight onto the socket.
        std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " Scripted\r\n";
        head += "Content-Type: " + (contentType.empty() ? std::string("text/plain") : contentType) + "\r\n";
        for (const auto& [key, value] : answer.headers) {
            if (!EqualNoCase(key, "Content-Type"))
                head += key + ": " + value + "\r\n";
        }
        head += "Content-Length: " + std::to_string(answer.body.size()) + "\r\nConnection: close\r\n\r\n";
        if (t_stream->SendRaw(head + answer.body.substr(0, half)) && !answer.cutBody && Pause(answer.bodyPause))
            t_stream->SendRaw(std::string_view(answer.body).substr(half));
        t_stream->Mute();
        return;
    }
    response.set_content_provider(answer.body.size(), contentType.empty() ? "text/plain" : contentType,
        [this, answer, half](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset < half)
                return sink.write(answer.body.data(), half);
            if (answer.cutBody || !Pause(answer.bodyPause))
                return false;
            return sink.write(answer.body.data() + offset, answer.body.size() - offset);
        });
}

// Handlers go in before any thread serves a request.
void FakeHttpServer::Impl::Route()
{
    auto handler = [this](const httplib::Request& request, httplib::Response& response) { Handle(request, response); };
    server->Get(".*", handler).Post(".*", handler).Put(".*", handler).Delete(".*", handler);
    // On a plain connection the body is read here, before the library would parse it: a multipart body
    // is recorded as the bytes sent, and one the library finds malformed is recorded and answered too.
    server->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        if (!t_stream || EqualNoCase(request.get_header_value("Transfer-Encoding"), "chunked"))
            return httplib::Server::HandlerResponse::Unhandled;
        httplib::Request withBody = request;
        const size_t length = std::strtoull(request.get_header_value("Content-Length").c_str(), nullptr, 10);
        if (!t_stream->ReadBody(length, withBody.body)) {
            response.status = 400;
            return httplib::Server::HandlerResponse::Handled;
        }
        Handle(withBody, response);
        return httplib::Server::HandlerResponse::Handled;
    });
}

bool FakeHttpServer::Impl::StartPlain()
{
    server = std::make_unique<PlainServer>();
    Route();
    listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd < 0)
        return false;
    // A fixed port must be free again at once when an earlier run's connections linger in TIME_WAIT.
    const int reuse = 1;
    ::setsockopt(listenFd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1)
        return false;
    if (::bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || ::listen(listenFd, 64) != 0)
        return false;
    std::string ignored;
    AddressOf(listenFd, false, ignored, port);
    listener = std::thread([this] { AcceptLoop(); });
    return true;
}

void FakeHttpServer::Impl::AcceptLoop()
{
    while (!stopping) {
        pollfd entry{listenFd, POLLIN, 0};
        if (::poll(&entry, 1, 50) <= 0)
            continue;
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard lock(mutex);
        connections.emplace_back([this, fd] {
            static_cast<PlainServer*>(server.get())->Serve(fd);
            ::shutdown(fd, SHUT_RDWR);
            ::close(fd);
        });
    }
}

bool FakeHttpServer::Impl::StartHttps()
{
    std::unique_ptr<EVP_PKEY, KeyCloser> key;
    std::unique_ptr<X509, CertCloser> cert;
    if (!MakeSelfSigned(host, key, cert))
        return false;
    server = std::make_unique<httplib::SSLServer>(cert.get(), key.get());
    if (!server->is_valid())
        return false;
    Route();
    if (port != 0 ? !server->bind_to_port(host, port) : (port = server->bind_to_any_port(host)) <= 0)
        return false;
    listener = std::thread([this] { server->listen_after_bind(); });
    return true;
}

void FakeHttpServer::Impl::Stop()
{
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    stopped.notify_all();
    if (https && server)
        server->stop();
    if (listener.joinable())
        listener.join();
    std::vector<std::thread> open;
    {
        std::lock_guard lock(mutex);
        open.swap(connections);
    }
    for (auto& connection : open)
        connection.join();
    if (listenFd >= 0)
        ::close(listenFd);
    listenFd = -1;
}

FakeHttpServer::FakeHttpServer(std::string host, int port)
    : m_impl(std::make_unique<Impl>())
{
    m_impl->host = std::move(host);
    m_impl->port = port;
    m_impl->running = m_impl->StartPlain();
}

FakeHttpServer::FakeHttpServer(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{
}

std::unique_ptr<FakeHttpServer> FakeHttpServer::StartHttps(std::string host, int port)
{
    auto impl = std::make_unique<Impl>();
    impl->host = std::move(host);
    impl->port = port;
    impl->https = true;
    Impl* raw = impl.get();
    std::unique_ptr<FakeHttpServer> server(new FakeHttpServer(std::move(impl)));
    raw->running = raw->StartHttps();
    if (raw->running) {
        // The listening thread is already running; wait until it accepts before the test connects.
        for (int i = 0; i < 200 && !raw->server->is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return server;
}

FakeHttpServer::~FakeHttpServer()
{
    m_impl->Stop();
}

bool FakeHttpServer::IsRunning() const
{
    return m_impl->running;
}

int FakeHttpServer::Port() const
{
    return m_impl->port;
}

const std::string& FakeHttpServer::Host() const
{
    return m_impl->host;
}

std::string FakeHttpServer::BaseUrl() const
{
    return (m_impl->https ? "https://" : "http://") + m_impl->host + ":" + std::to_string(m_impl->port);
}

void FakeHttpServer::On(const std::string& path, FakeAnswer answer)
{
    On(path, FakeScript([answer](const RecordedRequest&) { return answer; }));
}

void FakeHttpServer::On(const std::string& path, FakeScript script)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->scripts[path] = std::move(script);
}

std::vector<RecordedRequest> FakeHttpServer::Requests() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->requests;
}

size_t FakeHttpServer::RequestCount() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->requests.size();
}

RecordedRequest FakeHttpServer::LastRequest() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->requests.empty() ? RecordedRequest() : m_impl->requests.back();
}

void FakeHttpServer::ClearRequests()
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->requests.clear();
}

} // namespace kc::test

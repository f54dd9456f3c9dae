// A scripted HTTP or HTTPS server on a loopback address that records every request it receives.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kc::test {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// One request as the server saw it. Path and query are the raw bytes of the request target.
struct RecordedRequest {
    std::string method;
    std::string path;
    std::string query; // after the "?", without it
    HeaderList headers; // in the order sent (plain http; over https in name order)
    std::string rawHead; // request line and header lines exactly as sent, blank line included (plain http)
    std::string body;

    // The first value of a header, the name compared without regard to case; empty when absent.
    std::string Header(std::string_view name) const;
    bool HasHeader(std::string_view name) const;
    // Header lines "Name: value" in order, for whole-set comparisons.
    std::vector<std::string> HeaderLines() const;
};

// What the server answers to one request.
struct FakeAnswer {
    int status = 200;
    HeaderList headers;
    std::string body;
    std::chrono::milliseconds delay{0}; // silence before the answer starts
    std::chrono::milliseconds bodyPause{0}; // silence between the first half of the body and the rest
    bool cutBody = false; // the connection drops after the first half of the body

    static FakeAnswer Text(std::string body, int status = 200)
    {
        FakeAnswer answer;
        answer.body = std::move(body);
        answer.status = status;
        return answer;
    }
    FakeAnswer& WithHeader(std::string name, std::string value)
    {
        headers.emplace_back(std::move(name), std::move(value));
        return *this;
    }
    FakeAnswer& WithDelay(std::chrono::milliseconds silence)
    {
        delay = silence;
        return *this;
    }
    FakeAnswer& WithBodyPause(std::chrono::milliseconds silence)
    {
        bodyPause = silence;
        return *this;
    }
    FakeAnswer& WithCutBody()
    {
        cutBody = true;
        return *this;
    }
};

using FakeScript = std::function<FakeAnswer(const RecordedRequest&)>;

class FakeHttpServer {
public:
    // Starts listening on host (any 127.x.y.z address) at port, 0 for a free one; IsRunning() tells
    // whether it could (a fixed port may be taken, and ports below 1024 need the right to bind them).
    explicit FakeHttpServer(std::string host = "127.0.0.1", int port = 0);
    // An HTTPS server with a self-signed certificate made for it.
    static std::unique_ptr<FakeHttpServer> StartHttps(std::string host = "127.0.0.1", int port = 0);
    ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer&) = delete;
    FakeHttpServer& operator=(const FakeHttpServer&) = delete;

    bool IsRunning() const;
    int Port() const;
    const std::string& Host() const;
    // "http://host:port" or "https://host:port".
    std::string BaseUrl() const;
    std::string Url(std::string_view pathAndQuery) const { return BaseUrl() + std::string(pathAndQuery); }

    // Answers requests for a path (the target without its query). Unscripted paths get 404.
    void On(const std::string& path, FakeAnswer answer);
    void On(const std::string& path, FakeScript script);

    std::vector<RecordedRequest> Requests() const;
    size_t RequestCount() const;
    RecordedRequest LastRequest() const;
    void ClearRequests();

private:
    struct Impl;
    explicit FakeHttpServer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace kc::test

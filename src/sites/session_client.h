// The HTTP client a site record owns: a copy of the record gets a client of its own on the same session.
#pragma once

#include <memory>

namespace kc::http {
class HttpClient;
} // namespace kc::http

namespace kc::sites {

// Holds a site's HttpClient. Copying makes a new client that is a copy of the held one, so the copy shares the
// back-end session and its cookies (what a login established carries over) while a Reset of either client
// starts a fresh session for that client alone. Pointer-like otherwise (reset, get, *, ->, test for a client),
// so callers may also install a client of their own or drop it.
class SessionClient {
public:
    SessionClient(); // a new client with a new session
    SessionClient(std::shared_ptr<http::HttpClient> client); // NOLINT: implicit, so a record's client can be set
    SessionClient(const SessionClient& other); // none when other holds none
    SessionClient& operator=(const SessionClient& other);
    SessionClient(SessionClient&& other) noexcept;
    SessionClient& operator=(SessionClient&& other) noexcept;
    ~SessionClient();

    void reset() { m_client.reset(); }
    http::HttpClient* get() const { return m_client.get(); }
    http::HttpClient& operator*() const { return *m_client; }
    http::HttpClient* operator->() const { return m_client.get(); }
    explicit operator bool() const { return m_client != nullptr; }

private:
    std::shared_ptr<http::HttpClient> m_client;
};

} // namespace kc::sites

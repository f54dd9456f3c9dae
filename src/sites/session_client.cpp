// Copies of a site's client that share the session but not the client object.
#include "sites/session_client.h"

#include "http/http_client.h"

#include <utility>

namespace kc::sites {

SessionClient::SessionClient()
    : m_client(std::make_shared<http::HttpClient>())
{
}

SessionClient::SessionClient(std::shared_ptr<http::HttpClient> client)
    : m_client(std::move(client))
{
}

SessionClient::SessionClient(const SessionClient& other)
    : m_client(other.m_client ? std::make_shared<http::HttpClient>(*other.m_client) : nullptr)
{
}

SessionClient& SessionClient::operator=(const SessionClient& other)
{
    if (this != &other)
        m_client = other.m_client ? std::make_shared<http::HttpClient>(*other.m_client) : nullptr;
    return *this;
}

SessionClient::SessionClient(SessionClient&& other) noexcept = default;
SessionClient& SessionClient::operator=(SessionClient&& other) noexcept = default;
SessionClient::~SessionClient() = default;

} // namespace kc::sites

// The one object through which every request to a shop or an outside text service is sent.
//
// Two transports: access method 1 sends a one-shot request whose cookies live in one store shared by
// the whole process (keyed by host) and ignores certificate errors; access method 2 goes through the
// client's own session, whose cookies stay with the client (and its copies) until Reset, and checks
// certificates. No operation reports an error: a failed request yields an empty or partial body.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kc::http {

// Sets libcurl up for the whole process. main calls it before any thread starts; later calls (tests,
// every client) do nothing.
void InitHttp();

// The access-method combo box of the main window, as an item index (-1 when nothing is selected).
// Request asks it at every call, from whichever thread makes the call, so the provider must be
// thread-safe (the main window hands out an atomic copy of the index). Index 1 selects access method 2,
// anything else access method 1, which is also what happens while no provider is installed. An empty
// function removes the provider.
void SetAccessMethodProvider(std::function<int()> provider);

// The item index the provider gives now (-1 without a provider).
int CurrentAccessMethodIndex();

inline constexpr std::string_view kDefaultUserAgent = "Mozilla/5.0 (Windows NT 6.1) AppleWebKit/537.36 (KHTML, like "
                                                      "Gecko) Chrome/30.0.1599.101 Safari/537.36";
inline constexpr std::string_view kDefaultContentType = "application/x-www-form-urlencoded";

class HttpClient {
public:
    HttpClient();
    ~HttpClient();
    // A copy shares the access-method-2 session, cookies included; the last holder releases it.
    HttpClient(const HttpClient& other);
    HttpClient& operator=(const HttpClient& other);

    // Starts a fresh access-method-2 session without cookies (copies made earlier keep the old one).
    void Reset();

    // Sends a GET, or a POST when body or bodyBytes is not empty (bodyBytes wins), through the access
    // method the provider names, and returns the answer as internal text. encoding (optional, in and
    // out) is the TextEncoding to decode with: 0 detect, 1 GBK, 2 UTF-8; when it is 0 and the answer's
    // headers declare UTF-8, it becomes 2. timeout is in seconds, 0 for the defaults. An empty referer
    // means the URL itself; cookies are "name=value; name=value"; an empty contentType means a form;
    // extraHeaders are "Name: value" lines separated by CR LF.
    std::string Request(std::string_view url, std::string_view body = {}, int* encoding = nullptr, double timeout = 0,
        std::string_view bodyBytes = {}, std::string_view referer = {}, std::string_view cookies = {},
        std::string_view contentType = {}, std::string_view extraHeaders = {});

    // As Request, but always through access method 1 and with the caller's header text as it stands
    // (a caller that needs a Content-Type writes the line itself). Used by the outside text services.
    std::string RequestDirect(std::string_view url, std::string_view body = {}, int* encoding = nullptr,
        double timeout = 0, std::string_view bodyBytes = {}, std::string_view referer = {},
        std::string_view cookies = {}, std::string_view headerText = {});

    // Downloads the answer body as bytes through this client's session (GET, default time-outs),
    // whichever access method is selected; a gzip body is returned decoded.
    std::string FetchBytes(std::string_view url);

    // Access method 1's transport: a GET, or a POST with bodyBytes, with the header text completed by
    // the default lines. A URL that is blank gives empty bytes without touching the network.
    // timeoutSeconds <= 0 means 60 seconds. responseHeaders receives the final answer's raw header
    // text (status line included, CR LF separated) when it is shorter than 2048 bytes, else nothing;
    // cookieList receives the cookies it sets as "a=1;b=2;".
    static std::string WorkerRequest(std::string_view url, bool post = false, std::string_view headerText = {},
        std::string_view bodyBytes = {}, std::string_view cookies = {}, int timeoutSeconds = 0,
        std::string* responseHeaders = nullptr, std::string* cookieList = nullptr);

private:
    struct Session;
    std::shared_ptr<Session> m_session;
};

} // namespace kc::http

// The request rules of both access methods: URL normalisation, header completion, time-outs, cookies
// and the decoding of answers into internal text.
#include "http/http_client.h"

#include "http/answer_decoding.h"
#include "http/http_transfer.h"
#include "text/text_encoding.h"

#include <cmath>
#include <mutex>
#include <utility>
#include <vector>

namespace kc::http {

struct HttpClient::Session {
    detail::CookieStore cookies;
};

namespace {

using std::chrono::milliseconds;

constexpr std::string_view kAcceptLine
    = "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
      "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";
constexpr std::string_view kLanguageLine = "Accept-Language: zh-cn";
constexpr std::string_view kCrLf = "\r\n";
// Raw headers are handed back only when they fit this area, terminating zero included.
constexpr size_t kRawHeaderArea = 2048;

std::mutex g_providerMutex;
std::function<int()> g_provider;

// Header names and words are ASCII; bytes of other characters are never folded.
char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = FoldAscii(c);
    return lower;
}

// As a search of the lowered needle in the lowered text, without lowering either: header texts are
// searched a dozen times per request.
size_t FindNoCase(std::string_view text, std::string_view what, size_t from = 0)
{
    if (what.empty())
        return from <= text.size() ? from : std::string_view::npos;
    if (what.size() > text.size())
        return std::string_view::npos;
    const char first = FoldAscii(what[0]);
    for (size_t i = from; i <= text.size() - what.size(); ++i) {
        if (FoldAscii(text[i]) != first)
            continue;
        size_t k = 1;
        while (k < what.size() && FoldAscii(text[i + k]) == FoldAscii(what[k]))
            ++k;
        if (k == what.size())
            return i;
    }
    return std::string_view::npos;
}

bool ContainsNoCase(std::string_view text, std::string_view what)
{
    return FindNoCase(text, what) != std::string::npos;
}

bool HasScheme(std::string_view url)
{
    const std::string lower = LowerAscii(url.substr(0, 8));
    return lower.starts_with("http://") || lower.starts_with("https://");
}

std::string_view TrimBlanks(std::string_view text)
{
    constexpr std::string_view kBlanks = " \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string_view CutFragment(std::string_view url)
{
    return url.substr(0, std::min(url.find('#'), url.size()));
}

std::string WithScheme(std::string_view url)
{
    return HasScheme(url) ? std::string(url) : "http://" + std::string(url);
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find(kCrLf, start);
        if (end == std::string_view::npos) {
            if (start < text.size())
                lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + kCrLf.size();
    }
    return lines;
}

void RemoveAllNoCase(std::string& text, std::string_view word)
{
    for (size_t at = FindNoCase(text, word); at != std::string::npos; at = FindNoCase(text, word, at))
        text.erase(at, word.size());
}

// The header text access method 1 sends: the caller's lines followed by the default ones it lacks.
// Each test looks for its word anywhere in the text, so "Accept-Language" also counts as "Accept".
std::string CompleteWorkerHeaders(
    std::string_view headerText, bool post, std::string_view url, size_t bodyLength, std::string_view cookies)
{
    std::string text(headerText);
    if (!text.empty())
        text += kCrLf;
    if (!ContainsNoCase(text, "Accept"))
        text.append(kAcceptLine).append(kCrLf);
    if (ContainsNoCase(text, "RefererNo"))
        RemoveAllNoCase(text, "RefererNo"); // the caller asks for no Referer
    else if (!ContainsNoCase(text, "Referer"))
        text.append("Referer: ").append(url).append(kCrLf);
    if (!ContainsNoCase(text, "Accept-Language"))
        text.append(kLanguageLine).append(kCrLf);
    if (post) {
        if (bodyLength > 0 && !ContainsNoCase(text, "Content-Type"))
            text.append("Content-Type: ").append(kDefaultContentType).append(kCrLf);
        if (!ContainsNoCase(text, "Content-Length"))
            text.append("Content-Length: ").append(std::to_string(bodyLength)).append(kCrLf);
    }
    if (!cookies.empty())
        text.append("Cookie: ").append(cookies).append(kCrLf).append(kCrLf);
    return text;
}

std::string UserAgentFrom(std::string_view headerText)
{
    constexpr std::string_view kName = "User-Agent:";
    const size_t at = FindNoCase(headerText, kName);
    if (at == std::string::npos)
        return std::string(kDefaultUserAgent);
    const size_t from = at + kName.size();
    const size_t end = headerText.find(kCrLf, from);
    return std::string(TrimBlanks(headerText.substr(from, end == std::string_view::npos ? end : end - from)));
}

// Every line holding "Set-Cookie: " gives its text after those 12 characters up to the first ";".
std::string CookieListFrom(std::string_view rawHeaders)
{
    constexpr std::string_view kSetCookie = "Set-Cookie: ";
    std::string list;
    if (!ContainsNoCase(rawHeaders, kSetCookie))
        return list;
    for (const auto& line : SplitLines(rawHeaders)) {
        if (!ContainsNoCase(line, kSetCookie))
            continue;
        const std::string_view rest = std::string_view(line).substr(std::min(kSetCookie.size(), line.size()));
        list.append(rest.substr(0, std::min(rest.find(';'), rest.size()))).append(";");
    }
    return list;
}

// The three ways a header declares UTF-8, written with '' for a double quote.
bool DeclaresUtf8(std::string_view headerText)
{
    static const std::string alternatives = [] {
        std::string text = "charset=utf-8|charset=''utf-8''|charset='utf-8'";
        for (size_t at = text.find("''"); at != std::string::npos; at = text.find("''", at + 1))
            text.replace(at, 2, "\"");
        return text;
    }();
    return MatchAlternatives(headerText, alternatives, true);
}

std::string Decode(std::string_view bytes, std::string_view headerText, int* encoding)
{
    int requested = encoding ? *encoding : text::kEncodingAuto;
    if (requested == text::kEncodingAuto && DeclaresUtf8(headerText)) {
        requested = text::kEncodingUtf8;
        if (encoding)
            *encoding = requested;
    }
    return text::LoadText({}, requested, nullptr, bytes);
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}

// Header fields of access method 2 are set one by one; setting a name again replaces its value.
class HeaderSet {
public:
    HeaderSet() { m_fields.reserve(8); }
    void Set(std::string_view name, std::string_view value)
    {
        for (auto& field : m_fields) {
            if (EqualsNoCase(field.first, name)) {
                field.second = value;
                return;
            }
        }
        m_fields.emplace_back(name, value);
    }
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        lines.reserve(m_fields.size());
        for (const auto& [name, value] : m_fields) {
            std::string line;
            line.reserve(name.size() + 2 + value.size());
            line.append(name).append(": ").append(value);
            lines.push_back(std::move(line));
        }
        return lines;
    }

private:
    std::vector<std::pair<std::string, std::string>> m_fields;
};

// Access method 2 on the client's session. Its time-outs: a limit of at least one second governs the
// whole exchange, its halves the resolving and the connecting; below that the defaults hold.
std::string SessionRequest(detail::CookieStore& session, std::string_view url, std::string_view bodyBytes,
    double timeout, std::string_view referer, std::string_view cookies, std::string_view contentType,
    std::string_view extraHeaders, std::string* headerText)
{
    const std::string_view trimmed = TrimBlanks(url);
    detail::TransferSpec spec;
    spec.url = WithScheme(CutFragment(trimmed));
    spec.post = !bodyBytes.empty();
    spec.body = bodyBytes;

    HeaderSet headers;
    headers.Set("Referer", WithScheme(referer.empty() ? trimmed : referer));
    if (extraHeaders.find("Content-Type:") == std::string_view::npos)
        headers.Set("Content-Type", contentType.empty() ? kDefaultContentType : contentType);
    if (extraHeaders.find("User-Agent:") == std::string_view::npos)
        headers.Set("User-Agent", kDefaultUserAgent);
    for (const auto& line : SplitLines(extraHeaders)) {
        const size_t colon = line.find(": ");
        if (colon == std::string::npos)
            continue;
        const std::string_view name = std::string_view(line).substr(0, colon);
        const std::string_view value = std::string_view(line).substr(colon + 2);
        if (!name.empty() && !value.empty())
            headers.Set(name, value);
    }
    if (!cookies.empty())
        headers.Set("Cookie", cookies);
    spec.postHeaders = headers.Lines();
    spec.getSendsPostHeaders = true;

    spec.verifyTls = true;
    spec.cookies = &session;
    spec.storeOnly = !cookies.empty();
    if (timeout >= 1) {
        const auto half = milliseconds(static_cast<long long>(timeout * 500));
        const auto whole = milliseconds(static_cast<long long>(timeout * 1000));
        spec.connectTimeout = half + half; // resolving and connecting, each half the limit
        spec.sendTimeout = whole;
        spec.receiveTimeout = whole;
        spec.totalTimeout = whole;
    } else {
        spec.connectTimeout = milliseconds(10000 + 10000);
        spec.sendTimeout = milliseconds(60000);
        spec.receiveTimeout = milliseconds(120000);
        spec.totalTimeout = milliseconds(120000);
    }
    detail::TransferResult result = detail::TransferWithPump(spec);
    if (headerText)
        *headerText = std::move(result.rawHeaders);
    return std::move(result.body);
}

// Access method 1 as Request and RequestDirect run it, before the transport itself.
std::string DirectRequest(std::string_view url, std::string_view body, int* encoding, double timeout,
    std::string_view bodyBytes, std::string_view referer, std::string_view cookies, std::string_view headerText)
{
    const std::string_view target = CutFragment(url);
    std::string headers(headerText);
    headers.append(kCrLf).append("Referer: ").append(referer.empty() ? target : referer);
    const std::string_view bytes = bodyBytes.empty() ? body : bodyBytes;
    const int seconds = std::fabs(timeout) > 0.0000001 ? static_cast<int>(timeout) : 120;
    std::string rawHeaders;
    const std::string answer
        = HttpClient::WorkerRequest(target, !bytes.empty(), headers, bytes, cookies, seconds, &rawHeaders, nullptr);
    return Decode(answer, rawHeaders, encoding);
}

} // namespace

void SetAccessMethodProvider(std::function<int()> provider)
{
    std::lock_guard lock(g_providerMutex);
    g_provider = std::move(provider);
}

int CurrentAccessMethodIndex()
{
    std::function<int()> provider;
    {
        std::lock_guard lock(g_providerMutex);
        provider = g_provider;
    }
    return provider ? provider() : -1;
}

HttpClient::HttpClient()
    : m_session(std::make_shared<Session>())
{
}

HttpClient::~HttpClient() = default;
HttpClient::HttpClient(const HttpClient& other) = default;
HttpClient& HttpClient::operator=(const HttpClient& other) = default;

void HttpClient::Reset()
{
    m_session = std::make_shared<Session>();
}

std::string HttpClient::Request(std::string_view url, std::string_view body, int* encoding, double timeout,
    std::string_view bodyBytes, std::string_view referer, std::string_view cookies, std::string_view contentType,
    std::string_view extraHeaders)
{
    if (CurrentAccessMethodIndex() == 1) {
        // Keep the session alive even if a pumped event resets or destroys this client meanwhile.
        const std::shared_ptr<Session> session = m_session;
        std::string headerText;
        const std::string answer = SessionRequest(session->cookies, url, bodyBytes.empty() ? body : bodyBytes, timeout,
            referer, cookies, contentType, extraHeaders, &headerText);
        return Decode(answer, headerText, encoding);
    }
    std::string headers(extraHeaders);
    headers.append(kCrLf);
    if (!contentType.empty())
        headers.append("Content-Type: ").append(contentType);
    headers.append(kCrLf);
    return DirectRequest(url, body, encoding, timeout, bodyBytes, referer, cookies, headers);
}

std::string HttpClient::RequestDirect(std::string_view url, std::string_view body, int* encoding, double timeout,
    std::string_view bodyBytes, std::string_view referer, std::string_view cookies, std::string_view headerText)
{
    return DirectRequest(url, body, encoding, timeout, bodyBytes, referer, cookies, headerText);
}

std::string HttpClient::FetchBytes(std::string_view url)
{
    const std::shared_ptr<Session> session = m_session;
    std::string bytes = SessionRequest(session->cookies, url, {}, 0, {}, {}, {}, {}, nullptr);
    if (bytes.size() >= 2 && bytes[0] == '\x1F' && bytes[1] == '\x8B') {
        std::string inflated = text::GunzipBytes(bytes);
        if (!inflated.empty())
            bytes = std::move(inflated);
    }
    return bytes;
}

std::string HttpClient::WorkerRequest(std::string_view url, bool post, std::string_view headerText,
    std::string_view bodyBytes, std::string_view cookies, int timeoutSeconds, std::string* responseHeaders,
    std::string* cookieList)
{
    if (responseHeaders)
        responseHeaders->clear();
    if (cookieList)
        cookieList->clear();
    if (TrimBlanks(url).empty())
        return {};

    const std::string target = WithScheme(url);
    detail::TransferSpec spec;
    spec.url = target;
    spec.post = post;
    spec.body = bodyBytes;
    spec.postHeaders = SplitLines(CompleteWorkerHeaders(headerText, true, target, bodyBytes.size(), cookies));
    // A POST answered by a redirect goes on as a GET, which carries no body and so no Content-Length.
    spec.getHeaders = SplitLines(CompleteWorkerHeaders(headerText, false, target, 0, cookies));
    std::erase_if(
        spec.getHeaders, [](const std::string& line) { return LowerAscii(line.substr(0, 15)) == "content-length:"; });
    spec.userAgent = UserAgentFrom(headerText);
    spec.verifyTls = false;
    // An explicit cookie text replaces the store: nothing is read from it or written to it.
    spec.cookies = cookies.empty() ? &detail::ProcessCookies() : nullptr;
    spec.suppressDefaultAccept = true;
    const milliseconds limit(timeoutSeconds <= 0 ? 60000LL : timeoutSeconds * 1000LL);
    spec.connectTimeout = limit;
    spec.sendTimeout = limit;
    spec.receiveTimeout = limit;

    detail::TransferResult result = detail::TransferWithPump(spec);
    if (result.rawHeaders.size() >= kRawHeaderArea)
        result.rawHeaders.clear();
    if (cookieList)
        *cookieList = CookieListFrom(result.rawHeaders);
    if (responseHeaders)
        *responseHeaders = std::move(result.rawHeaders);
    return std::move(result.body);
}

} // namespace kc::http

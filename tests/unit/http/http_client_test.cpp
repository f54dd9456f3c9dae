// HttpClient against recording servers on loopback: the header sets of both access methods, cookies,
// redirects, decoding, time-outs, certificates, the header-area limit and the pumping wait.
#include "http/http_client.h"

#include "http/http_transfer.h"
#include "platform/event_pump.h"
#include "support/fake_http_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using kc::http::HttpClient;
using kc::test::FakeAnswer;
using kc::test::FakeHttpServer;
using kc::test::RecordedRequest;

const std::string kUserAgent(kc::http::kDefaultUserAgent);
const std::string kAcceptLine
    = "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
      "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";
const std::string kUtf8Chinese = "\xE4\xB8\xAD\xE6\x96\x87"; // 中文 in UTF-8
const std::string kGbkChinese = "\xD6\xD0\xCE\xC4"; // 中文

enum Method { kMethod1 = 0, kMethod2 = 1 };

std::atomic<int> g_comboIndex{-1};

std::string MethodName(int index)
{
    return index == kMethod2 ? "Method2" : "Method1";
}

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Every test starts with the combo box on access method 1 and no pump hook.
class HttpClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kc::http::InitHttp();
        kc::http::SetAccessMethodProvider([] { return g_comboIndex.load(); });
    }
    static void TearDownTestSuite() { kc::http::SetAccessMethodProvider({}); }
    void SetUp() override
    {
        ASSERT_TRUE(m_server.IsRunning());
        g_comboIndex = kMethod1;
        // Every fake server lives on the same host, so cookies one test leaves would reach the next.
        kc::http::detail::ProcessCookies().Clear();
    }
    void TearDown() override { kc::platform::SetEventPump({}); }

    static void Select(int index) { g_comboIndex = index; }

    FakeHttpServer m_server;
    HttpClient m_client;
};

// ---- header sets ----

struct HeaderCase {
    const char* name;
    int method;
    std::string body;
    std::string cookies;
    std::string contentType;
    std::string extraHeaders;
    std::string referer;
    // Expected header lines after Host; "{url}" stands for the request's URL.
    std::vector<std::string> expected;
    friend void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }
};

class HeaderSets : public HttpClientTest, public ::testing::WithParamInterface<HeaderCase> { };

TEST_P(HeaderSets, AreSentExactlyInOrder)
{
    const HeaderCase& c = GetParam();
    m_server.On("/form", FakeAnswer::Text("ok"));
    Select(c.method);
    const std::string url = m_server.Url("/form?id=1");
    EXPECT_EQ(m_client.Request(url, c.body, nullptr, 0, {}, c.referer, c.cookies, c.contentType, c.extraHeaders), "ok");

    ASSERT_EQ(m_server.RequestCount(), 1u);
    const RecordedRequest request = m_server.LastRequest();
    EXPECT_EQ(request.method, c.body.empty() ? "GET" : "POST");
    EXPECT_EQ(request.body, c.body);
    std::vector<std::string> expected{"Host: " + m_server.Host() + ":" + std::to_string(m_server.Port())};
    for (std::string line : c.expected) {
        if (const size_t at = line.find("{url}"); at != std::string::npos)
            line.replace(at, 5, url);
        expected.push_back(line);
    }
    EXPECT_EQ(request.HeaderLines(), expected) << request.rawHead;
}

INSTANTIATE_TEST_SUITE_P(HttpClient, HeaderSets,
    ::testing::Values(HeaderCase{"Method1Get", kMethod1, "", "", "", "", "",
                          {"User-Agent: " + kUserAgent, "Referer: {url}", kAcceptLine, "Accept-Language: zh-cn"}},
        HeaderCase{"Method1PostWithCookies", kMethod1, "a=1&b=%D6%D0", "sid=7; lang=cn", "", "", "",
            {"User-Agent: " + kUserAgent, "Referer: {url}", kAcceptLine, "Accept-Language: zh-cn",
                "Content-Type: application/x-www-form-urlencoded", "Content-Length: 12", "Cookie: sid=7; lang=cn"}},
        HeaderCase{"Method1ContentTypeAndReferer", kMethod1, "<x/>", "", "text/xml", "", "http://shop.example/admin/",
            {"User-Agent: " + kUserAgent, "Content-Type: text/xml", "Referer: http://shop.example/admin/", kAcceptLine,
                "Accept-Language: zh-cn", "Content-Length: 4"}},
        // "Accept" is found inside "Accept-Language", so neither default line is added.
        HeaderCase{"Method1OwnLanguageSuppressesAccept", kMethod1, "", "", "", "Accept-Language: en", "",
            {"User-Agent: " + kUserAgent, "Accept-Language: en", "Referer: {url}"}},
        HeaderCase{"Method1OwnUserAgent", kMethod1, "", "", "", "X-Token: 5\r\nUser-Agent:  Bot/1.0", "",
            {"X-Token: 5", "User-Agent: Bot/1.0", "Referer: {url}", kAcceptLine, "Accept-Language: zh-cn"}},
        HeaderCase{"Method2Get", kMethod2, "", "", "", "", "",
            {"Accept: */*", "Referer: {url}", "Content-Type: application/x-www-form-urlencoded",
                "User-Agent: " + kUserAgent}},
        HeaderCase{"Method2PostWithCookies", kMethod2, "a=1", "sid=7", "multipart/form-data; boundary=xx", "",
            "shop.example/admin/",
            {"Accept: */*", "Referer: http://shop.example/admin/", "Content-Type: multipart/form-data; boundary=xx",
                "User-Agent: " + kUserAgent, "Cookie: sid=7", "Content-Length: 3"}},
        // Lines without ": " or with an empty name or value are not sent; a known name replaces the value.
        HeaderCase{"Method2ExtraHeaders", kMethod2, "", "", "",
            "X-A: 1\r\nX-Empty: \r\nno colon\r\n: v\r\n"
            "User-Agent: Bot\r\ncontent-type: text/plain",
            "", {"Accept: */*", "Referer: {url}", "Content-Type: text/plain", "X-A: 1", "User-Agent: Bot"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpClientTest, RefererNoWordSuppressesTheWorkerReferer)
{
    m_server.On("/p", FakeAnswer::Text("ok"));
    EXPECT_EQ(HttpClient::WorkerRequest(m_server.Url("/p"), false, "RefererNo"), "ok");
    const RecordedRequest request = m_server.LastRequest();
    EXPECT_FALSE(request.HasHeader("Referer")) << request.rawHead;
    EXPECT_EQ(request.Header("Accept-Language"), "zh-cn");
}

// ---- choosing the transport ----

struct SelectionCase {
    const char* name;
    int comboIndex;
    bool installProvider;
    bool expectMethod2;
};

class TransportSelection : public HttpClientTest, public ::testing::WithParamInterface<SelectionCase> { };

TEST_P(TransportSelection, FollowsTheComboBoxAtEachCall)
{
    const SelectionCase& c = GetParam();
    if (!c.installProvider)
        kc::http::SetAccessMethodProvider({});
    Select(c.comboIndex);
    m_server.On("/p", FakeAnswer::Text("ok"));
    EXPECT_EQ(m_client.Request(m_server.Url("/p")), "ok");
    // Only access method 1 sends the Chinese language line; only access method 2 a form type on a GET.
    const RecordedRequest request = m_server.LastRequest();
    EXPECT_EQ(request.HasHeader("Accept-Language"), !c.expectMethod2);
    EXPECT_EQ(request.HasHeader("Content-Type"), c.expectMethod2);
    kc::http::SetAccessMethodProvider([] { return g_comboIndex.load(); });
}

INSTANTIATE_TEST_SUITE_P(HttpClient, TransportSelection,
    ::testing::Values(SelectionCase{"NoProvider", 1, false, false}, SelectionCase{"NothingSelected", -1, true, false},
        SelectionCase{"Item0", 0, true, false}, SelectionCase{"Item1", 1, true, true},
        SelectionCase{"UnknownItem", 2, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpClientTest, DirectAndFetchIgnoreTheComboBox)
{
    m_server.On("/p", FakeAnswer::Text("ok"));
    Select(kMethod2);
    EXPECT_EQ(m_client.RequestDirect(m_server.Url("/p")), "ok");
    EXPECT_EQ(m_server.LastRequest().Header("Accept-Language"), "zh-cn");
    Select(kMethod1);
    EXPECT_EQ(m_client.FetchBytes(m_server.Url("/p")), "ok");
    EXPECT_FALSE(m_server.LastRequest().HasHeader("Accept-Language"));
    EXPECT_EQ(m_server.LastRequest().Header("User-Agent"), kUserAgent);
}

// ---- URLs and methods ----

TEST_F(HttpClientTest, UrlsLoseTheirFragmentAndGainAScheme)
{
    m_server.On("/p", FakeAnswer::Text("ok"));
    const std::string bare = m_server.Host() + ":" + std::to_string(m_server.Port()) + "/p?x=1";
    for (int method : {kMethod1, kMethod2}) {
        Select(method);
        // Access method 2 also trims blanks; access method 1 takes the URL as it stands.
        const std::string url = method == kMethod2 ? "  " + bare + "#part \t" : bare + "#part";
        EXPECT_EQ(m_client.Request(url), "ok") << MethodName(method);
        EXPECT_EQ(m_server.LastRequest().path, "/p");
        EXPECT_EQ(m_server.LastRequest().query, "x=1");
    }
    EXPECT_EQ(m_client.FetchBytes(" " + bare + "#part"), "ok");
    EXPECT_EQ(m_server.RequestCount(), 3u);
}

TEST_F(HttpClientTest, BlankUrlUnderMethod1ReturnsAtOnceWithoutARequest)
{
    m_server.On("/", FakeAnswer::Text("root"));
    const auto start = std::chrono::steady_clock::now();
    std::string headers = "stale", cookies = "stale";
    EXPECT_EQ(m_client.Request(""), "");
    EXPECT_EQ(m_client.Request("#top"), "");
    EXPECT_EQ(m_client.RequestDirect("   "), "");
    EXPECT_EQ(HttpClient::WorkerRequest(" \t ", true, {}, "a=1", {}, 0, &headers, &cookies), "");
    EXPECT_EQ(headers, "");
    EXPECT_EQ(cookies, "");
    EXPECT_LT(Seconds(std::chrono::steady_clock::now() - start), 0.5);
    EXPECT_EQ(m_server.RequestCount(), 0u);
}

TEST_F(HttpClientTest, PostExactlyWhenThereIsABody)
{
    m_server.On("/p", FakeAnswer::Text("ok"));
    for (int method : {kMethod1, kMethod2}) {
        Select(method);
        m_server.ClearRequests();
        m_client.Request(m_server.Url("/p"), "", nullptr, 0, "");
        m_client.Request(m_server.Url("/p"), "a=1");
        m_client.Request(m_server.Url("/p"), "a=1", nullptr, 0, std::string("\x00\x01raw", 5));
        const auto requests = m_server.Requests();
        ASSERT_EQ(requests.size(), 3u) << MethodName(method);
        EXPECT_EQ(requests[0].method, "GET");
        EXPECT_FALSE(requests[0].HasHeader("Content-Length"));
        EXPECT_EQ(requests[1].method, "POST");
        EXPECT_EQ(requests[1].body, "a=1");
        EXPECT_EQ(requests[2].body, std::string("\x00\x01raw", 5)) << "body bytes win over body";
    }
    // The worker transport posts when told to, an empty body included.
    m_server.ClearRequests();
    EXPECT_EQ(HttpClient::WorkerRequest(m_server.Url("/p"), true), "ok");
    ASSERT_EQ(m_server.RequestCount(), 1u);
    EXPECT_EQ(m_server.LastRequest().method, "POST");
    EXPECT_EQ(m_server.LastRequest().Header("Content-Length"), "0");
}

TEST_F(HttpClientTest, StatusCodesAreNotExamined)
{
    m_server.On("/gone", FakeAnswer::Text("server says no", 500));
    for (int method : {kMethod1, kMethod2}) {
        Select(method);
        EXPECT_EQ(m_client.Request(m_server.Url("/gone")), "server says no") << MethodName(method);
        EXPECT_EQ(m_client.Request(m_server.Url("/unscripted")), "") << MethodName(method);
    }
}

// ---- redirects ----

struct RedirectCase {
    const char* name;
    int method;
    int status;
    bool keepsPost;
};

class Redirects : public HttpClientTest, public ::testing::WithParamInterface<RedirectCase> { };

TEST_P(Redirects, AreFollowedToTheFinalPage)
{
    const RedirectCase& c = GetParam();
    Select(c.method);
    m_server.On("/login", FakeAnswer::Text("moved", c.status).WithHeader("Location", "/home?from=login"));
    m_server.On("/home", FakeAnswer::Text("welcome"));
    EXPECT_EQ(m_client.Request(m_server.Url("/login"), "user=a&pass=b"), "welcome");

    const auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[1].path, "/home");
    EXPECT_EQ(requests[1].query, "from=login");
    EXPECT_EQ(requests[1].method, c.keepsPost ? "POST" : "GET");
    EXPECT_EQ(requests[1].body, c.keepsPost ? "user=a&pass=b" : "");
    // A GET that follows a POST must not announce a body it does not carry.
    EXPECT_EQ(requests[1].HasHeader("Content-Length"), c.keepsPost);
}

INSTANTIATE_TEST_SUITE_P(HttpClient, Redirects,
    ::testing::Values(RedirectCase{"Method1Found", kMethod1, 302, false},
        RedirectCase{"Method1SeeOther", kMethod1, 303, false}, RedirectCase{"Method1Temporary", kMethod1, 307, true},
        RedirectCase{"Method2Found", kMethod2, 302, false}, RedirectCase{"Method2Moved", kMethod2, 301, false},
        RedirectCase{"Method2Permanent", kMethod2, 308, true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- cookies ----

FakeAnswer SetsCookie(const std::string& cookie)
{
    return FakeAnswer::Text("set").WithHeader("Set-Cookie", cookie + "; Path=/");
}

TEST_F(HttpClientTest, Method1CookiesAreSharedByHostAcrossClientsAndThreads)
{
    FakeHttpServer sameHost(m_server.Host());
    FakeHttpServer otherHost("127.0.0.2");
    ASSERT_TRUE(sameHost.IsRunning());
    m_server.On("/login", SetsCookie("m1shared=abc"));
    m_server.On("/page", FakeAnswer::Text("page"));
    sameHost.On("/page", FakeAnswer::Text("page"));
    otherHost.On("/page", FakeAnswer::Text("page"));

    EXPECT_EQ(m_client.Request(m_server.Url("/login")), "set");
    std::thread([&] {
        HttpClient another;
        another.Request(m_server.Url("/page"));
        another.Request(sameHost.Url("/page")); // cookies belong to the host, whatever the port
        if (otherHost.IsRunning())
            another.Request(otherHost.Url("/page"));
    }).join();
    EXPECT_EQ(m_server.LastRequest().Header("Cookie"), "m1shared=abc");
    EXPECT_EQ(sameHost.LastRequest().Header("Cookie"), "m1shared=abc");
    if (otherHost.IsRunning()) {
        EXPECT_FALSE(otherHost.LastRequest().HasHeader("Cookie"));
    }

    // An explicit cookie text stands alone: the store is neither read nor written.
    m_server.On("/explicit", SetsCookie("m1never=1"));
    m_client.Request(m_server.Url("/explicit"), {}, nullptr, 0, {}, {}, "mine=1");
    EXPECT_EQ(m_server.LastRequest().Header("Cookie"), "mine=1");
    m_client.Request(m_server.Url("/page"));
    EXPECT_EQ(m_server.LastRequest().Header("Cookie"), "m1shared=abc");

    // Method 2 sessions do not see the process store.
    Select(kMethod2);
    m_client.Request(m_server.Url("/page"));
    EXPECT_FALSE(m_server.LastRequest().HasHeader("Cookie"));
}

TEST_F(HttpClientTest, Method2CookiesBelongToTheClientAndItsCopies)
{
    Select(kMethod2);
    m_server.On("/login", SetsCookie("m2sess=42"));
    m_server.On("/page", FakeAnswer::Text("page"));
    auto cookieOf = [this](HttpClient& client) {
        client.Request(m_server.Url("/page"));
        return m_server.LastRequest().Header("Cookie");
    };

    m_client.Request(m_server.Url("/login"));
    EXPECT_EQ(cookieOf(m_client), "m2sess=42");
    HttpClient copy = m_client;
    HttpClient stranger;
    EXPECT_EQ(cookieOf(copy), "m2sess=42");
    EXPECT_EQ(cookieOf(stranger), "");

    m_client.Reset();
    EXPECT_EQ(cookieOf(m_client), "");
    EXPECT_EQ(cookieOf(copy), "m2sess=42") << "a copy made before Reset keeps the old session";

    // Explicit cookies replace the session's on the way out, but what the answer sets still enters it.
    m_server.On("/explicit", SetsCookie("m2late=9"));
    m_client.Request(m_server.Url("/explicit"), {}, nullptr, 0, {}, {}, "mine=1");
    EXPECT_EQ(m_server.LastRequest().Header("Cookie"), "mine=1");
    EXPECT_EQ(cookieOf(m_client), "m2late=9");
    // Method 1 does not see client sessions.
    Select(kMethod1);
    EXPECT_EQ(cookieOf(m_client).find("m2late"), std::string::npos);
}

TEST_F(HttpClientTest, WorkerHandsBackRawHeadersAndTheCookieList)
{
    m_server.On("/c",
        FakeAnswer::Text("c")
            .WithHeader("Set-Cookie", "wa=1; Path=/; HttpOnly")
            .WithHeader("Set-Cookie", "wb=2")
            .WithHeader("X-Note", "set-cookie: in value"));
    std::string headers, cookies;
    EXPECT_EQ(HttpClient::WorkerRequest(m_server.Url("/c"), false, {}, {}, {}, 0, &headers, &cookies), "c");
    EXPECT_TRUE(headers.starts_with("HTTP/1.1 200 OK\r\n")) << headers;
    EXPECT_TRUE(headers.ends_with("\r\n\r\n")) << headers;
    EXPECT_NE(headers.find("Set-Cookie: wb=2\r\n"), std::string::npos);
    // A line that only mentions the name in its value contributes too: whatever follows its first
    // 12 characters ("X-Note: set-"), up to the first ";".
    EXPECT_EQ(cookies, "wa=1;wb=2;cookie: in value;");
}

// ---- what one request leaves behind ----

// Requests share libcurl handles, one after the other; none may inherit anything from an earlier one.
struct Step {
    int method;
    std::string path;
    std::string cookies;
    std::string extraHeaders;
};

struct LeftoverCase {
    const char* name;
    std::vector<Step> before;
    Step last;
    // Header lines of the last request after Host; "{url}" stands for its URL.
    std::vector<std::string> expected;
    friend void PrintTo(const LeftoverCase& c, std::ostream* os) { *os << c.name; }
};

class Leftovers : public HttpClientTest, public ::testing::WithParamInterface<LeftoverCase> { };

TEST_P(Leftovers, NeverReachALaterRequest)
{
    const LeftoverCase& c = GetParam();
    m_server.On("/sets", SetsCookie("left=1"));
    m_server.On("/last", FakeAnswer::Text("ok"));
    const auto send = [this](const Step& step) {
        Select(step.method);
        // A client of its own each time: only the handles are common to the steps.
        HttpClient client;
        return client.Request(m_server.Url(step.path), {}, nullptr, 0, {}, {}, step.cookies, {}, step.extraHeaders);
    };
    for (const Step& step : c.before)
        send(step);
    EXPECT_EQ(send(c.last), "ok");
    const RecordedRequest request = m_server.LastRequest();
    std::vector<std::string> expected{"Host: " + m_server.Host() + ":" + std::to_string(m_server.Port())};
    for (std::string line : c.expected) {
        if (const size_t at = line.find("{url}"); at != std::string::npos)
            line.replace(at, 5, m_server.Url(c.last.path));
        expected.push_back(line);
    }
    EXPECT_EQ(request.HeaderLines(), expected) << request.rawHead;
}

INSTANTIATE_TEST_SUITE_P(HttpClient, Leftovers,
    ::testing::Values(
        // Access method 2 with a "User-Agent:" line but no value sends none; the earlier agent must not appear.
        LeftoverCase{"UserAgent", {{kMethod1, "/last", "", "User-Agent: Bot/1.0"}},
            {kMethod2, "/last", "", "User-Agent: "},
            {"Accept: */*", "Referer: {url}", "Content-Type: application/x-www-form-urlencoded"}},
        // An explicit cookie text under access method 2 runs on a cookie engine of its own; a later request
        // with a text of its own must not keep what an answer sets, nor send it.
        LeftoverCase{"CookieEngineOfAnExplicitText",
            {{kMethod2, "/last", "mine=1", ""}, {kMethod1, "/sets", "other=2", ""}}, {kMethod1, "/last", "other=2", ""},
            {"User-Agent: " + kUserAgent, "Referer: {url}", kAcceptLine, "Accept-Language: zh-cn", "Cookie: other=2"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- decoding ----

struct DecodeCase {
    const char* name;
    std::string contentType;
    int encodingIn;
    int encodingOut;
    std::string body;
    std::string text;
};

class AnswerDecoding : public HttpClientTest, public ::testing::WithParamInterface<DecodeCase> { };

TEST_P(AnswerDecoding, FollowsTheDeclaredCharsetInBothMethods)
{
    const DecodeCase& c = GetParam();
    m_server.On("/page", FakeAnswer::Text(c.body).WithHeader("Content-Type", c.contentType));
    for (int method : {kMethod1, kMethod2}) {
        Select(method);
        int encoding = c.encodingIn;
        EXPECT_EQ(m_client.Request(m_server.Url("/page"), {}, &encoding), c.text) << MethodName(method);
        EXPECT_EQ(encoding, c.encodingOut) << MethodName(method);
    }
}

INSTANTIATE_TEST_SUITE_P(HttpClient, AnswerDecoding,
    ::testing::Values(DecodeCase{"Plain", "text/html; charset=utf-8", 0, 2, kUtf8Chinese, kGbkChinese},
        DecodeCase{"DoubleQuoted", "text/html; charset=\"UTF-8\"", 0, 2, kUtf8Chinese, kGbkChinese},
        DecodeCase{"SingleQuoted", "text/html;charset='Utf-8'", 0, 2, kUtf8Chinese, kGbkChinese},
        // Without a declaration the text is still detected, but the caller's code stays 0.
        DecodeCase{"Undeclared", "text/html", 0, 0, kUtf8Chinese, kGbkChinese},
        DecodeCase{"GbkRequested", "text/html; charset=utf-8", 1, 1, kUtf8Chinese, kUtf8Chinese},
        DecodeCase{"GbkAnswer", "text/html; charset=gbk", 0, 0, kGbkChinese, kGbkChinese}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpClientTest, GzipBodiesAreDecoded)
{
    const std::string gzipped = kc::test::ReadFileBytes(kc::test::DataDir() / "http" / "page_utf8.html.gz");
    ASSERT_FALSE(gzipped.empty());
    m_server.On("/z",
        FakeAnswer::Text(gzipped)
            .WithHeader("Content-Type", "text/html; charset=utf-8")
            .WithHeader("Content-Encoding", "gzip"));
    const std::string page = "<html><body>" + kGbkChinese + " gzip \xD2\xB3\xC3\xE6</body></html>"; // 页面
    for (int method : {kMethod1, kMethod2}) {
        Select(method);
        EXPECT_EQ(m_client.Request(m_server.Url("/z")), page) << MethodName(method);
    }
    EXPECT_EQ(m_client.FetchBytes(m_server.Url("/z")),
        "<html><body>" + kUtf8Chinese + " gzip \xE9\xA1\xB5\xE9\x9D\xA2</body></html>");
}

// ---- the raw header area ----

TEST_F(HttpClientTest, RawHeadersAreHandedBackOnlyWhenTheyFit2048Bytes)
{
    std::string pad;
    m_server.On("/h", kc::test::FakeScript([&pad](const RecordedRequest&) {
        return FakeAnswer::Text(kUtf8Chinese)
            .WithHeader("Content-Type", "text/html; charset=utf-8")
            .WithHeader("Set-Cookie", "hx=1")
            .WithHeader("X-Pad", pad);
    }));
    std::string headers, cookies;
    pad = "p";
    HttpClient::WorkerRequest(m_server.Url("/h"), false, {}, {}, {}, 0, &headers, &cookies);
    const size_t overhead = headers.size() - pad.size();
    ASSERT_GT(overhead, 0u);

    pad.assign(2047 - overhead, 'p');
    HttpClient::WorkerRequest(m_server.Url("/h"), false, {}, {}, {}, 0, &headers, &cookies);
    EXPECT_EQ(headers.size(), 2047u);
    EXPECT_EQ(cookies, "hx=1;");

    pad += 'p';
    EXPECT_EQ(HttpClient::WorkerRequest(m_server.Url("/h"), false, {}, {}, {}, 0, &headers, &cookies), kUtf8Chinese);
    EXPECT_EQ(headers, "");
    EXPECT_EQ(cookies, "");
    // The UTF-8 declaration is then unseen; the body's own detection still converts it.
    int encoding = 0;
    EXPECT_EQ(m_client.Request(m_server.Url("/h"), {}, &encoding), kGbkChinese);
    EXPECT_EQ(encoding, 0);
    // Access method 2 has no such area.
    Select(kMethod2);
    EXPECT_EQ(m_client.Request(m_server.Url("/h"), {}, &encoding), kGbkChinese);
    EXPECT_EQ(encoding, 2);
}

// ---- failures and time-outs ----

class Failures : public HttpClientTest, public ::testing::WithParamInterface<int> { };

TEST_P(Failures, EndInAnEmptyOrPartialBody)
{
    Select(GetParam());
    m_server.On("/slow", FakeAnswer::Text("late").WithDelay(2500ms));
    m_server.On("/stall", FakeAnswer::Text("first half|second half").WithBodyPause(2500ms));
    m_server.On("/cut", FakeAnswer::Text("0123456789").WithCutBody());

    auto timed = [this](const std::string& path) {
        const auto start = std::chrono::steady_clock::now();
        const std::string text = m_client.Request(m_server.Url(path), {}, nullptr, 1);
        return std::make_pair(text, Seconds(std::chrono::steady_clock::now() - start));
    };
    const auto [slow, slowTime] = timed("/slow");
    EXPECT_EQ(slow, "");
    EXPECT_LT(slowTime, 2.4);
    const auto [stall, stallTime] = timed("/stall");
    EXPECT_EQ(stall, "first half|");
    EXPECT_LT(stallTime, 2.4);
    EXPECT_EQ(timed("/cut").first, "01234");

    // A port nobody listens on any more.
    int closedPort = 0;
    {
        FakeHttpServer gone;
        closedPort = gone.Port();
    }
    EXPECT_EQ(m_client.Request("http://127.0.0.1:" + std::to_string(closedPort) + "/"), "");
}

INSTANTIATE_TEST_SUITE_P(HttpClient, Failures, ::testing::Values(kMethod1, kMethod2),
    [](const auto& info) { return MethodName(info.param); });

// ---- ports ----

struct PortCase {
    const char* name;
    int method;
    bool https;
    int port;
    std::string url;
    std::string hostHeader;
};

class Ports : public HttpClientTest, public ::testing::WithParamInterface<PortCase> { };

// A loopback address of their own, so that the fixed ports do not meet other tests' servers.
const std::string kPortHost = "127.0.0.3";

TEST_P(Ports, AreTheWrittenOneOrTheSchemesDefault)
{
    const PortCase& c = GetParam();
    Select(c.method);
    std::unique_ptr<FakeHttpServer> server
        = c.https ? FakeHttpServer::StartHttps(kPortHost, c.port) : std::make_unique<FakeHttpServer>(kPortHost, c.port);
    if (!server || !server->IsRunning())
        GTEST_SKIP() << "cannot listen on " << kPortHost << ":" << c.port;
    server->On("/p", FakeAnswer::Text("ok"));
    EXPECT_EQ(m_client.Request(c.url), "ok");
    ASSERT_EQ(server->RequestCount(), 1u);
    EXPECT_EQ(server->LastRequest().Header("Host"), c.hostHeader);
}

INSTANTIATE_TEST_SUITE_P(HttpClient, Ports,
    ::testing::Values(
        PortCase{"Method1Written8080", kMethod1, false, 8080, "http://127.0.0.3:8080/p", "127.0.0.3:8080"},
        PortCase{"Method1NoScheme8080", kMethod1, false, 8080, "127.0.0.3:8080/p", "127.0.0.3:8080"},
        PortCase{"Method2Written8080", kMethod2, false, 8080, "http://127.0.0.3:8080/p", "127.0.0.3:8080"},
        PortCase{"Method1Default80", kMethod1, false, 80, "http://127.0.0.3/p", "127.0.0.3"},
        PortCase{"Method2Default80", kMethod2, false, 80, "127.0.0.3/p", "127.0.0.3"},
        PortCase{"Method1HttpsDefault443", kMethod1, true, 443, "https://127.0.0.3/p", "127.0.0.3"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpClientTest, SelfSignedHttpsOnItsOwnPortIsReachedByMethod1Only)
{
    auto secure = FakeHttpServer::StartHttps();
    ASSERT_TRUE(secure && secure->IsRunning());
    secure->On("/admin/privilege.php", FakeAnswer::Text("secure page"));
    const std::string url = secure->Url("/admin/privilege.php");
    ASSERT_NE(secure->Port(), 443);

    EXPECT_EQ(m_client.Request(url), "secure page");
    EXPECT_EQ(HttpClient::WorkerRequest(url), "secure page");
    ASSERT_EQ(secure->RequestCount(), 2u);
    EXPECT_EQ(secure->LastRequest().Header("Accept-Language"), "zh-cn");

    Select(kMethod2);
    EXPECT_EQ(m_client.Request(url), "");
    EXPECT_EQ(m_client.FetchBytes(url), "");
    EXPECT_EQ(secure->RequestCount(), 2u) << "the handshake fails before any request";
}

// ---- waiting on the GUI thread ----

// A timer of the GUI thread's event loop: each pump fires it when it is due, every 20 ms.
class GuiTimer {
public:
    void Install()
    {
        kc::platform::SetEventPump([this] { Pump(); });
    }
    int Ticks() const
    {
        std::lock_guard lock(m_mutex);
        return m_ticks;
    }
    // Called from another thread: true once the timer has fired n times, false after the limit.
    bool WaitForTicks(int n, std::chrono::milliseconds limit)
    {
        std::unique_lock lock(m_mutex);
        return m_fired.wait_for(lock, limit, [&] { return m_ticks >= n; });
    }

private:
    void Pump()
    {
        const auto now = std::chrono::steady_clock::now();
        if (now < m_due)
            return;
        m_due = now + 20ms;
        {
            std::lock_guard lock(m_mutex);
            ++m_ticks;
        }
        m_fired.notify_all();
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_fired;
    int m_ticks = 0;
    std::chrono::steady_clock::time_point m_due{};
};

class PumpingWait : public HttpClientTest, public ::testing::WithParamInterface<int> { };

TEST_P(PumpingWait, TimersKeepFiringWhileTheGuiThreadWaits)
{
    Select(GetParam());
    GuiTimer timer;
    // The server holds the request until the GUI thread's timer has fired five times. Had the wait
    // frozen the event loop, the server would give up after five seconds and say so.
    m_server.On("/held", kc::test::FakeScript([&timer](const RecordedRequest&) {
        return FakeAnswer::Text(timer.WaitForTicks(5, 5s) ? "released by the timer" : "event loop frozen");
    }));
    timer.Install();
    EXPECT_EQ(m_client.Request(m_server.Url("/held")), "released by the timer");

    // A hung server ends the request at its time-out, and the timer fires meanwhile.
    m_server.On("/hung", FakeAnswer::Text("too late").WithDelay(5s));
    const int beforeHung = timer.Ticks();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(m_client.Request(m_server.Url("/hung"), {}, nullptr, 1), "");
    EXPECT_LT(Seconds(std::chrono::steady_clock::now() - start), 4.0);
    EXPECT_GT(timer.Ticks(), beforeHung);

    // A worker thread simply blocks: the hook belongs to the GUI thread and never runs from there.
    m_server.On("/slow", FakeAnswer::Text("done").WithDelay(100ms));
    const int beforeWorker = timer.Ticks();
    std::string answer;
    std::thread([&] { answer = m_client.Request(m_server.Url("/slow")); }).join();
    EXPECT_EQ(answer, "done");
    EXPECT_EQ(timer.Ticks(), beforeWorker);
}

INSTANTIATE_TEST_SUITE_P(HttpClient, PumpingWait, ::testing::Values(kMethod1, kMethod2),
    [](const auto& info) { return MethodName(info.param); });

// ---- many threads at once ----

TEST_F(HttpClientTest, ClientsOnManyThreadsShareOnlyWhatTheyShould)
{
    m_server.On("/login", kc::test::FakeScript([](const RecordedRequest& request) {
        return SetsCookie("mt" + request.query + "=" + request.query);
    }));
    m_server.On("/echo", kc::test::FakeScript([](const RecordedRequest& request) {
        return FakeAnswer::Text(request.query + "|" + request.Header("Cookie"));
    }));
    Select(kMethod2);
    constexpr int kThreads = 4;
    constexpr int kRounds = 6;
    std::vector<HttpClient> clients(kThreads);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t) {
        clients[t].Request(m_server.Url("/login?" + std::to_string(t)));
        // Each thread works on a copy, so copies of one session are used while others change theirs.
        threads.emplace_back([&, t, client = clients[t]]() mutable {
            const std::string own = "mt" + std::to_string(t) + "=" + std::to_string(t);
            for (int round = 0; round < kRounds; ++round) {
                const std::string query = std::to_string(t) + "-" + std::to_string(round);
                const std::string direct = client.RequestDirect(m_server.Url("/echo?" + query));
                const std::string session = client.Request(m_server.Url("/echo?" + query));
                if (direct.rfind(query + "|", 0) != 0 || session != query + "|" + own)
                    ++failures;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
}

} // namespace

// The login to a shop's administration back end, which every other back-end operation relies on.
#include "ecshop/login.h"

#include "ecshop/back_end_address.h"
#include "http/answer_decoding.h"
#include "http/form_codec.h"
#include "http/http_client.h"
#include "sites/site_config.h"
#include "text/literal.h"
#include "text/regex.h"

#include <fstream>
#include <mutex>

namespace kc::ecshop {

namespace {

// Logins of several sites may fail at once; the page file then holds one whole answer, not a mix.
std::mutex g_failurePageMutex;

void KeepFailurePage(std::string_view rawAnswer)
{
    const std::string page = kc::http::PageCharsetToGb2312(rawAnswer);
    const std::lock_guard<std::mutex> lock(g_failurePageMutex);
    std::ofstream file(LoginFailurePagePath(), std::ios::binary | std::ios::trunc);
    if (file)
        file.write(page.data(), static_cast<std::streamsize>(page.size()));
}

} // namespace

std::string LoginBody(std::string_view user, std::string_view password, std::string_view securityCode, bool utf8)
{
    std::string body = "username=";
    body += kc::http::UrlEncode(user, utf8, false);
    body += "&password=";
    body += kc::http::UrlEncode(password, utf8, false);
    body += "&no-captcha=&act=signin&safecode=";
    body += kc::http::UrlEncode(securityCode, utf8, false);
    return body;
}

bool IsLoginForm(std::string_view answer)
{
    // A session that did not take is answered with the login page, titled like the management centre.
    static const kc::text::Regex formPattern = [] {
        kc::text::Regex regex;
        regex.Create(R"(<input[^>]*type\s*=\s*["']?password|name\s*=\s*["']?act["']?[^>]*value\s*=\s*["']?signin)",
            true, true, false);
        return regex;
    }();
    kc::text::Regex regex = formPattern; // a copy per call: the matches are kept in the object
    return regex.Execute(answer) > 0;
}

bool IsLoginAccepted(std::string_view answer)
{
    return kc::http::MatchAlternatives(answer, KC_TEXT("管理中心</title>"), true) && !IsLoginForm(answer);
}

bool Login(kc::sites::SiteConfig& site)
{
    const std::string url = BackEndBase(site) + "/privilege.php";
    const std::string body = LoginBody(site.user, site.password, site.securityCode, UsesUtf8(site));
    int encoding = RequestEncodingCode(site);
    const std::string raw = SiteClient(site).Request(url, body, &encoding);
    const std::string answer = kc::http::DecodeHtmlEntities(kc::http::UnescapeScriptText(raw));
    if (IsLoginAccepted(answer))
        return true;
    KeepFailurePage(raw);
    return false;
}

} // namespace kc::ecshop

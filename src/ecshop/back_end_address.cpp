// The addresses and encoding choices every request to a shop's administration back end is built from.
#include "ecshop/back_end_address.h"

#include "http/http_client.h"
#include "platform/run_directory.h"
#include "sites/site_config.h"
#include "text/literal.h"
#include "text/native_path.h"

namespace kc::ecshop {

std::string FrontEndBase(const kc::sites::SiteConfig& site)
{
    return std::string(site.useHttps ? "https://" : "http://") + site.domain;
}

std::string BackEndBase(const kc::sites::SiteConfig& site)
{
    return FrontEndBase(site) + "/" + site.adminDir;
}

int RequestEncodingCode(const kc::sites::SiteConfig& site)
{
    return site.siteEncoding == 0 ? 2 : 1;
}

bool UsesUtf8(const kc::sites::SiteConfig& site)
{
    return site.siteEncoding == 0;
}

kc::http::HttpClient& SiteClient(kc::sites::SiteConfig& site)
{
    if (!site.http)
        site.http = std::make_shared<kc::http::HttpClient>();
    return *site.http;
}

std::filesystem::path LoginFailurePagePath()
{
    return kc::platform::RunDirectory() / kc::text::NativePath(KC_TEXT("登录失败.htm"));
}

} // namespace kc::ecshop

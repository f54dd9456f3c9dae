// The addresses and encoding choices every request to a shop's administration back end is built from.
#pragma once

#include <filesystem>
#include <string>

namespace kc::sites {
struct SiteConfig;
} // namespace kc::sites

namespace kc::http {
class HttpClient;
} // namespace kc::http

namespace kc::ecshop {

// "http" or "https" per the site, "://", the domain, "/" and the administration directory. Back-end
// pages are this followed by their path ("/privilege.php").
std::string BackEndBase(const kc::sites::SiteConfig& site);

// The shop's front end: the same address without the administration directory.
std::string FrontEndBase(const kc::sites::SiteConfig& site);

// The encoding code handed to HttpClient::Request: 2 (UTF-8) for a UTF-8 site, else 1 (GBK).
int RequestEncodingCode(const kc::sites::SiteConfig& site);

// Whether form values are percent-encoded as UTF-8 (else as GBK).
bool UsesUtf8(const kc::sites::SiteConfig& site);

// The site's client, which holds its back-end session; a record without one is given a new client.
kc::http::HttpClient& SiteClient(kc::sites::SiteConfig& site);

// The one file that keeps the answer of the last failed login: "登录失败.htm" in the run directory.
std::filesystem::path LoginFailurePagePath();

} // namespace kc::ecshop

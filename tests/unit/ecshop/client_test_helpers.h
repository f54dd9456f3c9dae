// Shared pieces of the back-end client tests: internal-text literals, site records, the run directory and a
// logged-in sandbox site.
#pragma once

#include "ecshop/login.h"
#include "ecshop/sandbox/sandbox_shop.h"
#include "http/http_client.h"
#include "log/run_log.h"
#include "platform/run_directory.h"
#include "sites/site_config.h"
#include "support/fake_http_server.h"
#include "support/temp_dir.h"
#include "text/literal.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kc::ecshop::testing {

// Internal text of a UTF-8 literal.
inline std::string U(std::string_view utf8)
{
    return kc::text::FromUtf8(utf8);
}

// A site whose back end lives under adminDir of a loopback server ("http://127.0.0.1:PORT").
inline kc::sites::SiteConfig SiteAt(std::string_view baseUrl, std::string_view adminDir = "admin", bool utf8 = true)
{
    kc::sites::SiteConfig site;
    std::string domain(baseUrl);
    domain.erase(0, domain.find("://") + 3);
    site.domain = domain;
    site.adminDir = std::string(adminDir);
    site.siteEncoding = utf8 ? 0 : 1;
    site.user = "admin";
    site.password = "admin123";
    site.http = std::make_shared<kc::http::HttpClient>();
    return site;
}

inline kc::sites::SiteConfig SiteFor(const kc::ecshop::SandboxShop& shop)
{
    kc::sites::SiteConfig site = SiteAt(
        shop.ShopUrl(), shop.Options().adminDir, shop.Options().encoding == kc::ecshop::SandboxEncoding::kUtf8);
    site.user = shop.Options().user;
    site.password = shop.Options().password;
    site.securityCode = shop.Options().securityCode;
    return site;
}

// Points the run directory at a fresh folder for the test and back when it ends.
class RunDirectoryScope {
public:
    RunDirectoryScope()
        : m_previous(kc::platform::RunDirectory())
    {
        kc::platform::SetRunDirectory(m_dir.Path());
    }
    ~RunDirectoryScope() { kc::platform::SetRunDirectory(m_previous); }
    RunDirectoryScope(const RunDirectoryScope&) = delete;
    RunDirectoryScope& operator=(const RunDirectoryScope&) = delete;
    const std::filesystem::path& Path() const { return m_dir.Path(); }

private:
    kc::test::TempDir m_dir;
    std::filesystem::path m_previous;
};

// A logged-in site of a running sandbox shop of the flavour the test is instantiated with.
class LoggedInSandboxTest : public ::testing::TestWithParam<kc::ecshop::SandboxEncoding> {
protected:
    void SetUp() override
    {
        kc::ecshop::SandboxOptions options;
        options.encoding = GetParam();
        m_shop = std::make_unique<kc::ecshop::SandboxShop>(options);
        ASSERT_TRUE(m_shop->Start());
        m_site = SiteFor(*m_shop);
        ASSERT_TRUE(Login(m_site));
    }

    RunDirectoryScope m_runDirectory;
    std::unique_ptr<kc::ecshop::SandboxShop> m_shop;
    kc::sites::SiteConfig m_site;
};

// Test names for the two sandbox flavours.
inline std::string FlavourName(const ::testing::TestParamInfo<kc::ecshop::SandboxEncoding>& info)
{
    return info.param == kc::ecshop::SandboxEncoding::kGbk ? "Gbk" : "Utf8";
}

// A UTF-8 literal as a shop of that encoding has it on the wire: GBK bytes or UTF-8 as written.
inline std::string Wire(std::string_view utf8, bool gbk)
{
    return gbk ? U(utf8) : std::string(utf8);
}

// A run log that keeps its lines ("SITE|message", SITE the site number) for the test to read.
class LogCapture {
public:
    LogCapture()
    {
        m_log.SetSiteLabels([](int site) { return std::to_string(site); });
        kc::log::LogView view;
        view.appendRow = [this](const kc::log::LogRow& row) {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_lines.push_back(row.site + "|" + row.message);
        };
        m_log.SetView(std::move(view));
    }
    kc::log::RunLog* Log() { return &m_log; }
    std::vector<std::string> Lines() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }

private:
    kc::log::RunLog m_log;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

// A text answer with a content type.
inline kc::test::FakeAnswer Page(std::string body, std::string contentType = "text/html; charset=utf-8")
{
    kc::test::FakeAnswer answer;
    answer.headers = {{"Content-Type", std::move(contentType)}};
    answer.body = std::move(body);
    return answer;
}

} // namespace kc::ecshop::testing

// The login: its form body byte for byte, the judgement of the answer and the failure page it leaves.
#include "client_test_helpers.h"
#include "ecshop/back_end_address.h"
#include "ecshop/login.h"

#include <gtest/gtest.h>

namespace {

using namespace kc::ecshop;
using namespace kc::ecshop::testing;

TEST(BackEndAddress, BaseAddressEncodingAndFlag)
{
    kc::sites::SiteConfig site;
    site.domain = "www.a.com";
    site.adminDir = "shop/admin";
    EXPECT_EQ(BackEndBase(site), "http://www.a.com/shop/admin");
    EXPECT_EQ(FrontEndBase(site), "http://www.a.com");
    EXPECT_EQ(RequestEncodingCode(site), 2);
    EXPECT_TRUE(UsesUtf8(site));
    site.useHttps = true;
    site.siteEncoding = 1;
    EXPECT_EQ(BackEndBase(site), "https://www.a.com/shop/admin");
    EXPECT_EQ(RequestEncodingCode(site), 1);
    EXPECT_FALSE(UsesUtf8(site));
    EXPECT_EQ(LoginFailurePagePath().filename(), std::filesystem::path(u8"登录失败.htm"));
}

struct BodyCase {
    const char* name;
    const char* user; // UTF-8
    const char* password; // UTF-8
    const char* securityCode;
    bool utf8;
    const char* expected;
};

class LoginBodyTest : public ::testing::TestWithParam<BodyCase> { };

// The exact bytes the back end receives, checked at the wire through a recording server.
TEST_P(LoginBodyTest, SentAsEncodedPairs)
{
    const BodyCase& c = GetParam();
    kc::test::FakeHttpServer server;
    ASSERT_TRUE(server.IsRunning());
    server.On("/admin/privilege.php", Page("<title>x</title>"));
    RunDirectoryScope runDirectory;
    kc::sites::SiteConfig site = SiteAt(server.BaseUrl(), "admin", c.utf8);
    site.user = U(c.user);
    site.password = U(c.password);
    site.securityCode = U(c.securityCode);
    EXPECT_FALSE(Login(site));
    ASSERT_EQ(server.RequestCount(), 1u);
    const kc::test::RecordedRequest request = server.LastRequest();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.body, c.expected);
    EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
}

INSTANTIATE_TEST_SUITE_P(Bodies, LoginBodyTest,
    ::testing::Values(BodyCase{"Plain", "admin", "admin123", "", true,
                          "username=admin&password=admin123&no-captcha=&act=signin&safecode="},
        BodyCase{"ChineseUtf8", "admin", "密码", "", true,
            "username=admin&password=%E5%AF%86%E7%A0%81&no-captcha=&act=signin&safecode="},
        BodyCase{"ChineseGbk", "admin", "密码", "", false,
            "username=admin&password=%C3%DC%C2%EB&no-captcha=&act=signin&safecode="},
        BodyCase{"ChineseUserGbk", "管理", "pw", "", false,
            "username=%B9%DC%C0%ED&password=pw&no-captcha=&act=signin&safecode="},
        // "&", "=" and "%" in a password no longer split or cut the field.
        BodyCase{"SeparatorsInPassword", "a&b", "p=1&q%", "", true,
            "username=a%26b&password=p%3D1%26q%25&no-captcha=&act=signin&safecode="},
        // The security code is encoded once: a blank arrives as %20, not %2520.
        BodyCase{"SecurityCodeOnce", "admin", "pw", "s c-1", true,
            "username=admin&password=pw&no-captcha=&act=signin&safecode=s%20c-1"}),
    [](const ::testing::TestParamInfo<BodyCase>& info) { return std::string(info.param.name); });

struct AnswerCase {
    const char* name;
    const char* answer; // UTF-8
    bool accepted;
};

class LoginAnswerTest : public ::testing::TestWithParam<AnswerCase> { };

TEST_P(LoginAnswerTest, Judged)
{
    EXPECT_EQ(IsLoginAccepted(U(GetParam().answer)), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Answers, LoginAnswerTest,
    ::testing::Values(AnswerCase{"Frameset", "<title>ECSHOP 管理中心</title><frameset></frameset>", true},
        AnswerCase{"UpperCaseTitleTag", "<TITLE>ECSHOP 管理中心</TITLE>", true}, AnswerCase{"Empty", "", false},
        AnswerCase{"MessagePage", "<title>系统信息</title>帐号信息不正确", false},
        // What a back end answers when the session did not take: the login form, with the same title.
        AnswerCase{"LoginForm",
            "<title>ECSHOP 管理中心</title><form action=\"privilege.php\"><input type=\"password\" "
            "name=\"password\" /><input type=\"hidden\" name=\"act\" value=\"signin\" /></form>",
            false},
        AnswerCase{"LoginFormSingleQuotes",
            "<title>ECSHOP 管理中心</title><input type='hidden' name='act' value='signin' />", false}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

TEST(Login, FailurePageOfUtf8ShopIsGbkWithGb2312Charset)
{
    kc::test::FakeHttpServer server;
    ASSERT_TRUE(server.IsRunning());
    const std::string page
        = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />"
          "<meta charset=\"UTF-8\"><title>系统信息</title></head><body>您输入的帐号信息不正确。</body></html>";
    server.On("/admin/privilege.php", Page(page));
    RunDirectoryScope runDirectory;
    kc::sites::SiteConfig site = SiteAt(server.BaseUrl());
    EXPECT_FALSE(Login(site));
    const std::string written = kc::test::ReadFileBytes(LoginFailurePagePath());
    const std::string expected
        = U("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />"
            "<meta charset=\"gb2312\"><title>系统信息</title></head><body>您输入的帐号信息不正确。</body></html>");
    EXPECT_EQ(written, expected);

    // A later failure replaces the page; a success leaves it alone.
    server.On("/admin/privilege.php", Page("second"));
    EXPECT_FALSE(Login(site));
    EXPECT_EQ(kc::test::ReadFileBytes(LoginFailurePagePath()), "second");
    server.On("/admin/privilege.php", Page("<title>ECSHOP 管理中心</title>"));
    EXPECT_TRUE(Login(site));
    EXPECT_EQ(kc::test::ReadFileBytes(LoginFailurePagePath()), "second");
}

TEST(Login, UnreachableShopFailsAndLeavesAnEmptyPage)
{
    RunDirectoryScope runDirectory;
    kc::sites::SiteConfig site = SiteAt("http://127.0.0.1:1");
    site.http.reset(); // a record without a client gets one
    EXPECT_FALSE(Login(site));
    EXPECT_TRUE(site.http);
    EXPECT_TRUE(std::filesystem::exists(LoginFailurePagePath()));
    EXPECT_EQ(kc::test::ReadFileBytes(LoginFailurePagePath()), "");
}

struct SandboxLoginCase {
    const char* name;
    SandboxEncoding encoding;
    const char* password; // UTF-8, the shop's and the one sent when wrongPassword is off
    const char* securityCode;
    bool wrongPassword;
    bool accepted;
};

class SandboxLoginTest : public ::testing::TestWithParam<SandboxLoginCase> { };

TEST_P(SandboxLoginTest, AgainstTheSandboxShop)
{
    const SandboxLoginCase& c = GetParam();
    SandboxOptions options;
    options.encoding = c.encoding;
    options.password = U(c.password);
    options.securityCode = U(c.securityCode);
    SandboxShop shop(options);
    ASSERT_TRUE(shop.Start());
    RunDirectoryScope runDirectory;
    kc::sites::SiteConfig site = SiteFor(shop);
    if (c.wrongPassword)
        site.password += "x";
    EXPECT_EQ(Login(site), c.accepted);
    EXPECT_EQ(std::filesystem::exists(LoginFailurePagePath()), !c.accepted);
}

INSTANTIATE_TEST_SUITE_P(Shops, SandboxLoginTest,
    ::testing::Values(SandboxLoginCase{"Utf8", SandboxEncoding::kUtf8, "admin123", "", false, true},
        SandboxLoginCase{"GbkChinesePassword", SandboxEncoding::kGbk, "密码&=1", "", false, true},
        SandboxLoginCase{"Utf8ChinesePassword", SandboxEncoding::kUtf8, "密码&=1", "", false, true},
        SandboxLoginCase{"SecurityCode", SandboxEncoding::kUtf8, "pw", "code 1", false, true},
        SandboxLoginCase{"WrongPassword", SandboxEncoding::kGbk, "admin123", "", true, false}),
    [](const ::testing::TestParamInfo<SandboxLoginCase>& info) { return std::string(info.param.name); });

// The login sends no captcha: with the shop's captcha switched on it fails, with it off it succeeds.
TEST(Login, FollowsTheShopsCaptchaSwitch)
{
    SandboxOptions options;
    options.captcha = true;
    SandboxShop shop(options);
    ASSERT_TRUE(shop.Start());
    RunDirectoryScope runDirectory;
    kc::sites::SiteConfig site = SiteFor(shop);
    EXPECT_FALSE(Login(site));
    EXPECT_NE(kc::test::ReadFileBytes(LoginFailurePagePath()).find(U("验证码不正确")), std::string::npos);
    shop.SetCaptcha(false);
    EXPECT_TRUE(Login(site));
    shop.SetCaptcha(true);
    EXPECT_FALSE(Login(site));
}

} // namespace

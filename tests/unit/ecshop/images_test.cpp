// The pictures of an article: the cover picture, the upload form and its answer, and the localisation
// of a body's remote pictures against the sandbox shop's editor connector.
#include "client_test_helpers.h"
#include "ecshop/images.h"
#include "ecshop/login.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <optional>

namespace {

using namespace kc::ecshop;
using namespace kc::ecshop::testing;

// The picture bytes of an upload form with a random 8-character .jpg name; nullopt for another form.
std::optional<std::string> PictureOfUploadForm(const std::string& body)
{
    const std::string head = "------WebKitFormBoundaryXN4ZLBI0l2AjDM1x\r\n"
                             "Content-Disposition: form-data; name=\"NewFile\"; filename=\"";
    const std::string afterName = ".jpg\"\r\nContent-Type: image/jpeg\r\n\r\n";
    const std::string tail = "\r\n------WebKitFormBoundaryXN4ZLBI0l2AjDM1x--";
    if (body.size() < head.size() + 8 + afterName.size() + tail.size() || body.compare(0, head.size(), head) != 0
        || body.compare(body.size() - tail.size(), tail.size(), tail) != 0)
        return std::nullopt;
    for (size_t i = head.size(); i < head.size() + 8; ++i)
        if (!std::isalnum(static_cast<unsigned char>(body[i])))
            return std::nullopt;
    const size_t bytes = head.size() + 8 + afterName.size();
    if (body.compare(head.size() + 8, afterName.size(), afterName) != 0)
        return std::nullopt;
    return body.substr(bytes, body.size() - tail.size() - bytes);
}

TEST(FirstImageSource, SrcOfTheFirstImageThatHasOne)
{
    struct Case {
        const char* body;
        const char* expected;
    };
    for (const Case& c : {Case{"<p>a</p><img src=\"x.jpg\" /><img src=\"y.jpg\" />", "x.jpg"},
             Case{"<img alt=\"none\" /><img class='c' src='http://h/p.png'>", "http://h/p.png"},
             Case{"<IMG SRC=\"/up.gif\">", "/up.gif"}, Case{"<p>no picture</p>", ""}, Case{"", ""}})
        EXPECT_EQ(FirstImageSource(c.body), c.expected) << c.body;
}

// Each character draws its class first, so digits are a third of the characters, not 10 in 62.
TEST(RandomImageFileName, EightCharactersFromThreeEqualClasses)
{
    std::mt19937 random(99);
    int digits = 0;
    int lower = 0;
    int upper = 0;
    const int names = 600;
    for (int i = 0; i < names; ++i) {
        const std::string name = RandomImageFileName(random);
        ASSERT_EQ(name.size(), 8u) << name;
        for (char c : name) {
            digits += c >= '0' && c <= '9';
            lower += c >= 'a' && c <= 'z';
            upper += c >= 'A' && c <= 'Z';
        }
    }
    EXPECT_EQ(digits + lower + upper, names * 8);
    for (int count : {digits, lower, upper}) {
        EXPECT_GT(count, names * 8 * 0.29);
        EXPECT_LT(count, names * 8 * 0.38);
    }
}

TEST(ImageUploadBody, TheConnectorFormAroundTheRawBytes)
{
    const std::string bytes("\xFF\xD8\0\r\n--x", 8);
    EXPECT_EQ(ImageUploadBody(bytes, "aB3dE5gH"),
        "------WebKitFormBoundaryXN4ZLBI0l2AjDM1x\r\n"
        "Content-Disposition: form-data; name=\"NewFile\"; filename=\"aB3dE5gH.jpg\"\r\n"
        "Content-Type: image/jpeg\r\n\r\n"
            + bytes + "\r\n------WebKitFormBoundaryXN4ZLBI0l2AjDM1x--");
}

TEST(UploadedImageAddress, RelativeAnswersBecomeAddressesOfTheShop)
{
    struct Case {
        const char* address; // inside OnUploadCompleted(0,"...")
        bool https;
        const char* expected;
    };
    const Case cases[] = {
        {"/images/upload/Image/x.jpg", true, "https://d.cn/images/upload/Image/x.jpg"},
        {"/images/upload/Image/x.jpg", false, "http://d.cn/images/upload/Image/x.jpg"},
        {"../../images/upload/Image/y.jpg", false, "http://d.cn/images/upload/Image/y.jpg"},
        {"images/../x.jpg", false, "http://d.cn/images/x.jpg"},
        {"\\/images\\/upload\\/Image\\/z.jpg", false, "http://d.cn/images/upload/Image/z.jpg"},
        {"http://cdn.example/a/../b.jpg", true, "http://cdn.example/a/../b.jpg"},
        {"HTTPS://cdn.example/c.jpg", false, "HTTPS://cdn.example/c.jpg"},
        {"", false, ""},
    };
    kc::sites::SiteConfig site;
    site.domain = "d.cn";
    for (const Case& c : cases) {
        site.useHttps = c.https;
        const std::string answer = std::string("<script type=\"text/javascript\">window.parent.OnUploadCompleted(0,\"")
            + c.address + "\",\"x.jpg\", \"\") ;</script>";
        EXPECT_EQ(UploadedImageAddress(answer, site), c.expected) << c.address;
    }
    // An error code or no script at all: no address.
    EXPECT_EQ(UploadedImageAddress("window.parent.OnUploadCompleted(1,\"\",\"\", \"denied\") ;", site), "");
    EXPECT_EQ(UploadedImageAddress("<html>500</html>", site), "");
}

TEST(UploadImage, DownloadsThePictureAndPostsItToTheConnector)
{
    kc::test::FakeHttpServer pictures("127.0.0.9");
    kc::test::FakeHttpServer shop;
    ASSERT_TRUE(pictures.IsRunning() && shop.IsRunning());
    const std::string gif("GIF89a\0\x01\xFF", 9);
    pictures.On("/p.gif", kc::test::FakeAnswer::Text(gif).WithHeader("Content-Type", "image/gif"));
    pictures.On("/gone.gif", kc::test::FakeAnswer::Text("", 404));
    shop.On("/includes/fckeditor/editor/filemanager/connectors/php/upload.php",
        Page("<script type=\"text/javascript\">window.parent.OnUploadCompleted(0,\"/images/upload/Image/k.jpg\","
             "\"k.jpg\", \"\") ;</script>"));
    kc::sites::SiteConfig site = SiteAt(shop.BaseUrl());

    EXPECT_EQ(UploadImage("", site), "");
    EXPECT_EQ(UploadImage("/images/own.jpg", site), "/images/own.jpg");
    EXPECT_EQ(shop.RequestCount(), 0u);

    EXPECT_EQ(UploadImage(pictures.Url("/p.gif"), site), shop.BaseUrl() + "/images/upload/Image/k.jpg");
    ASSERT_EQ(shop.RequestCount(), 1u);
    const kc::test::RecordedRequest post = shop.LastRequest();
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.query, "Type=Image");
    EXPECT_EQ(post.Header("Content-Type"), "multipart/form-data; boundary=----WebKitFormBoundaryXN4ZLBI0l2AjDM1x");
    const std::optional<std::string> image = PictureOfUploadForm(post.body);
    ASSERT_TRUE(image) << post.body;
    EXPECT_EQ(*image, gif);

    // A picture that cannot be fetched is still sent, empty; the shop's answer decides.
    EXPECT_EQ(UploadImage(pictures.Url("/gone.gif"), site), shop.BaseUrl() + "/images/upload/Image/k.jpg");
    EXPECT_EQ(PictureOfUploadForm(shop.LastRequest().body), std::optional<std::string>(""));
}

TEST(DurationText, UnitsFromMillisecondsToYears)
{
    struct Case {
        double ms;
        const char* expected;
    };
    for (const Case& c : {Case{0, "0 毫秒"}, Case{999.4, "999 毫秒"}, Case{1000, "1 秒"}, Case{1500, "1.5 秒"},
             Case{61000, "1.02 分"}, Case{3600000, "1 时"}, Case{86400000.0 * 2, "2 天"},
             Case{86400000.0 * 45, "1.5 月"}, Case{86400000.0 * 360 * 2, "2 年"}})
        EXPECT_EQ(DurationText(c.ms), U(c.expected)) << c.ms;
}

// A logged-in site of a sandbox shop, and a server of remote pictures on another host.
class LocaliseImagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_pictures.IsRunning());
        m_pictures.On("/a.jpg", kc::test::FakeAnswer::Text("AAAA"));
        m_pictures.On("/b.png", kc::test::FakeAnswer::Text("BBBB"));
        ASSERT_TRUE(m_shop.Start());
        m_site = SiteFor(m_shop);
        ASSERT_TRUE(Login(m_site));
    }

    std::string Copy(size_t upload) const { return m_shop.ShopUrl() + m_shop.Uploads().at(upload).url; }

    // "SITE|message" of the end line, with the time cut off.
    static std::string EndLineWithoutTime(const std::string& line) { return line.substr(0, line.rfind(U("，用了 "))); }

    RunDirectoryScope m_runDirectory;
    kc::test::FakeHttpServer m_pictures{"127.0.0.9"};
    SandboxShop m_shop;
    kc::sites::SiteConfig m_site;
    LogCapture m_log;
};

TEST_F(LocaliseImagesTest, RemotePicturesAreUploadedAndEveryOccurrenceRewritten)
{
    const std::string a = m_pictures.Url("/a.jpg");
    const std::string b = m_pictures.Url("/b.png");
    std::string body = "<p><img src=\"" + a + "\" /></p><p>" + a + "</p><img src='" + b + "'><img src=\"/own.jpg\">"
        + "<img src=\"" + a + "\" />";
    const LocaliseCounts counts = LocaliseImages(body, m_site, 3, U("标题"), m_log.Log());

    // The repeated address is uploaded for each of its elements; the first copy already took every
    // occurrence, so the second finds nothing left to replace.
    EXPECT_EQ(counts.uploads, 3);
    EXPECT_EQ(counts.successes, 3);
    const std::vector<SandboxUpload> uploads = m_shop.Uploads();
    ASSERT_EQ(uploads.size(), 3u);
    EXPECT_EQ(uploads[0].bytes, "AAAA");
    EXPECT_EQ(uploads[1].bytes, "BBBB");
    EXPECT_EQ(uploads[2].bytes, "AAAA");
    EXPECT_EQ(body,
        "<p><img src=\"" + Copy(0) + "\" /></p><p>" + Copy(0) + "</p><img src='" + Copy(1) + "'><img src=\"/own.jpg\">"
            + "<img src=\"" + Copy(0) + "\" />");

    const std::vector<std::string> lines = m_log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "3|" + U("开始本地化图片：标题"));
    EXPECT_EQ(EndLineWithoutTime(lines[1]), "3|" + U("结束本地化图片：上传数 3，成功数 3"));
    const std::string took = lines[1].substr(lines[1].rfind(U("，用了 ")) + U("，用了 ").size());
    const size_t blank = took.find(' ');
    ASSERT_NE(blank, std::string::npos) << lines[1];
    EXPECT_EQ(took.find_first_not_of("0123456789."), blank) << lines[1];
    EXPECT_TRUE(took.substr(blank) == U(" 毫秒") || took.substr(blank) == U(" 秒")) << lines[1];
}

TEST_F(LocaliseImagesTest, CasesWithoutUploadsOrWithFailures)
{
    const std::string a = m_pictures.Url("/a.jpg");
    struct Case {
        const char* name;
        std::string body;
        bool stop; // the run's stop flag is set from the start
        bool loggedIn;
        LocaliseCounts counts;
        bool changed;
    };
    const Case cases[] = {
        {"relative only", "<img src=\"/a.jpg\"><img src=\"images/b.png\">", false, true, {0, 0}, false},
        {"no pictures", "<p>text " + a + "</p>", false, true, {0, 0}, false},
        // The stop flag is read after each picture: the first one is done, the rest skipped.
        {"stopped", "<img src=\"" + a + "\"><img src=\"" + m_pictures.Url("/b.png") + "\">", true, true, {1, 1}, true},
        {"connector refuses", "<img src=\"" + a + "\">", false, false, {1, 0}, false},
    };
    for (const Case& c : cases) {
        LogCapture log;
        const std::atomic<bool> stop{c.stop};
        kc::sites::SiteConfig site = c.loggedIn ? m_site : SiteAt(m_shop.ShopUrl());
        if (!c.loggedIn) {
            // A client of its own (access method 2) that never logged in: no session cookie goes out.
            kc::http::SetAccessMethodProvider([] { return 1; });
        }
        std::string body = c.body;
        const LocaliseCounts counts = LocaliseImages(body, site, 1, "t", log.Log(), &stop);
        kc::http::SetAccessMethodProvider({});
        EXPECT_EQ(counts.uploads, c.counts.uploads) << c.name;
        EXPECT_EQ(counts.successes, c.counts.successes) << c.name;
        EXPECT_EQ(body != c.body, c.changed) << c.name;
        const std::vector<std::string> lines = log.Lines();
        ASSERT_EQ(lines.size(), 2u) << c.name;
        EXPECT_EQ(EndLineWithoutTime(lines[1]),
            "1|" + U("结束本地化图片：上传数 ") + std::to_string(c.counts.uploads) + U("，成功数 ")
                + std::to_string(c.counts.successes))
            << c.name;
    }
}

} // namespace

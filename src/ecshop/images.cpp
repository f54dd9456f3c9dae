// The pictures of an article body: the cover picture, and uploading remote pictures to the shop.
#include "ecshop/images.h"

#include "ecshop/back_end_address.h"
#include "http/http_client.h"
#include "log/run_log.h"
#include "platform/event_pump.h"
#include "sites/site_config.h"
#include "text/html_reader.h"
#include "text/literal.h"
#include "text/markers.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace kc::ecshop {

namespace {

bool StartsWithHttp(std::string_view text)
{
    if (text.size() < 4)
        return false;
    for (size_t i = 0; i < 4; ++i) {
        const char c = static_cast<char>(text[i] | 0x20);
        if (c != "http"[i])
            return false;
    }
    return true;
}

std::mt19937& FileNameRandom()
{
    thread_local std::mt19937 random(std::random_device{}());
    return random;
}

// At most two decimals, trailing zeros dropped: 1.25, 1.5, 2.
std::string ShortNumber(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string text = buffer;
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

} // namespace

std::string FirstImageSource(std::string_view body)
{
    kc::text::HtmlReader reader;
    const std::string element = reader.FindElement(body, "img", "src");
    return element.empty() ? std::string() : reader.GetAttribute(element, "src");
}

std::string RandomImageFileName(std::mt19937& random)
{
    static constexpr std::string_view kClasses[]
        = {"0123456789", "abcdefghijklmnopqrstuvwxyz", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"};
    std::string name;
    for (int i = 0; i < 8; ++i) {
        const std::string_view members = kClasses[std::uniform_int_distribution<int>(0, 2)(random)];
        name += members[std::uniform_int_distribution<size_t>(0, members.size() - 1)(random)];
    }
    return name;
}

std::string ImageUploadBody(std::string_view imageBytes, std::string_view fileName)
{
    std::string body = "--";
    body += kImageBoundary;
    body += "\r\nContent-Disposition: form-data; name=\"NewFile\"; filename=\"";
    body += fileName;
    body += ".jpg\"\r\nContent-Type: image/jpeg\r\n\r\n";
    body += imageBytes;
    body += "\r\n--";
    body += kImageBoundary;
    body += "--";
    return body;
}

std::string UploadedImageAddress(std::string_view answer, const kc::sites::SiteConfig& site)
{
    std::string address
        = kc::text::BetweenMarkers(answer, "OnUploadCompleted(0,\"", "\"", nullptr, false, 0, 0, /*literal=*/true);
    address = kc::text::ReplaceText(address, "\\/", "/");
    if (address.empty() || StartsWithHttp(address))
        return address;
    address = kc::text::ReplaceText(address, "../", "");
    if (address.empty() || address.front() != '/')
        address.insert(0, "/");
    return FrontEndBase(site) + address;
}

std::string UploadImage(std::string_view address, kc::sites::SiteConfig& site)
{
    if (address.empty())
        return {};
    if (address.find("://") == std::string_view::npos)
        return std::string(address);
    std::string bytes = SiteClient(site).FetchBytes(address);
    if (bytes.empty())
        bytes = kc::http::HttpClient::WorkerRequest(address);
    const std::string body = ImageUploadBody(bytes, RandomImageFileName(FileNameRandom()));
    int encoding = 0;
    const std::string answer = SiteClient(site).Request(
        FrontEndBase(site) + std::string(kImageConnectorPath), {}, &encoding, 0, body, {}, {}, kImageContentType);
    return UploadedImageAddress(answer, site);
}

LocaliseCounts LocaliseImages(std::string& body, kc::sites::SiteConfig& site, int siteIndex, std::string_view title,
    kc::log::RunLog* log, const std::atomic<bool>* stopFlag)
{
    const auto start = std::chrono::steady_clock::now();
    if (log)
        log->LogLine(KC_TEXT("开始本地化图片：") + std::string(title), siteIndex);
    LocaliseCounts counts;
    kc::text::HtmlReader reader;
    const int count = reader.FindElements(body, "img", "src");
    for (int i = 1; i <= count; ++i) {
        const std::string source = reader.GetAttribute(reader.ElementAt(i), "src");
        if (StartsWithHttp(source)) {
            ++counts.uploads;
            const std::string copy = UploadImage(source, site);
            if (!copy.empty()) {
                body = kc::text::ReplaceText(body, source, copy);
                ++counts.successes;
            }
        }
        kc::platform::PumpEvents();
        if (stopFlag && stopFlag->load())
            break;
    }
    if (log) {
        const double elapsed
            = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        log->LogLine(KC_TEXT("结束本地化图片：上传数 ") + std::to_string(counts.uploads) + KC_TEXT("，成功数 ")
                + std::to_string(counts.successes) + KC_TEXT("，用了 ") + DurationText(elapsed),
            siteIndex);
    }
    return counts;
}

std::string DurationText(double milliseconds)
{
    constexpr double kTolerance = 1e-7;
    const double d = std::round(milliseconds);
    if (d < 1000 - kTolerance)
        return ShortNumber(d) + KC_TEXT(" 毫秒");
    const double s = d / 1000;
    if (s < 60 - kTolerance)
        return ShortNumber(s) + KC_TEXT(" 秒");
    const double m = s / 60;
    if (m < 60 - kTolerance)
        return ShortNumber(m) + KC_TEXT(" 分");
    const double h = m / 60;
    if (h < 24 - kTolerance)
        return ShortNumber(h) + KC_TEXT(" 时");
    double x = h / 24;
    if (x < 30 - kTolerance)
        return ShortNumber(x) + KC_TEXT(" 天");
    x /= 30;
    if (x < 12 - kTolerance)
        return ShortNumber(x) + KC_TEXT(" 月");
    return ShortNumber(x / 12) + KC_TEXT(" 年");
}

} // namespace kc::ecshop

// The pictures of an article body: the cover picture, and uploading remote pictures to the shop.
#pragma once

#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace kc::sites {
struct SiteConfig;
} // namespace kc::sites

namespace kc::log {
class RunLog;
} // namespace kc::log

namespace kc::ecshop {

// The boundary of the editor upload form and its content type.
inline constexpr std::string_view kImageBoundary = "----WebKitFormBoundaryXN4ZLBI0l2AjDM1x";
inline constexpr std::string_view kImageContentType
    = "multipart/form-data; boundary=----WebKitFormBoundaryXN4ZLBI0l2AjDM1x";
// The editor's upload connector, below the shop's front-end address.
inline constexpr std::string_view kImageConnectorPath
    = "/includes/fckeditor/editor/filemanager/connectors/php/upload.php?Type=Image";

// The "src" value of the first img element of body that carries one; empty text when there is none.
std::string FirstImageSource(std::string_view body);

// 8 characters, each a digit, a lower-case or an upper-case ASCII letter (the class drawn first).
std::string RandomImageFileName(std::mt19937& random);

// The upload form: one "NewFile" part named fileName + ".jpg", declared image/jpeg, holding imageBytes.
std::string ImageUploadBody(std::string_view imageBytes, std::string_view fileName);

// The address the connector's answer gives for the uploaded picture: the text after
// OnUploadCompleted(0," up to the next double quote, "\/" read as "/"; an address not starting with
// "http" is made absolute on the site's front end with every "../" removed. Empty when none.
std::string UploadedImageAddress(std::string_view answer, const kc::sites::SiteConfig& site);

// Uploads the picture at address to the shop through the site's logged-in client and returns the
// address of the copy; an address without "://" is the shop's own and comes back unchanged; empty
// text when the address is empty or the upload failed.
std::string UploadImage(std::string_view address, kc::sites::SiteConfig& site);

struct LocaliseCounts {
    int uploads = 0;
    int successes = 0;
};

// Uploads every picture of body whose address starts with "http" and points body at the copies
// (every occurrence of the old address). Writes a start and an end line to log (when given) as lines
// of site siteIndex. stopFlag (when given) is read after each picture; a stop skips the rest.
LocaliseCounts LocaliseImages(std::string& body, kc::sites::SiteConfig& site, int siteIndex, std::string_view title,
    kc::log::RunLog* log = nullptr, const std::atomic<bool>* stopFlag = nullptr);

// The duration text of a number of elapsed milliseconds: "500 毫秒", "1.5 秒", "2 分", … up to years.
std::string DurationText(double milliseconds);

} // namespace kc::ecshop

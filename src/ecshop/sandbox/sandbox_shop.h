// The sandbox shop: an EcShop-compatible administration back end and shop front end on 127.0.0.1.
//
// Tests, benchmarks and the demo-shop command run it in-process. It answers every request the
// back-end client sends (login, article form, article and category lists, goods links, batch
// deletion, category creation and removal, the editor's image upload) the way a real back end does,
// in a GBK or a UTF-8 flavour, records what it received, and can be told to misbehave.
//
// All text handed in and out of this class is internal text (GB18030 bytes); raw request bytes and
// file contents are bytes as received.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kc::ecshop {

enum class SandboxEncoding {
    kGbk, // pages, JSON and form fields in GBK; JSON carries the raw bytes
    kUtf8, // pages and form fields in UTF-8; JSON carries \uXXXX escapes
};

// Misbehaviour for reliability tests. Each share is a probability from 0 to 1 that one request gets
// that treatment; one draw per request decides, the shares counted in the order of the fields, so
// their sum above 1 leaves the later ones less (or no) room.
struct SandboxFaults {
    double errorShare = 0; // answered with status 500 and an error page
    double garbageShare = 0; // answered 200 with random bytes
    double resetShare = 0; // the answer's head and half its body are sent, then the connection closes
    double hangShare = 0; // nothing is sent for hangMs, then the connection closes without an answer
    double delayShare = 0; // answered normally after delayMs
    int hangMs = 150000; // past the client's 120 and 90 second time-outs
    int delayMs = 2000;
};

struct SandboxOptions {
    SandboxEncoding encoding = SandboxEncoding::kUtf8;
    std::string adminDir = "admin"; // without slashes round it; may hold inner slashes ("shop/admin")
    std::string user = "admin";
    std::string password = "admin123";
    std::string securityCode; // when not empty, the login's safecode field must equal it
    bool captcha = false; // when on, the login needs the captcha field equal to captchaCode
    std::string captchaCode = "8888";
    SandboxFaults faults;
    std::uint32_t seed = 1; // random source of faults, session ids and garbage
    // The loopback address to listen on (any 127.x.y.z). Cookies are kept per host, not per port, so
    // shops that clients of one process log into at the same time need addresses of their own.
    std::string host = "127.0.0.1";
    int port = 0; // 0: any free port of the host
    // The demo category tree (system and ordinary categories over two levels) and the three articles
    // of its information category. Off: the shop starts without categories and articles; the goods
    // 1 to 20 exist either way.
    bool demoData = true;
    bool recordRequests = true; // off for long benchmarks: Requests() then stays empty
    int threads = 16; // requests served at once; a hanging answer holds one until it ends
};

// A file part of a received multipart form (filename= present, possibly empty).
struct SandboxFilePart {
    std::string name;
    std::string fileName; // internal text
    std::string contentType;
    std::string bytes;
};

// A form field as received, the value converted to internal text.
using SandboxField = std::pair<std::string, std::string>;

struct SandboxArticle {
    int id = 0;
    std::string title;
    int categoryId = 0;
    int articleType = 0; // 1: pinned to the top
    bool isOpen = true; // published on the front end
    std::string author;
    std::string keywords;
    std::string description;
    std::string content; // the body HTML (FCKeditor1)
    std::string linkUrl;
    std::string picture; // article_pic
    std::vector<int> linkedGoods;
    // The last accepted form of this article (insert or update), in arrival order.
    std::vector<SandboxField> fields;
    std::vector<SandboxFilePart> files;
    int updates = 0; // accepted act=update forms
};

enum SandboxCategoryType : int {
    kCategoryOrdinary = 1, // 普通分类
    kCategorySystem = 2, // 系统分类
    kCategoryShopInfo = 3, // 网店信息
    kCategoryHelp = 4, // 帮助分类
    kCategoryShopHelp = 5, // 网店帮助
};

struct SandboxCategory {
    int id = 0;
    std::string name;
    int parentId = 0;
    int type = kCategoryOrdinary;
    int level = 0; // 0 for top-level categories
    std::string keywords;
    std::string description;
    int sortOrder = 50;
    bool showInNav = false;
};

struct SandboxUpload {
    std::string fileName; // as stored, after renaming ("NAME(1).jpg")
    std::string url; // "/images/upload/Image/" + fileName
    std::string contentType; // as declared by the part
    std::string bytes;
    int code = 0; // 0, or 201 when the name was taken and the file renamed
};

// One request as it arrived, before any fault was applied.
struct SandboxRequest {
    std::string method;
    std::string target; // path and query, undecoded
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string fault; // "", "error", "garbage", "reset", "hang" or "delay"
};

class SandboxShop {
public:
    explicit SandboxShop(SandboxOptions options = {});
    ~SandboxShop(); // stops the shop
    SandboxShop(const SandboxShop&) = delete;
    SandboxShop& operator=(const SandboxShop&) = delete;

    // Binds the options' host and port (or a free port) and serves on threads of its own. False when
    // the host is not a loopback address, the port cannot be bound or the shop already runs.
    bool Start();
    // Ends hanging and delayed answers, closes the listening socket and waits for the server thread.
    void Stop();
    bool Running() const;

    int Port() const;
    std::string ShopUrl() const; // "http://HOST:PORT"
    std::string AdminUrl() const; // ShopUrl() + "/" + admin directory
    const SandboxOptions& Options() const;

    // Snapshots of the shop's state; each may be called from any thread while the shop runs.
    std::vector<SandboxArticle> Articles() const; // in id order
    std::vector<SandboxCategory> Categories() const; // in list order (tree order)
    std::vector<SandboxUpload> Uploads() const; // in arrival order
    std::vector<SandboxRequest> Requests() const; // in arrival order
    void ClearRequests();
    size_t RequestCount() const; // counted even when requests are not recorded
    // The goods the seed data holds (ids 1 to 20) and their names.
    std::vector<std::pair<int, std::string>> Goods() const;
    // One article by id; nullopt when there is none.
    std::optional<SandboxArticle> Article(int id) const;
    size_t ArticleCount() const;

    // Adds a category of the given type (SandboxCategoryType) under parentId (0: top level) and
    // returns its new id; 0 when the name is empty or the parent does not exist. Unlike the back
    // end's form, any type goes anywhere, so a test can lay out whatever tree it needs.
    int AddCategory(std::string_view name, int parentId = 0, int type = kCategoryOrdinary);

    void SetFaults(const SandboxFaults& faults);
    void SetCaptcha(bool on);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace kc::ecshop

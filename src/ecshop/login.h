// The login to a shop's administration back end, which every other back-end operation relies on.
#pragma once

#include <string>
#include <string_view>

namespace kc::sites {
struct SiteConfig;
} // namespace kc::sites

namespace kc::ecshop {

// The form body posted to "/privilege.php". Each value is percent-encoded on its own in the site's
// encoding, so a user name or password holding "&", "=" or "%" reaches the back end as typed.
std::string LoginBody(std::string_view user, std::string_view password, std::string_view securityCode, bool utf8);

// True when an answer (script escapes and character references already decoded) means the back end
// accepted the login: the title of its management centre ends there ("管理中心</title>", any case) and
// the answer is not the login form again, whose title carries the same words.
bool IsLoginAccepted(std::string_view answer);

// True when the answer is the back end's login form (a password field or the signin action).
bool IsLoginForm(std::string_view answer);

// Logs into the site's back end with its client, which keeps the session on success. On failure the
// raw answer, its UTF-8 charset declarations rewritten to gb2312, replaces LoginFailurePagePath().
// Safe to call for several sites at once; each call uses only its own site's client.
bool Login(kc::sites::SiteConfig& site);

} // namespace kc::ecshop

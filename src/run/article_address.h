// The published address of an article, read from the back end's answer to its submission.
#pragma once

#include <string>
#include <string_view>

namespace kc::run {

// The address the back end pushes ("push_zzbaidu('" … "'"), else the link of the answer's "查看文档"
// anchor, which gets "http://" or "https://" + domain in front when it does not start with "http" (any
// case; nothing is added between domain and link). Empty text when the answer has neither.
std::string ArticleAddressFromAnswer(std::string_view answer, std::string_view domain, bool useHttps);

} // namespace kc::run

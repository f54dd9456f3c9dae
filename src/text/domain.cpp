// A shop's domain or administration directory reduced to host and path.
#include "text/domain.h"

#include "text/markers.h"

namespace kc::text {

std::string NormaliseDomain(std::string_view text)
{
    std::string domain = ReplaceText(ReplaceText(text, " ", ""), "\xA1\xA1", ""); // full-width space
    domain = MultiReplace(domain, "http://|https://|//", "");
    size_t end = domain.size();
    while (end > 0 && domain[end - 1] == '/')
        --end;
    size_t begin = 0;
    while (begin < end && domain[begin] == '/')
        ++begin;
    // Spaces at the ends are gone with all the others in the first step.
    return domain.substr(begin, end - begin);
}

} // namespace kc::text

// Long text work on the GUI thread lets window events run now and then, never once per byte.
#include "platform/event_pump.h"
#include "text/entities.h"
#include "text/html_reader.h"
#include "text/tag_shield.h"
#include "text/text_encoding.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

namespace {

struct PumpCase {
    const char* name;
    std::function<std::string()> input;
    std::function<void(const std::string&)> work;
    friend void PrintTo(const PumpCase& c, std::ostream* os) { *os << c.name; }
};

class LongTextWork : public ::testing::TestWithParam<PumpCase> {
protected:
    void TearDown() override { kc::platform::SetEventPump({}); }
};

TEST_P(LongTextWork, LetsEventsRunAtACoarseGrain)
{
    const PumpCase& c = GetParam();
    const std::string input = c.input();
    int pumps = 0;
    kc::platform::SetEventPump([&pumps] { ++pumps; });
    c.work(input);
    EXPECT_GE(pumps, 2) << c.name;
    EXPECT_LT(pumps, static_cast<int>(input.size() / 1000)) << c.name;
}

std::string Repeat(const std::string& piece, size_t times)
{
    std::string text;
    text.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

// 8 MB of UTF-8 article text: Chinese, ASCII and line breaks.
std::string Utf8Article()
{
    return Repeat("\xE4\xB8\xAD\xE6\x96\x87 text, \xE6\xA0\x87\xE9\xA2\x98\r\n", 8 * 1024 * 1024 / 24);
}

INSTANTIATE_TEST_SUITE_P(GuiThread, LongTextWork,
    ::testing::Values(PumpCase{"LoadTextOfUtf8", Utf8Article,
                          [](const std::string& bytes) { kc::text::LoadText({}, 0, nullptr, bytes); }},
        PumpCase{"LooksLikeUtf8", Utf8Article, [](const std::string& bytes) { kc::text::LooksLikeUtf8(bytes); }},
        PumpCase{"FindElementsOfRows",
            [] {
                return "<table>" + Repeat("<tr><td>row</td><td><a href=\"x\">x</a></td></tr>\n", 100000) + "</table>";
            },
            [](const std::string& html) {
                kc::text::HtmlReader reader;
                reader.FindElements(html, "tr");
            }},
        PumpCase{"ProtectOfTags", [] { return Repeat("<p class=\"a\">text</p>", 40000); },
            [](const std::string& text) {
                kc::text::TagShield shield;
                shield.Protect(text);
            }},
        PumpCase{"DecodeCommonEntitiesOfReferences", [] { return Repeat("&#20013;&#x6587; ", 40000); },
            [](const std::string& text) { kc::text::DecodeCommonEntities(text); }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

// Reading service answers by path: tree shape, path forms, value texts, and texts that are not JSON.
#include "text/json_doc.h"
#include "text/json_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using kc::text::JsonDoc;
using kc::text::JsonText;

struct PathCase {
    const char* what;
    std::string json;
    std::string path;
    std::string text; // expected GetText
    int count; // expected Count
    friend void PrintTo(const PathCase& c, std::ostream* os) { *os << c.what; }
};

class JsonDocPaths : public ::testing::TestWithParam<PathCase> { };

TEST_P(JsonDocPaths, TextAndCount)
{
    const PathCase& c = GetParam();
    JsonDoc doc;
    ASSERT_TRUE(doc.Parse(c.json)) << c.what;
    EXPECT_EQ(doc.GetText(c.path), c.text) << c.what;
    EXPECT_EQ(doc.Count(c.path), c.count) << c.what;
}

const std::string kItems = R"({"items":[{"item":"A"},{"item":"B"}]})";
const std::string kKe = R"([{"word":"w1","score":0.5},{"word":"w2"},{"word":"w3"}])";
const std::string kKeywords = R"({"data":{"ke":)" + kKe + "}}";

INSTANTIATE_TEST_SUITE_P(Paths, JsonDocPaths,
    ::testing::Values(PathCase{"array member count", kItems, "items", R"([{"item":"A"},{"item":"B"}])", 2},
        PathCase{"second element's member", kItems, "items.[2].item", "B", 0},
        PathCase{"element past the end", kItems, "items.[3].item", "", 0},
        PathCase{"element 0 does not exist", kItems, "items.[0].item", "", 0},
        PathCase{"leading zero is another name", kItems, "items.[01].item", "", 0},
        PathCase{"element without its dot", kItems, "items[1].item", "A", 0},
        PathCase{"element node counts its members", kItems, "items.[1]", R"({"item":"A"})", 1},
        PathCase{"empty path is the root", kItems, "", kItems, 1},
        PathCase{"dot at the end adds nothing", kItems, "items.", R"([{"item":"A"},{"item":"B"}])", 2},
        PathCase{"unknown key", kItems, "item", "", 0}, PathCase{"names compare exactly", kItems, "Items", "", 0},
        PathCase{"three levels", kKeywords, "data.ke.[3].word", "w3", 0},
        PathCase{"count of a nested array", kKeywords, "data.ke", kKe, 3},
        PathCase{"number as written", R"({"errcode":0,"data":"x"})", "errcode", "0", 0},
        PathCase{"string without quotes", R"({"errcode":0,"data":"x"})", "data", "x", 0},
        PathCase{"literals and exponent as written", R"({"v":[-1.5e3,true,false,null]})", "v.[1]", "-1.5e3", 0},
        PathCase{"null as written", R"({"v":[-1.5e3,true,false,null]})", "v[4]", "null", 0},
        PathCase{"quoted key with dots", R"({"a.b":{"c":"d"}})", R"("a.b".c)", "d", 0},
        PathCase{"elements of elements", R"({"m":[[1,2],[3,4]]})", "m[2][1]", "3", 0},
        PathCase{"root array", "[10, 20]", "[2]", "20", 0}, PathCase{"root scalar", " 42 ", "", "42", 0},
        PathCase{"first of a repeated key wins", R"({"k":1,"k":2})", "k", "1", 0},
        PathCase{"empty containers", R"({"o":{},"a":[]})", "a", "[]", 0},
        PathCase{"escaped quote kept", R"({"q":"say \"hi\""})", "q", R"(say \"hi\")", 0},
        PathCase{"escaped line break kept", R"({"n":"a\nb"})", "n", R"(a\nb)", 0},
        PathCase{"unicode escape kept", R"({"u":"\u4e2d"})", "u", R"(\u4e2d)", 0},
        PathCase{"escaped backslash before the closing quote", R"({"p":"c:\\dir\\","x":1})", "p", R"(c:\\dir\\)", 0},
        PathCase{"string trimmed of spaces and tabs", "{\"s\":\"  padded\\t\t \"}", "s", "padded\\t", 0},
        // "\xA1\xA1" is the full-width space, "\xB0\xA1" (啊) ends in the same byte.
        PathCase{"full-width spaces trimmed", "{\"s\":\"\xA1\xA1\xB0\xA1\xA1\xA1\"}", "s", "\xB0\xA1", 0},
        // 中: 文
        PathCase{"Chinese key and value", "{\"\xD6\xD0\":\"\xCE\xC4\"}", "\xD6\xD0", "\xCE\xC4", 0},
        // 昞 has a backslash as its second byte; it must not escape the closing quote.
        PathCase{"trail byte like a backslash", "{\"k\":\"\x95\x5C\",\"n\":2}", "n", "2", 0},
        PathCase{"white space and full-width spaces between tokens", "\r\n{ \"a\" :\xA1\xA1[ 1 ,\t2 ] }\r\n", "a[2]",
            "2", 0},
        PathCase{"byte-order mark", "\x84\x31\x95\x33{\"a\":\"b\"}", "a", "b", 0}));

// What the services try on an answer that is not JSON: everything must come back empty.
TEST(JsonDoc, TextThatIsNotJsonGivesNothing)
{
    const char* texts[] = {"", "   ", "<html><head><title>502 Bad Gateway</title></head></html>", "{\"a\":1",
        "{\"a\":1}}", "{\"a\" 1}", "[1,]", "{'a':1}", "{\"a\":tru}", "{\"a\":01}", "{\"a\":\"open}", "\"abc",
        "{\"a\":1} trailing", "{\"a\":[1}", "ok"};
    for (const char* text : texts) {
        JsonDoc doc;
        EXPECT_FALSE(doc.Parse(text)) << text;
        for (const char* path : {"", "a", "items", "items.[1].item", "errcode", "data"}) {
            EXPECT_EQ(doc.Count(path), 0) << text << " / " << path;
            EXPECT_EQ(doc.GetText(path), "") << text << " / " << path;
        }
    }
}

TEST(JsonDoc, ParseDiscardsThePreviousTree)
{
    JsonDoc doc;
    ASSERT_TRUE(doc.Parse(R"({"data":"old"})"));
    EXPECT_FALSE(doc.Parse("not json"));
    EXPECT_EQ(doc.GetText("data"), "");
    ASSERT_TRUE(doc.Parse(R"({"other":1})"));
    EXPECT_EQ(doc.GetText("data"), "");
    EXPECT_EQ(doc.GetText("other"), "1");
}

TEST(JsonDoc, DeepNestingNeitherOverflowsNorCrashes)
{
    constexpr int kDepth = 200000;
    const std::string deep = std::string(kDepth, '[') + "\"x\"" + std::string(kDepth, ']');
    JsonDoc doc;
    ASSERT_TRUE(doc.Parse(deep));
    EXPECT_EQ(doc.Count(""), 1);
    std::string path;
    for (int level = 0; level < kDepth; ++level)
        path += "[1]";
    EXPECT_EQ(doc.GetText(path), "x");

    EXPECT_FALSE(doc.Parse(std::string(kDepth, '[')));
    EXPECT_EQ(doc.Count(""), 0);
    EXPECT_FALSE(doc.Parse(std::string(kDepth, '{')));
}

TEST(JsonDoc, CopyKeepsItsOwnTree)
{
    JsonDoc doc;
    ASSERT_TRUE(doc.Parse(R"({"a":{"b":"c"}})"));
    const JsonDoc copy = doc;
    doc.Parse("[]");
    EXPECT_EQ(copy.GetText("a.b"), "c");
    EXPECT_EQ(copy.GetText("a"), R"({"b":"c"})");
}

struct ValueCase {
    const char* what;
    const char* json;
    const char* key;
    const char* expected;
};

TEST(JsonText, GetValueReadsTheTopLevelOnly)
{
    const char* token = R"({"refresh_token":"25.r","expires_in":2592000,"session":{"access_token":"inner"},)"
                        R"("access_token":"24.6c5e1ff107f0e8bcef8c46d3424a0e78.2592000.1485516651.282335-8574074",)"
                        R"("scope":"public"})";
    const ValueCase cases[] = {
        {"token without quotes", token, "access_token",
            "24.6c5e1ff107f0e8bcef8c46d3424a0e78.2592000.1485516651.282335-8574074"},
        {"number as written", token, "expires_in", "2592000"},
        {"object as written", token, "session", R"({"access_token":"inner"})"},
        {"nested key is not top level", token, "inner", ""},
        {"missing key", token, "error", ""},
        {"not JSON", "<html>access_token</html>", "access_token", ""},
        {"error answer", R"({"error":"invalid_client","error_description":"unknown client id"})", "access_token", ""},
    };
    const JsonText scanner;
    for (const ValueCase& c : cases)
        EXPECT_EQ(scanner.GetValue(c.json, c.key), c.expected) << c.what;
}

} // namespace

// Finding elements in pages and bodies, and reading and writing attribute values.
#include "text/html_reader.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using kc::text::HtmlReader;

struct FindCase {
    const char* what;
    std::string html;
    std::string tag;
    std::string attrName;
    std::string attrValue;
    bool inner;
    bool ignoreCase;
    std::string expected;
    friend void PrintTo(const FindCase& c, std::ostream* os) { *os << c.what; }
};

class HtmlFindElement : public ::testing::TestWithParam<FindCase> { };

TEST_P(HtmlFindElement, ReturnsTheFirstMatch)
{
    const FindCase& c = GetParam();
    HtmlReader reader;
    EXPECT_EQ(reader.FindElement(c.html, c.tag, c.attrName, c.attrValue, c.inner, c.ignoreCase), c.expected) << c.what;
}

const std::string kNested = "<p>x</p><div id=\"a\"><div>in</div>tail</div><div>2</div>";
const std::string kTables = "<table class=\"x\"><tr><td>1</td></tr></table>"
                            "<table cellpadding=\"3\" id=\"list-table\"><tr><td>2</td></tr></table>";

INSTANTIATE_TEST_SUITE_P(Boundaries, HtmlFindElement,
    ::testing::Values(FindCase{"nested div returned whole", kNested, "div", "", "", false, true,
                          "<div id=\"a\"><div>in</div>tail</div>"},
        FindCase{"inner of nested div", kNested, "div", "", "", true, true, "<div>in</div>tail"},
        FindCase{"self-closing div does not count as nesting", "<div><div/>x</div>y</div>", "div", "", "", false, true,
            "<div><div/>x</div>"},
        FindCase{"self-closing img is its start tag", "<p><img src=\"a.png\" /></p>", "img", "", "", false, true,
            "<img src=\"a.png\" />"},
        FindCase{
            "unclosed img is its start tag", "<img src=a.png><p>t</p>", "img", "", "", false, true, "<img src=a.png>"},
        FindCase{
            "unbalanced nesting leaves the start tag", "<div a><div b></div>", "div", "", "", false, true, "<div a>"},
        FindCase{"content of an unclosed element runs to the end", "<html><body><p>a</p>", "body", "", "", true, true,
            "<p>a</p>"},
        FindCase{"self-closing element has no content", "<br/>x", "br", "", "", true, true, ""},
        FindCase{
            "ignore case finds capitals", "<DIV Class=x>t</Div>", "div", "", "", false, true, "<DIV Class=x>t</Div>"},
        FindCase{"exact case skips capitals", "<DIV>a</DIV><div>b</div>", "div", "", "", false, false, "<div>b</div>"},
        FindCase{"capital tag name with ignore case", "<td>a</td>", "TD", "", "", false, true, "<td>a</td>"},
        FindCase{"a is not abbr", "<abbr>t</abbr><a href=x>l</a>", "a", "", "", false, true, "<a href=x>l</a>"},
        FindCase{"b is not br", "<br><b>bold</b>", "b", "", "", false, true, "<b>bold</b>"},
        FindCase{"tag name followed by a line break", "<td\nclass=x>a</td>", "td", "", "", false, true,
            "<td\nclass=x>a</td>"},
        FindCase{"start tag without > is no tag", "<div", "div", "", "", false, true, ""},
        FindCase{"nothing found", "<p>x</p>", "div", "", "", false, true, ""},
        FindCase{
            "spaces around = removed", "<a href = \"x\">a = b</a>", "a", "", "", false, true, "<a href=\"x\">a=b</a>"},
        // "\xA1\xA1" is the full-width space; "\xB0\xA1" (啊) ends in the same byte and stays.
        FindCase{"full-width spaces around = removed", "<p>\xB0\xA1\xA1\xA1=\xA1\xA1x</p>", "p", "", "", false, true,
            "<p>\xB0\xA1=x</p>"},
        FindCase{"at most ten spaces on each side", "<p>a" + std::string(12, ' ') + "=b</p>", "p", "", "", false, true,
            "<p>a  =b</p>"},
        FindCase{"filter, double quotes", kTables, "table", "id", "list-table", false, true,
            "<table cellpadding=\"3\" id=\"list-table\"><tr><td>2</td></tr></table>"},
        FindCase{"filter, single quotes", "<table><tr></tr></table><table id='list-table'><tr></tr></table>", "table",
            "id", "list-table", false, true, "<table id='list-table'><tr></tr></table>"},
        FindCase{"filter, unquoted before a space", "<table><tr></tr></table><table id=list-table width=1></table>",
            "table", "id", "list-table", false, true, "<table id=list-table width=1></table>"},
        FindCase{"filter, unquoted before >", "<table><tr></tr></table><table id=list-table></table>", "table", "id",
            "list-table", false, true, "<table id=list-table></table>"},
        FindCase{"filter, value is not a prefix", "<table id=\"list-table2\"></table><table id=list-tablex></table>",
            "table", "id", "list-table", false, true, ""},
        FindCase{"filter, name is not a suffix", "<table data-id=\"list-table\"></table>", "table", "id", "list-table",
            false, true, ""},
        FindCase{"filter ignores case", "<TABLE ID=\"List-Table\"></TABLE>", "table", "id", "list-table", false, true,
            "<TABLE ID=\"List-Table\"></TABLE>"},
        FindCase{"filter by name only wants a value", "<img alt=x><img src=\"\"><img src=\"b.png\">", "img", "src", "",
            false, true, "<img src=\"b.png\">"}));

TEST(HtmlFindElement, RawKeepsTheTextAsWritten)
{
    HtmlReader reader;
    const std::string html = "<body><p>1 + 1 = 2</p><img src = \"a.png\"></body>";
    EXPECT_EQ(reader.FindElement(html, "body", "", "", true, true, true), "<p>1 + 1 = 2</p><img src = \"a.png\">");
    EXPECT_EQ(reader.FindElement("<body><p>a = b", "body", "", "", true, true, true), "<p>a = b");
    EXPECT_EQ(reader.FindElement(html, "body", "", "", true), "<p>1 + 1=2</p><img src=\"a.png\">");
}

// An EcShop-like list: a table of rows, one of which holds a nested table of its own.
const std::string kList = "<table id=\"list-table\">"
                          "<tr><th>id</th><th>title</th></tr>"
                          "<tr id=\"row_1\"><td><input type=\"checkbox\" value=\"1\"></td><td>one</td></tr>"
                          "<tr id=\"row_2\"><td><table><tr><td>in</td></tr></table></td></tr>"
                          "</table>";

TEST(HtmlFindElements, RowsInDocumentOrderNestedIncluded)
{
    HtmlReader reader;
    ASSERT_EQ(reader.FindElements(kList, "tr"), 4);
    EXPECT_EQ(reader.ElementCount(), 4);
    EXPECT_EQ(reader.ElementAt(1), "<tr><th>id</th><th>title</th></tr>");
    EXPECT_EQ(reader.ElementAt(2), "<tr id=\"row_1\"><td><input type=\"checkbox\" value=\"1\"></td><td>one</td></tr>");
    EXPECT_EQ(reader.ElementAt(3), "<tr id=\"row_2\"><td><table><tr><td>in</td></tr></table></td></tr>");
    EXPECT_EQ(reader.ElementAt(4), "<tr><td>in</td></tr>");
    for (int outside : {0, -1, 5})
        EXPECT_EQ(reader.ElementAt(outside), "") << outside;
}

TEST(HtmlFindElements, EachNameOfTheListInTurn)
{
    HtmlReader reader;
    ASSERT_EQ(reader.FindElements(kList, "th|td|"), 6);
    EXPECT_EQ(reader.ElementAt(1), "<th>id</th>");
    EXPECT_EQ(reader.ElementAt(2), "<th>title</th>");
    EXPECT_EQ(reader.ElementAt(3), "<td><input type=\"checkbox\" value=\"1\"></td>");
    EXPECT_EQ(reader.ElementAt(5), "<td><table><tr><td>in</td></tr></table></td>");
    EXPECT_EQ(reader.ElementAt(6), "<td>in</td>");
}

TEST(HtmlFindElements, FilterKeepsNestingOfAllTagsOfTheName)
{
    HtmlReader reader;
    const std::string html = "<div><div class=\"c\"><div>x</div></div></div><div class=c></div>";
    ASSERT_EQ(reader.FindElements(html, "div", "class", "c"), 2);
    EXPECT_EQ(reader.ElementAt(1), "<div class=\"c\"><div>x</div></div>");
    EXPECT_EQ(reader.ElementAt(2), "<div class=c></div>");
}

TEST(HtmlFindElements, UnbalancedPageStillYieldsElements)
{
    HtmlReader reader;
    const std::string html = "</tr><tr><td>1<tr class=x><td>2</td></tr><tr><td>3</td><tr";
    ASSERT_EQ(reader.FindElements(html, "tr"), 3);
    EXPECT_EQ(reader.ElementAt(1), "<tr>");
    EXPECT_EQ(reader.ElementAt(2), "<tr class=x><td>2</td></tr>");
    EXPECT_EQ(reader.ElementAt(3), "<tr>");
}

TEST(HtmlFindElements, RawKeepsSpacesAroundEquals)
{
    HtmlReader reader;
    ASSERT_EQ(reader.FindElements("<td class = \"a\">x</td>", "td"), 1);
    EXPECT_EQ(reader.ElementAt(1, true), "<td class = \"a\">x</td>");
    EXPECT_EQ(reader.ElementAt(1), "<td class=\"a\">x</td>");
}

TEST(HtmlFindElements, KeepsItsOwnCopyAndSurvivesFindElement)
{
    HtmlReader reader;
    {
        const std::string page = kList;
        ASSERT_EQ(reader.FindElements(page, "tr", "id", "row_1"), 1);
    }
    const std::string row = reader.ElementAt(1);
    EXPECT_EQ(reader.FindElement(row, "td", "", "", true), "<input type=\"checkbox\" value=\"1\">");
    EXPECT_EQ(reader.ElementAt(1), row);

    reader.Reset();
    EXPECT_EQ(reader.ElementCount(), 0);
    EXPECT_EQ(reader.ElementAt(1), "");
    EXPECT_EQ(reader.FindElements("", "tr"), 0);
}

TEST(HtmlFindElements, ManyUnclosedTagsEachStandAlone)
{
    // A search that looked for each start tag's end tag separately would rescan the rest of the page
    // here for every row.
    std::string html;
    constexpr int kRows = 20000;
    for (int row = 0; row < kRows; ++row)
        html += "<tr><td>" + std::to_string(row) + "</td>";
    HtmlReader reader;
    ASSERT_EQ(reader.FindElements(html, "tr"), kRows);
    EXPECT_EQ(reader.ElementAt(kRows), "<tr>");
}

struct AttributeCase {
    const char* what;
    std::string element;
    std::string name;
    std::string expected;
};

TEST(HtmlGetAttribute, QuotingFormsAndNames)
{
    const AttributeCase cases[] = {
        {"double quotes", "<img src=\"a.png\" alt=\"x\">", "src", "a.png"},
        {"single quotes", "<img src='a.png' alt='x'>", "src", "a.png"},
        {"unquoted before a space", "<img src=a.png alt=x>", "src", "a.png"},
        {"unquoted before >", "<img alt=x src=a.png>", "src", "a.png"},
        {"unquoted before />", "<img src=a.png/>", "src", "a.png/"},
        {"data-src before src", "<img data-src=\"a\" src=\"b\">", "src", "b"},
        {"name after a line break", "<img\nsrc=\"a.png\">", "src", "a.png"},
        {"name in capitals", "<IMG SRC=\"a.png\">", "src", "a.png"},
        {"asked in capitals", "<img src=\"a.png\">", "SRC", "a.png"},
        {"absent", "<img alt=\"x\">", "src", ""},
        {"empty double quotes", "<img src=\"\">", "src", ""},
        {"empty single quotes", "<img src=''>", "src", ""},
        {"trimmed", "<a title=\"  x y  \">", "title", "x y"},
        {"whole element searched", "<tr><td><input type=\"checkbox\" value=\"17\"></td></tr>", "value", "17"},
        // 晄 is "\x95s": its second byte must not start the name src.
        {"name inside a Chinese character", "<p>\x95src=\"q\"</p>", "src", ""},
        {"Chinese value", "<a title=\"\xD6\xD0\xCE\xC4\">", "title", "\xD6\xD0\xCE\xC4"},
    };
    const HtmlReader reader;
    for (const AttributeCase& c : cases)
        EXPECT_EQ(reader.GetAttribute(c.element, c.name), c.expected) << c.what;
}

struct SetCase {
    const char* what;
    std::string element;
    std::string name;
    std::string value;
    std::string expected;
};

TEST(HtmlSetAttribute, ReplacesInItsQuotingOrAdds)
{
    const SetCase cases[] = {
        {"double quotes", "<img src=\"a\" alt=\"x\">", "src", "b", "<img src=\"b\" alt=\"x\">"},
        {"single quotes", "<img src='a' alt='x'>", "src", "b", "<img src='b' alt='x'>"},
        {"unquoted", "<img src=a alt=x>", "src", "b", "<img src=b alt=x>"},
        {"data-src left alone", "<img data-src=\"a\" src=\"b\">", "src", "c", "<img data-src=\"a\" src=\"c\">"},
        {"added before >", "<img alt=\"x\">", "src", "b", "<img alt=\"x\" src=\"b\">"},
        {"added before />", "<img alt=\"x\" />", "src", "b", "<img alt=\"x\"  src=\"b\"/>"},
        {"added to the start tag only", "<a>t<b>x</b></a>", "href", "u", "<a href=\"u\">t<b>x</b></a>"},
        {"empty value filled, not doubled", "<img src=\"\" alt=\"x\">", "src", "b", "<img src=\"b\" alt=\"x\">"},
        {"empty single quotes filled", "<img src=''>", "src", "b", "<img src='b'>"},
    };
    const HtmlReader reader;
    for (const SetCase& c : cases) {
        std::string element = c.element;
        EXPECT_EQ(reader.SetAttribute(element, c.name, c.value), c.expected) << c.what;
        EXPECT_EQ(element, c.expected) << c.what;
    }
}

} // namespace

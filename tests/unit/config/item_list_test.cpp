// Item-list forms of list controls and the CRC-32 fingerprint of control states.
#include "config/item_list.h"
#include "config/state_fingerprint.h"

#include <gtest/gtest.h>

namespace {

using namespace kc::config;

const std::string kTrue = "\xD5\xE6"; // 真
const std::string kFalse = "\xBC\xD9"; // 假

TEST(ItemList, CheckListFormHasOneMarkPerItem)
{
    const std::vector<ListItem> items = {{"a", 1, false}, {"\xD6\xD0", 2, true}, {"c", -3, false}}; // 中
    const std::string text = JoinCheckListItems(items);
    EXPECT_EQ(text, "a{G}1{G}" + kFalse + "{H}\xD6\xD0{G}2{G}" + kTrue + "{H}c{G}-3{G}" + kFalse);
    EXPECT_EQ(SplitCheckListItems(text), items);
    EXPECT_EQ(JoinListItems(items), "a{G}1{H}\xD6\xD0{G}2{H}c{G}-3");
}

TEST(ItemList, TreeFormRoundTrips)
{
    const std::vector<TreeItem> items = {{0, "root", 1, 2, 10, true, 0, true}, {1, "child", 3, 4, 11, false, 2, false}};
    const std::string text = JoinTreeItems(items);
    EXPECT_EQ(text,
        "0{G}root{G}1{G}2{G}10{G}" + kTrue + "{G}0{G}" + kTrue + "{H}1{G}child{G}3{G}4{G}11{G}" + kFalse + "{G}2{G}"
            + kFalse);
    EXPECT_EQ(SplitTreeItems(text), items);
}

TEST(ItemList, ShortAndEmptyTexts)
{
    const struct {
        const char* text;
        std::vector<ListItem> expected;
    } cases[] = {
        {"", {}},
        {"plain", {{"plain", 0, false}}},
        {"a{G}5{H}", {{"a", 5, false}}}, // a separator at the end adds no item
        {"{H}b{G}x", {{"", 0, false}, {"b", 0, false}}},
        {"c{G}7{G}"
         "\xD5\xE6",
            {{"c", 7, true}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitCheckListItems(c.text), c.expected) << c.text;
    EXPECT_TRUE(SplitTreeItems("").empty());
    EXPECT_EQ(SplitTreeItems("3{G}t").front().text, "t");
}

TEST(Fingerprint, IsTheIeeeCrcOfTheStates)
{
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32(""), 0u);
    EXPECT_EQ(CrcHex(0xCBF43926u), "CBF43926");

    StateFingerprint none;
    none.Add("");
    EXPECT_EQ(none.Result(), "");

    auto fingerprint = [](bool checked) {
        StateFingerprint f;
        f.Add("edit text");
        f.Add(checked ? kTrue : kFalse);
        f.Add("");
        return f.Result();
    };
    const std::string before = fingerprint(false);
    EXPECT_EQ(before, CrcHex(Crc32(CrcHex(Crc32("edit text")) + CrcHex(Crc32(kFalse)))));
    EXPECT_NE(fingerprint(true), before);
    EXPECT_EQ(fingerprint(false), before);
}

} // namespace

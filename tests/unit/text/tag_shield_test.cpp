// Tags taken out of a text and put back.
#include "text/tag_shield.h"
#include "text/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kc::text::kTagShieldPlaceholder;
using kc::text::TagShield;

std::string G(const char* utf8)
{
    return kc::text::ConvertCharset(utf8, "UTF-8", "GB18030");
}

const std::string kBody = G("<p>第一段<b>粗体</b>结束");

TEST(TagShield, RemoveOnlyLeavesTheTextAlone)
{
    TagShield shield;
    EXPECT_EQ(shield.Protect(kBody, {}, true), G("第一段粗体结束"));
    EXPECT_TRUE(shield.SavedTags().empty());
}

TEST(TagShield, RemoveOnlyWithOwnPlaceholderKeepsPlaceholders)
{
    TagShield shield;
    EXPECT_EQ(shield.Protect("a<i>b</i>", "#", true), "a#b#");
}

TEST(TagShield, ProtectThenRestoreGivesBackTheInput)
{
    for (const std::string& placeholder : {std::string("{X}"), std::string()}) {
        TagShield shield;
        const std::string protectedText = shield.Protect(kBody, placeholder);
        const std::string& used = placeholder.empty() ? std::string(kTagShieldPlaceholder) : placeholder;
        EXPECT_EQ(protectedText, used + G("第一段") + used + G("粗体") + used + G("结束"));
        ASSERT_EQ(shield.SavedTags().size(), 3u);
        EXPECT_EQ(shield.SavedTags().front(), "</b>"); // last tag of the text first
        EXPECT_EQ(shield.Restore(protectedText), kBody);
    }
}

TEST(TagShield, TagIsTheLastOpeningBeforeItsClosing)
{
    TagShield shield;
    // The first ">" has no "<" of its own; "a < b" belongs to no tag because a ">" ends the nearer one.
    EXPECT_EQ(shield.Protect("x > y <i>a < b<br>", "{X}"), "x > y {X}a < b{X}");
    EXPECT_EQ(shield.Protect("<<b>>", "{X}"), "<{X}>");
    EXPECT_EQ(shield.Restore("<{X}>"), "<<b>>");
}

TEST(TagShield, RestoreWithMismatchedCounts)
{
    TagShield shield;
    shield.Protect("<a>1<b>2", "{X}");
    EXPECT_EQ(shield.Restore("{X}1"), "<a>1"); // saved tags beyond the placeholders are dropped
    EXPECT_EQ(shield.Restore("{X}{X}{X}"), "<a><b>{X}"); // placeholders beyond the tags stay
    TagShield fresh;
    EXPECT_EQ(fresh.Restore("{X}"), "{X}");
}

TEST(TagShield, RestoreFindsPlaceholdersOnlyOnCharacterBoundaries)
{
    TagShield shield;
    shield.Protect("<a>", "{X}");
    // B0 7B is one GBK character whose trail byte is "{": "\xB0{X}" holds no placeholder after B0.
    EXPECT_EQ(shield.Restore("\xB0{X}{X}"), "\xB0{X}<a>");
}

TEST(TagShield, RemoveOnlyKeepsTagsSavedBefore)
{
    TagShield shield;
    shield.Protect("<a>x", "{X}");
    shield.Protect("<b>y", {}, true);
    // The placeholder is the one of the last Protect; the tags are those saved before.
    EXPECT_EQ(shield.Restore("{X}x"), "{X}x");
    EXPECT_EQ(shield.Restore(std::string(kTagShieldPlaceholder) + "x"), "<a>x");
}

} // namespace

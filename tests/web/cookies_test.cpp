#include "web/cookies.h"

#include <gtest/gtest.h>

namespace kl8 {
namespace {

TEST(MergeCookies, WorkedExamplesAndEdges) {
    struct Case {
        Text old_list, new_list, merged, new_after;
        const char* why;
    };
    const Case cases[] = {
        {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1", "b=3;c=4", "the response wins by name"},
        {"a=1; b=2; sid=x", "sid=deleted; c=4", "c=4; a=1; b=2", "sid=deleted;c=4",
         "a deleted cookie removes the caller's"},
        {"", "x=1; x=1; y=2", "x=1; y=2", "x=1;x=1;y=2", "identical items collapse"},
        {"a=1; a=2", "", "a=1", "", "of the caller's same-named items the first stays"},
        {"c=deleted; d=1", "x=1; x=2", "x=1; x=2; d=1", "x=1;x=2",
         "the caller's deleted item goes; same-named new items both stay"},
        {"a=hello world", "a=x; b=DELETED", "a=x; b=DELETED", "a=x;b=DELETED",
         "=DELETED in capitals stays"},
        {"", "", "", "", "two empty lists"},
        {"a=hello world", "", "a=helloworld", "", "spaces inside a value disappear"},
        {"a=1;;b=2", "", "a=1; ; b=2", "", "an empty item survives once"},
        {"a=1;;;b=2", "", "a=1; ; b=2", "", "the second empty item shares the empty name"},
        {"flag; a=1", "flag=2", "flag=2; a=1", "flag=2", "an item without = is named whole"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Text old_list = c.old_list;
        Text new_list = c.new_list;
        const Text result = merge_cookies(old_list, new_list);
        EXPECT_EQ(old_list, c.merged);
        EXPECT_EQ(result, c.merged);
        EXPECT_EQ(new_list, c.new_after);
    }
}

TEST(CookieName, TrimsTheTextBeforeTheFirstEquals) {
    struct Case {
        Text item, name;
        const char* why;
    };
    const Case cases[] = {
        {" sid = x=y", "sid", "spaces trimmed, first = ends the name"},
        {"flag", "flag", "no = gives the whole item"},
        {"=v", "", "empty name"},
        {"", "", "empty item"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(cookie_name(c.item), c.name);
    }
}

TEST(CookieLists, HasNameItemIndexAndDedupe) {
    const TextList items({"a=1", " b =2", "a=1", ""});
    EXPECT_TRUE(has_cookie_name(items, "b")) << "names compare after trimming";
    EXPECT_TRUE(has_cookie_name(items, "")) << "the empty item has the empty name";
    EXPECT_FALSE(has_cookie_name(items, "A")) << "names compare in exact case";
    EXPECT_EQ(item_index(items, "a=1"), 1);
    EXPECT_EQ(item_index(items, ""), 4);
    EXPECT_EQ(item_index(items, "b=2"), -1) << "items compare byte for byte";
    EXPECT_EQ(item_index(TextList(), "a"), -1);

    struct Case {
        Text text, separator, expected;
        const char* why;
    };
    const Case cases[] = {
        {"a, b, a, c", ", ", "a, b, c", "later repeats dropped"},
        {"", "; ", "", "empty text"},
        {"a;a;", ";", "a", "a trailing separator adds no item"},
        {"x", "", "x", "an empty separator leaves the text whole"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(dedupe_items(c.text, c.separator), c.expected);
    }
}

}  // namespace
}  // namespace kl8

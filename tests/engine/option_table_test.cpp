#include "engine/option_table.h"

#include <gtest/gtest.h>

using namespace ombrel;

namespace {

struct TTaken {
    bool Root = false;
    std::vector<std::string> Sizes;
};

TOptionTable Table(TTaken& t) {
    return TOptionTable("demo [--root] [--size WxH]...", "A table for the test.",
                        {
                            {{"--root", "-root"}, "", "a switch", [&t](const std::string&, std::string&) { return t.Root = true; }},
                            {{"--size"}, "WxH", "a value, repeatable;\nthe second line of its help",
                             [&t](const std::string& v, std::string& error) {
                                 if (v == "bad") {
                                     error = "--size cannot be 'bad'";
                                     return false;
                                 }
                                 t.Sizes.push_back(v);
                                 return true;
                             }},
                            {{"--a-very-long-option-name"}, "VALUE", "pushes its help to a line of its own",
                             [](const std::string&, std::string&) { return true; }},
                        });
}

}  // namespace

TEST(OptionTable, ValuesFollowAsTheNextArgumentOrAfterAnEqualsSign) {
    TTaken t;
    std::string error;
    ASSERT_TRUE(Table(t).Parse({"-root", "--size", "1x2", "--size=3x4", "--size", "--root"}, error)) << error;
    EXPECT_TRUE(t.Root);
    // A value may look like an option: it is the value all the same.
    EXPECT_EQ(t.Sizes, std::vector<std::string>({"1x2", "3x4", "--root"}));
}

TEST(OptionTable, EachBadInputIsOneLineNamingIt) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"root"}, "unknown option 'root'"},
        {{"-root=1"}, "unknown option '-root=1'"},  // '=' only after a "--" spelling
        {{"--root=1"}, "option --root takes no value"},
        {{"--size"}, "option --size needs a value"},
        {{"--size", "bad"}, "--size cannot be 'bad'"},
        {{"--size=bad", "--bogus"}, "--size cannot be 'bad'"},  // the first problem
    };
    for (const auto& [args, message] : cases) {
        TTaken t;
        std::string error;
        EXPECT_FALSE(Table(t).Parse(args, error)) << message;
        EXPECT_EQ(error, message);
    }
}

TEST(OptionTable, TheUsageListsEverySpellingInAColumn) {
    TTaken t;
    EXPECT_EQ(Table(t).Usage(),
              "usage: demo [--root] [--size WxH]...\n"
              "A table for the test.\n"
              "  --root, -root       a switch\n"
              "  --size WxH          a value, repeatable;\n"
              "                      the second line of its help\n"
              "  --a-very-long-option-name VALUE\n"
              "                      pushes its help to a line of its own\n");
}

// The About window's load texts.
#include <gtest/gtest.h>

#include "about/about_texts.h"

namespace kestrin {
namespace {

TEST(AboutTexts, ShowTitleVersionAndDescription) {
    const AboutTexts texts = MakeAboutTexts("Kestrin", {1, 1, 1}, "Checks a service.");
    EXPECT_EQ(texts.caption, "About Kestrin");
    EXPECT_EQ(texts.version, "Version 1.1.1");
    EXPECT_EQ(texts.title, "Kestrin");
    EXPECT_EQ(texts.description, "Checks a service.");
}

TEST(AboutTexts, VersionNumbersHaveNoPadding) {
    EXPECT_EQ(MakeAboutTexts("K", {10, 0, 2047}, "").version, "Version 10.0.2047");
}

}  // namespace
}  // namespace kestrin

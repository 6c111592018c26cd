// concat with an empty String's null text as its second part, as the icon path is formed when
// autorun.ini names no icon; the sanitizer build sees any write past the scratch buffer.
#include <gtest/gtest.h>

#include <cstring>

#include "config/text_string.h"

namespace autorun {
namespace {

TEST(ConcatWithNullText, KeepsTheFirstPartWhole) {
    // Lengths around the heap's block granularity, where a byte too many hits the next block.
    for (const char* first : {"", "Z:\\", "Z:\\menu\\", "Z:\\tmp\\e2e-work\\runs\\probe\\menu\\",
                              "Z:\\tmp\\e2e-work\\runs\\no_ini\\menu\\"}) {
        String base(first);
        String empty;
        ASSERT_EQ(empty.text(), nullptr);
        const String& joined = concat(base, empty.text());
        EXPECT_EQ(joined.length(), static_cast<int32_t>(std::strlen(first))) << first;
        EXPECT_STREQ(joined.length() == 0 ? "" : joined.text(), first);
    }
}

}  // namespace
}  // namespace autorun

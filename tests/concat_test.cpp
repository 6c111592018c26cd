// concat of a String and a null text, as the menu builds a path from a key that is missing.
#include <gtest/gtest.h>

#include <string>

#include "config/text_string.h"

namespace autorun {
namespace {

TEST(ConcatWithNullText, KeepsTheFirstPartAndItsTerminatorInsideTheBuffer) {
    for (const char* first : {"C:\\menu\\", "x", ""}) {
        const String& joined = concat(String(first), nullptr);
        EXPECT_EQ(joined.length(), static_cast<int32_t>(std::string(first).size()));
        EXPECT_EQ(std::string(joined.text() != nullptr ? joined.text() : ""), first);
    }
}

}  // namespace
}  // namespace autorun

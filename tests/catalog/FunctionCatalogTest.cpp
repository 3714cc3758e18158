#include "catalog/FunctionCatalog.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

TEST(FunctionCatalog, UnknownValuesAreNotFound) {
    for (int v : {-1, 0, 9, 1000}) {
        EXPECT_EQ(findMouseFunction(v), nullptr);
        EXPECT_EQ(findMultimediaFunction(v), nullptr);
        EXPECT_EQ(findMacShortcut(v), nullptr);
        EXPECT_EQ(findMediaCode(v), nullptr);
    }
    for (int code : {-1, 0, 1, 3, 499, 518, 1000})
        EXPECT_EQ(customKeyFuncShortName(code), std::nullopt);
    for (int t : {0, 5, 9, 13, 14}) EXPECT_EQ(findFunctionType(t), nullptr);
}

}  // namespace
}  // namespace korvex

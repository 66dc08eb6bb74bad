// Parenthesis balance of expression text.
#include <gtest/gtest.h>

#include <string>

#include "ozm/math2.hpp"

namespace {

using ozm::math2::CheckParanthInExp;

TEST(Parentheses, BalanceAndFirstUnmatchedClose) {
    EXPECT_EQ(CheckParanthInExp("(a(b)"), 1);
    EXPECT_EQ(CheckParanthInExp("a)b("), -2);
    EXPECT_EQ(CheckParanthInExp("(a)(b)"), 0);
    EXPECT_EQ(CheckParanthInExp(""), 0);
    EXPECT_EQ(CheckParanthInExp("sin(x)*(1+(y-2))"), 0);
    EXPECT_EQ(CheckParanthInExp("((("), 3);
    EXPECT_EQ(CheckParanthInExp(")"), -1);
    // The scan stops at the first unmatched ")": later opens do not count.
    EXPECT_EQ(CheckParanthInExp("(x))((((("), -4);
    EXPECT_EQ(CheckParanthInExp(std::string(1000, '(') + std::string(1000, ')')), 0);
    EXPECT_EQ(CheckParanthInExp(std::string(1000, '(') + std::string(1001, ')')), -2001);
}

}  // namespace

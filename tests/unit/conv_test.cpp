#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/conv.h"
#include "test_util.h"

namespace {

using vb::kDivisionByZero;
using vb::kOverflow;
using vb::kTypeMismatch;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(CLngText, ConvertsNumbers) {
    // Half to even; anything above a half rounds away from zero.
    const std::pair<std::u16string, std::int32_t> rows[] = {{u"0", 0},
                                                            {u"42", 42},
                                                            {u"  42\t", 42},
                                                            {u"+7", 7},
                                                            {u"-7", -7},
                                                            {u" -12 ", -12},
                                                            {u"007", 7},
                                                            {u"2.5", 2},
                                                            {u"3.5", 4},
                                                            {u"-2.5", -2},
                                                            {u"-3.5", -4},
                                                            {u"0.5", 0},
                                                            {u"1.5", 2},
                                                            {u"2.5000", 2},
                                                            {u"2.50001", 3},
                                                            {u"2.49999", 2},
                                                            {u".5", 0},
                                                            {u"5.", 5},
                                                            {u"2147483647", kMax},
                                                            {u"-2147483648", kMin},
                                                            {u"-2147483648.5", kMin}};
    // Named, not bound: clang 14 cannot capture a structured binding.
    for (const auto& row : rows) {
        SCOPED_TRACE("\"" + fake::Show(row.first) + "\"");
        EXPECT_EQ(ErrorOf([&] { EXPECT_EQ(vb::CLng(row.first), row.second); }), 0);
    }
}

TEST(CLngText, RaisesForNonNumbersAndOutside32Bits) {
    const std::pair<std::u16string, std::int32_t> rows[] = {
        {u"2147483648", kOverflow},   {u"-2147483649", kOverflow},
        {u"2147483647.5", kOverflow}, {u"99999999999999999999999", kOverflow},
        {u"", kTypeMismatch},         {u"   ", kTypeMismatch},
        {u"abc", kTypeMismatch},      {u"1 2", kTypeMismatch},
        {u"--1", kTypeMismatch},      {u"+-1", kTypeMismatch},
        {u"-", kTypeMismatch},        {u".", kTypeMismatch},
        {u"0x10", kTypeMismatch},     {u"12abc", kTypeMismatch},
        {u"1.2.3", kTypeMismatch},    {u"- 1", kTypeMismatch}};
    for (const auto& row : rows) {
        SCOPED_TRACE("\"" + fake::Show(row.first) + "\"");
        EXPECT_EQ(ErrorOf([&] { vb::CLng(row.first); }), row.second);
    }
}

TEST(CLngDouble, RoundsHalfToEvenWithin32Bits) {
    EXPECT_EQ(vb::CLng(2.5), 2);
    EXPECT_EQ(vb::CLng(3.5), 4);
    EXPECT_EQ(vb::CLng(-2.5), -2);
    EXPECT_EQ(vb::CLng(2.51), 3);
    EXPECT_EQ(vb::CLng(2147483647.0), kMax);
    EXPECT_EQ(vb::CLng(-2147483648.0), kMin);
    EXPECT_EQ(vb::CLng(-2147483648.5), kMin);
    EXPECT_EQ(ErrorOf([] { vb::CLng(2147483647.5); }), kOverflow);
    EXPECT_EQ(ErrorOf([] { vb::CLng(-2147483649.0); }), kOverflow);
    EXPECT_EQ(ErrorOf([] { vb::CLng(std::nan("")); }), kOverflow);
}

TEST(IntDiv, RoundsBothOperandsThenTruncates) {
    struct Row {
        double a, b;
        std::int32_t quotient;
    };
    const Row rows[] = {
        {7, 2, 3},         {-7, 2, -3},    // toward zero, not down
        {7, -2, -3},       {7.5, 2.5, 4},  // 8 \ 2
        {6.5, 2.5, 3},                     // 6 \ 2
        {7694.6, 15, 513},                 // 7695 \ 15, where 7694.6 / 15 would truncate to 512
        {7182, 14.5, 513},                 // 7182 \ 14
        {8208, 15.5, 513},                 // 8208 \ 16
        {0, 5, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.a) + " \\ " + std::to_string(row.b));
        EXPECT_EQ(vb::IntDiv(row.a, row.b), row.quotient);
    }
    EXPECT_EQ(ErrorOf([] { vb::IntDiv(1, 0); }), kDivisionByZero);
    EXPECT_EQ(ErrorOf([] { vb::IntDiv(1, 0.5); }), kDivisionByZero);  // 0.5 rounds to 0
    EXPECT_EQ(ErrorOf([] { vb::IntDiv(kMin, -1); }), kOverflow);
    EXPECT_EQ(ErrorOf([] { vb::IntDiv(3e9, 1); }), kOverflow);
}

TEST(CheckedIntegers, RaiseOverflowOutsideTheirWidth) {
    EXPECT_EQ(vb::CInt(32767), 32767);
    EXPECT_EQ(vb::CInt(-32768), -32768);
    EXPECT_EQ(ErrorOf([] { vb::CInt(32768); }), kOverflow);
    EXPECT_EQ(ErrorOf([] { vb::CInt(-32769); }), kOverflow);

    EXPECT_EQ(vb::Add(kMax - 1, 1), kMax);
    EXPECT_EQ(vb::Add(kMin, kMax), -1);
    EXPECT_EQ(ErrorOf([] { vb::Add(kMax, 1); }), kOverflow);
    EXPECT_EQ(ErrorOf([] { vb::Add(kMin, -1); }), kOverflow);
    EXPECT_EQ(vb::Add(std::int16_t{32766}, std::int16_t{1}), 32767);
    EXPECT_EQ(ErrorOf([] { vb::Add(std::int16_t{32767}, std::int16_t{1}); }), kOverflow);
    EXPECT_EQ(ErrorOf([] { vb::Add(std::int16_t{-32768}, std::int16_t{-1}); }), kOverflow);
}

}  // namespace

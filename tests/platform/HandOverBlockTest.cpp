// The hand-over block: what a later start can carry, and what a received block is believed.
#include "platform/HandOverBlock.h"

#include <gtest/gtest.h>

#include <cstring>

namespace sv {
namespace {

std::vector<std::uint8_t> BlockWithCount(std::int32_t count) {
    std::vector<std::uint8_t> block(kHandOverBytes, 0);
    std::memcpy(block.data(), &count, 4);
    return block;
}

TEST(HandOverBlock, CarriesArgumentsAsTheyAreInFixedFields) {
    std::vector<std::string> args = {"/usr/bin/sonvela", "/home/u/a b 'c' \"d\" é.wav", "-saveas", ""};
    std::vector<std::uint8_t> block;
    std::string error;
    ASSERT_TRUE(EncodeHandOverBlock(args, &block, &error));
    ASSERT_EQ(block.size(), 33284u);
    EXPECT_EQ(block[0], 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&block[4 + 260])), args[1]);
    std::vector<std::string> back;
    ASSERT_TRUE(DecodeHandOverBlock(block.data(), block.size(), &back, &error));
    EXPECT_EQ(back, args);
}

TEST(HandOverBlock, WhatDoesNotFitIsRefusedByName) {
    std::vector<std::uint8_t> block;
    std::string error;
    std::vector<std::string> many(200, "x.wav");
    EXPECT_FALSE(EncodeHandOverBlock(many, &block, &error));
    EXPECT_NE(error.find("200 arguments"), std::string::npos) << error;
    many.resize(128);
    EXPECT_TRUE(EncodeHandOverBlock(many, &block, &error));

    const std::string longPath = "/" + std::string(299, 'p');
    EXPECT_FALSE(EncodeHandOverBlock({"sonvela", longPath}, &block, &error));
    EXPECT_NE(error.find(longPath), std::string::npos);
    EXPECT_TRUE(EncodeHandOverBlock({"sonvela", std::string(259, 'p')}, &block, &error));
    EXPECT_FALSE(EncodeHandOverBlock({"sonvela", std::string(260, 'p')}, &block, &error));
}

TEST(HandOverBlock, ReceivedCountsAreBoundedAndSizesExact) {
    std::vector<std::string> args = {"junk"};
    std::string error;
    std::vector<std::uint8_t> block = BlockWithCount(-5);
    ASSERT_TRUE(DecodeHandOverBlock(block.data(), block.size(), &args, &error));
    EXPECT_TRUE(args.empty());

    block = BlockWithCount(0x7fffffff);
    ASSERT_TRUE(DecodeHandOverBlock(block.data(), block.size(), &args, &error));
    EXPECT_EQ(args.size(), 128u);  // every field empty, none read past the block

    for (std::size_t size : {std::size_t{0}, std::size_t{4}, kHandOverBytes - 1, kHandOverBytes + 1}) {
        std::vector<std::uint8_t> odd(size, 0);
        EXPECT_FALSE(DecodeHandOverBlock(odd.data(), odd.size(), &args, &error)) << size;
        EXPECT_TRUE(args.empty());
    }
}

TEST(HandOverBlock, AFieldWithoutItsTerminatorRefusesTheBlock) {
    std::vector<std::uint8_t> block = BlockWithCount(2);
    std::memcpy(&block[4], "sonvela", 7);
    std::memset(&block[4 + 260], 'a', 260);
    std::vector<std::string> args;
    std::string error;
    EXPECT_FALSE(DecodeHandOverBlock(block.data(), block.size(), &args, &error));
    EXPECT_TRUE(args.empty());
    // Only counted fields matter: the same bytes beyond the count are not read.
    std::int32_t one = 1;
    std::memcpy(block.data(), &one, 4);
    ASSERT_TRUE(DecodeHandOverBlock(block.data(), block.size(), &args, &error));
    EXPECT_EQ(args, std::vector<std::string>{"sonvela"});
}

}  // namespace
}  // namespace sv

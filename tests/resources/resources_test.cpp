// The picture files compiled into the program, checked byte by byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> readResource(const std::string& name) {
    std::ifstream in(std::string(VX_RESOURCES_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

unsigned word(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes.at(at) | (bytes.at(at + 1) << 8);
}

// Skips a chain of GIF data sub-blocks starting at `at`; returns the offset after it.
size_t skipSubBlocks(const std::vector<uint8_t>& gif, size_t at) {
    while (gif.at(at) != 0) at += gif.at(at) + 1;
    return at + 1;
}

TEST(Resources, BannerIsAOneFrameGif89aWithTransparentIndex255) {
    const std::vector<uint8_t> gif = readResource("banner.gif");
    ASSERT_GT(gif.size(), 13u + 768u);
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
    EXPECT_EQ(word(gif, 6), 400u);
    EXPECT_EQ(word(gif, 8), 100u);
    EXPECT_EQ(gif[10] & 0x80, 0x80);  // global colour table present
    EXPECT_EQ(gif[10] & 0x07, 7);     // of 2^(7+1) = 256 entries

    int frames = 0;
    int transparentIndex = -1;
    size_t at = 13 + 768;
    while (gif.at(at) != 0x3B) {
        if (gif[at] == 0x21 && gif.at(at + 1) == 0xF9) {  // graphic control extension
            ASSERT_EQ(gif.at(at + 2), 4);
            if (gif.at(at + 3) & 0x01) transparentIndex = gif.at(at + 6);
            at = skipSubBlocks(gif, at + 2);
        } else if (gif[at] == 0x21) {
            at = skipSubBlocks(gif, at + 2);
        } else {
            ASSERT_EQ(gif[at], 0x2C) << "unexpected block at " << at;
            ++frames;
            EXPECT_EQ(word(gif, at + 5), 400u);
            EXPECT_EQ(word(gif, at + 7), 100u);
            EXPECT_EQ(gif.at(at + 9) & 0x80, 0);  // no local colour table
            at = skipSubBlocks(gif, at + 11);     // past the LZW code size
        }
    }
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(transparentIndex, 255);
}

TEST(Resources, IconHoldsA256ColourAndA32BitImageOf16By16) {
    const std::vector<uint8_t> ico = readResource("icon.ico");
    ASSERT_GE(ico.size(), 6u + 2 * 16u);
    EXPECT_EQ(word(ico, 0), 0u);
    EXPECT_EQ(word(ico, 2), 1u);  // an icon
    ASSERT_EQ(word(ico, 4), 2u);
    std::vector<unsigned> depths;
    for (size_t entry = 6; entry < 6 + 2 * 16; entry += 16) {
        EXPECT_EQ(ico.at(entry), 16);
        EXPECT_EQ(ico.at(entry + 1), 16);
        const size_t image = word(ico, entry + 12) | (word(ico, entry + 14) << 16);
        EXPECT_EQ(word(ico, image), 40u);  // a BITMAPINFOHEADER, not a PNG
        depths.push_back(word(ico, image + 14));
    }
    EXPECT_EQ(depths, (std::vector<unsigned>{8, 32}));
}

}  // namespace

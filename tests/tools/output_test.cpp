#include <gtest/gtest.h>
#include "test_support.h"

#include <fcntl.h>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>
#include "assetgen/canvas.h"
#include "assetgen/output.h"
#include "platform/buffer.h"
#include "platform/files.h"
#include "png_decode.h"

namespace {

class OutputTest : public ::testing::Test {
protected:
    std::string root;
    void SetUp() override { root = fresh_test_dir("assetgen") + "/out"; }
};

TEST_F(OutputTest, PngIsEightBitNonInterlacedRgbOrRgbaWithThePixelsGiven) {
    const struct {
        std::vector<uint8_t> pixels;
        uint32_t w, h;
        int channels, colour_type;
    } cases[] = {
        {{255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 40, 50, 60, 70, 80, 90}, 3, 2, 3, PNG_COLOR_TYPE_RGB},
        {{1, 2, 3, 0, 4, 5, 6, 255}, 2, 1, 4, PNG_COLOR_TYPE_RGB_ALPHA},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> png;
        ASSERT_EQ(png_encode(c.pixels.data(), int(c.w), int(c.h), c.channels, &png), RES_OK) << c.channels;
        const DecodedPng d = png_decode(png.data(), png.size());
        ASSERT_TRUE(d.ok) << c.channels;
        EXPECT_EQ(std::tie(d.width, d.height, d.bit_depth, d.colour_type, d.interlace),
                  std::make_tuple(c.w, c.h, 8, c.colour_type, PNG_INTERLACE_NONE));
        EXPECT_EQ(d.pixels, c.pixels);
    }
    std::vector<uint8_t> png;
    EXPECT_EQ(png_encode(cases[1].pixels.data(), 2, 1, 2, &png), RES_OUT_OF_RANGE) << "two channels";
}

TEST_F(OutputTest, TheSamePixelsGiveTheSameBytes) {
    Canvas c = canvas_create(50, 40, {0.1f, 0.2f, 0.3f, 1});
    canvas_circle(&c, 20, 20, 9, {1, 0.5f, 0, 1}, BLEND_ADD);
    ASSERT_EQ(output_png_rgb(root, "a/one.png", c, true, 3), RES_OK);
    ASSERT_EQ(output_png_rgb(root, "b/two.png", c, true, 3), RES_OK);
    const std::vector<uint8_t> one = read_whole(root + "/a/one.png");
    EXPECT_FALSE(one.empty());
    EXPECT_EQ(one, read_whole(root + "/b/two.png"));
}

TEST_F(OutputTest, TextGetsLfLineEndsAndOneFinalNewline) {
    EXPECT_EQ(text_normalise("a\r\nb\rc"), "a\nb\nc\n");
    EXPECT_EQ(text_normalise("done\n\n\n"), "done\n");
    EXPECT_EQ(text_normalise("x"), "x\n");
    EXPECT_EQ(text_normalise("\n"), "\n");
    EXPECT_EQ(text_normalise(""), "");
    EXPECT_EQ(text_normalise("a\n\nb\n"), "a\n\nb\n");   // blank lines inside stay
    ASSERT_EQ(output_text(root, "names/list.txt", "one\r\ntwo"), RES_OK);
    const std::vector<uint8_t> file = read_whole(root + "/names/list.txt");
    EXPECT_EQ(std::string(file.begin(), file.end()), "one\ntwo\n");
}

TEST_F(OutputTest, ParameterFilesAreTheBufferBytes) {
    Buffer params;
    ASSERT_EQ(buffer_write_i32(&params, -2), RES_OK);
    ASSERT_EQ(buffer_write_string(&params, "Hull"), RES_OK);
    ASSERT_EQ(output_params(root, "ship/001/dat/params.dat", params), RES_OK);
    EXPECT_EQ(read_whole(root + "/ship/001/dat/params.dat"),
              (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFE, 0, 0, 0, 4, 'H', 'u', 'l', 'l'}));
}

TEST_F(OutputTest, AFailedWriteIsReported) {
    ASSERT_EQ(make_directory(root.c_str()), RES_OK);
    ASSERT_EQ(output_text(root, "file", "x"), RES_OK);
    testing::internal::CaptureStderr();
    EXPECT_NE(output_text(root, "file/below", "x"), RES_OK);   // a file where a folder must be
    EXPECT_NE(testing::internal::GetCapturedStderr().find("file/below"), std::string::npos);
}

}  // namespace

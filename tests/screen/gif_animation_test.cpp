// The GIF decoder's composed frames against ImageMagick's (-coalesce), its limits and damaged
// files.
#include "screen/gif_animation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace vurerode::screen {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  EXPECT_TRUE(in) << p;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Seed(const std::string& name) {
  return ReadFile(fs::path(VURERODE_TEST_GIFS) / name);
}

// Every image of a PAM file (ImageMagick writes them one after another, RGB or RGB_ALPHA) as
// 0xAARRGGBB pixels.
std::vector<std::vector<uint32_t>> ReadPam(const fs::path& p) {
  const Bytes raw = ReadFile(p);
  const std::string b(raw.begin(), raw.end());
  std::vector<std::vector<uint32_t>> images;
  for (size_t at = 0, end; (end = b.find("ENDHDR\n", at)) != std::string::npos;) {
    std::istringstream header(b.substr(at, end - at));
    size_t w = 0, h = 0, depth = 0;
    for (std::string key; header >> key;) {
      if (key == "WIDTH") header >> w;
      if (key == "HEIGHT") header >> h;
      if (key == "DEPTH") header >> depth;
    }
    at = end + 7;
    std::vector<uint32_t>& px = images.emplace_back();
    for (size_t i = 0; i < w * h && at + depth <= b.size(); ++i, at += depth) {
      auto c = [&](size_t k) { return uint32_t{static_cast<uint8_t>(b[at + k])}; };
      px.push_back((depth == 4 ? c(3) : 255) << 24 | c(0) << 16 | c(1) << 8 | c(2));
    }
  }
  return images;
}

// Frames equal where either is opaque; a transparent pixel's colour is nobody's business.
void ExpectSameFrames(const GifAnimation& gif, const fs::path& pam) {
  const auto want = ReadPam(pam);
  ASSERT_EQ(gif.Frames.size(), want.size()) << pam;
  for (size_t f = 0; f < want.size(); ++f) {
    ASSERT_EQ(gif.Frames[f].Pixels.size(), want[f].size()) << pam << " frame " << f;
    for (size_t i = 0; i < want[f].size(); ++i) {
      const uint32_t got = gif.Frames[f].Pixels[i], w = want[f][i];
      if ((got >> 24) == 0 && (w >> 24) == 0) continue;
      ASSERT_EQ(got, w) << pam << " frame " << f << " at " << i % static_cast<size_t>(gif.Width) << ","
                        << i / static_cast<size_t>(gif.Width);
    }
  }
}

TEST(GifAnimation, SeedsComposeAsImageMagickDoes) {
  struct Row {
    const char* name;
    std::vector<int> delays;
    int plays;
  } rows[] = {
      {"disposal", {100, 50, 200, 100}, 2}, {"noise", {70, 70}, 0}, {"still87", {100}, 1},  // no loop count: one play
  };
  for (const Row& r : rows) {
    const GifAnimation gif = DecodeGif(Seed(std::string(r.name) + ".gif"));
    std::vector<int> delays;
    for (const GifFrame& f : gif.Frames) delays.push_back(f.DelayMs);
    EXPECT_EQ(delays, r.delays) << r.name;
    EXPECT_EQ(gif.Plays, r.plays) << r.name;
    EXPECT_FALSE(gif.Truncated) << r.name;
    ExpectSameFrames(gif, fs::path(VURERODE_TEST_GIFS) / (std::string(r.name) + ".pam"));
  }
}

// ImageMagick itself, where it is installed: files it optimises the way animation tools do.
TEST(GifAnimation, FreshFilesComposeAsImageMagickDoes) {
#ifdef _WIN32
  GTEST_SKIP() << "no ImageMagick on Windows";
#else
  std::string convert;
  for (const char* c : {static_cast<const char*>(std::getenv("VURERODE_CONVERT")), "/usr/bin/convert", "convert"})
    if (c && std::system((std::string(c) + " -version 2>/dev/null | grep -q 'Version: ImageMagick'").c_str()) == 0) {
      convert = c;
      break;
    }
  if (convert.empty()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  const fs::path dir = fs::temp_directory_path() / ("vurerode-gif-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string d = dir.string() + "/";
  const std::string back = "\\( -size 30x20 gradient:navy-orange -colors 64 \\) ";
  const std::string commands[] = {
      // Moving shapes over a background, reduced to the changed parts with disposal and transparency.
      "-delay 4 -loop 3 " + back + "\\( " + back + "-fill yellow -draw 'rectangle 2,2 8,8' \\) \\( " + back +
          "-fill yellow -draw 'rectangle 10,6 16,12' \\) \\( " + back + "-fill lime -draw 'circle 20,10 24,12' \\) " +
          "-layers Optimize",
      // Local tables, interlace, and each disposal after an image that stays.
      "-seed 3 -delay 2 \\( -size 50x40 xc: +noise Random -colors 256 \\) -dispose previous \\( -size 20x30 xc: "
      "+noise Random -colors 90 -repage +25+5 \\) -dispose background \\( -size 9x9 xc: +noise Random -colors 30 "
      "-repage +3+2 \\) -dispose none \\( -size 4x4 xc:red -repage +30+30 \\) -interlace Line",
  };
  int n = 0;
  for (const std::string& c : commands) {
    const std::string gif = d + std::to_string(n) + ".gif", pam = d + std::to_string(n++) + ".pam";
    ASSERT_EQ(std::system((convert + " " + c + " " + gif + " && " + convert + " " + gif + " -coalesce " + pam).c_str()),
              0)
        << c;
    ExpectSameFrames(DecodeGif(ReadFile(gif)), pam);
  }
  fs::remove_all(dir);
#endif
}

TEST(GifAnimation, DamagedAndHostileFiles) {
  const Bytes good = Seed("disposal.gif");  // four images; the second starts at byte 0x50
  auto cut = [&](size_t n) { return Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)); };
  Bytes huge = good;
  huge[6] = huge[7] = huge[8] = huge[9] = 0xFF;  // a 65535 by 65535 screen
  Bytes badCode = good;
  badCode[0x3A] = 0xFF;  // the first image's first codes: not yet defined
  struct Row {
    const char* what;
    Bytes bytes;
    GifLimits limits;
    int frames;  // -1: refused
    bool truncated;
  } rows[] = {
      {"empty", {}, {}, -1, false},
      {"not a GIF", Bytes{'G', 'I', 'F', '9', '0', 'a', 1, 0, 1, 0, 0, 0, 0, ';'}, {}, -1, false},
      {"cut inside the first image", cut(0x3F), {}, -1, false},
      {"a trailer before any image", Bytes{'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0, 0, 0, ';'}, {}, -1, false},
      {"an undefined code in the first image", badCode, {}, -1, false},
      {"cut inside the second image", cut(0x5C), {}, 1, true},
      {"without its trailer", cut(good.size() - 1), {}, 4, true},
      {"a screen too large", huge, {}, -1, false},
      {"more frames than allowed", good, {.MaxFrames = 3}, -1, false},
      {"more pixels than allowed", good, {.MaxTotalPixels = 16 * 12 * 3}, -1, false},
  };
  for (const Row& r : rows) {
    if (r.frames < 0) {
      EXPECT_THROW(DecodeGif(r.bytes, r.limits), EGifError) << r.what;
      continue;
    }
    const GifAnimation gif = DecodeGif(r.bytes, r.limits);
    EXPECT_EQ(gif.Frames.size(), static_cast<size_t>(r.frames)) << r.what;
    EXPECT_EQ(gif.Truncated, r.truncated) << r.what;
  }
}

}  // namespace
}  // namespace vurerode::screen

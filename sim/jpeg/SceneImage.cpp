#include "sim/jpeg/SceneImage.h"

#include "sim/jpeg/ExifBlock.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace pixlor::sim {

namespace {

// A 5 x 7 font of the characters the pictures need, one row a byte (bit 4 is the left column).
struct Glyph {
    char character;
    std::uint8_t rows[7];
};
// clang-format off
constexpr Glyph FONT[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
};
// clang-format on
constexpr int GLYPH_WIDTH = 5, GLYPH_HEIGHT = 7, ADVANCE = 6;

const Glyph* glyphOf(char character) {
    for (const Glyph& glyph : FONT)
        if (glyph.character == character) return &glyph;
    return nullptr;  // a blank
}

struct Rgb {
    std::uint8_t r, g, b;
};

// Hue in degrees, saturation and value 0..1.
Rgb fromHsv(double hue, double saturation, double value) {
    hue = std::fmod(hue, 360.0) / 60.0;
    const double chroma = value * saturation;
    const double x = chroma * (1 - std::fabs(std::fmod(hue, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue)) {
    case 0: r = chroma, g = x; break;
    case 1: r = x, g = chroma; break;
    case 2: g = chroma, b = x; break;
    case 3: g = x, b = chroma; break;
    case 4: r = x, b = chroma; break;
    default: r = chroma, b = x; break;
    }
    const double m = value - chroma;
    auto channel = [m](double c) { return static_cast<std::uint8_t>(std::lround((c + m) * 255)); };
    return {channel(r), channel(g), channel(b)};
}

// 0..1 from the seed and the picture, for the scene's layout.
double fraction(std::uint32_t seed, std::uint32_t pictureId, std::uint32_t salt) {
    std::uint64_t value = (std::uint64_t{seed} << 32 | pictureId) * 0x9E3779B97F4A7C15ull + salt;
    value = (value ^ (value >> 31)) * 0xBF58476D1CE4E5B9ull;
    value ^= value >> 29;
    return static_cast<double>(value >> 11) / static_cast<double>(1ull << 53);
}

class Canvas {
public:
    explicit Canvas(RgbImage& image) : image_(image) {}

    void fill(int x0, int y0, int x1, int y1, Rgb colour) {
        x0 = std::max(x0, 0), y0 = std::max(y0, 0);
        x1 = std::min(x1, static_cast<int>(image_.width));
        y1 = std::min(y1, static_cast<int>(image_.height));
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) put(x, y, colour);
    }
    void put(int x, int y, Rgb colour) {
        std::uint8_t* pixel = &image_.pixels[(static_cast<std::size_t>(y) * image_.width + x) * 3];
        pixel[0] = colour.r, pixel[1] = colour.g, pixel[2] = colour.b;
    }

    // Light text with a dark rim, so it reads on any colour; `scale` pixels a font pixel.
    void text(const std::string& text, int left, int top, int scale) {
        const int rim = std::max(1, scale / 4);
        for (int pass = 0; pass < 2; ++pass) {
            const int grow = pass == 0 ? rim : 0;
            const Rgb colour = pass == 0 ? Rgb{20, 20, 28} : Rgb{255, 255, 250};
            for (std::size_t i = 0; i < text.size(); ++i) {
                const Glyph* glyph = glyphOf(text[i]);
                if (glyph == nullptr) continue;
                const int x0 = left + static_cast<int>(i) * ADVANCE * scale;
                for (int row = 0; row < GLYPH_HEIGHT; ++row)
                    for (int column = 0; column < GLYPH_WIDTH; ++column)
                        if (glyph->rows[row] & (0x10 >> column))
                            fill(x0 + column * scale - grow, top + row * scale - grow,
                                 x0 + (column + 1) * scale + grow, top + (row + 1) * scale + grow,
                                 colour);
            }
        }
    }

private:
    RgbImage& image_;
};

// The largest font scale at which `characters` fit into `width` x `height` pixels.
int scaleFor(std::size_t characters, double width, double height) {
    const double wide = width / (static_cast<double>(characters) * ADVANCE - 1);
    return std::max(1, static_cast<int>(std::min(wide, height / GLYPH_HEIGHT)));
}

}  // namespace

RgbImage drawScene(std::uint32_t seed, std::uint32_t pictureId, std::int32_t shootingTime,
                   unsigned width, unsigned height) {
    RgbImage image{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 3)};
    Canvas canvas(image);
    const double w = width, h = height;
    // Neighbouring numbers get hues far apart (the golden angle).
    const double hue = std::fmod(pictureId * 137.508, 360.0);
    const Rgb farHills = fromHsv(hue + 110, 0.45, 0.60);
    const Rgb nearHills = fromHsv(hue + 160, 0.65, 0.42);
    const Rgb sun{255, 236, 150};
    const double sunX = w * (0.12 + 0.76 * fraction(seed, pictureId, 1)), sunY = h * 0.22;
    const double sunRadius = h * 0.09;
    const double phase1 = 2 * std::numbers::pi * fraction(seed, pictureId, 2);
    const double phase2 = 2 * std::numbers::pi * fraction(seed, pictureId, 3);
    for (unsigned x = 0; x < width; ++x) {
        const double across = 2 * std::numbers::pi * x / w;
        const double farTop = h * (0.60 + 0.06 * std::sin(across * 1.5 + phase1));
        const double nearTop = h * (0.74 + 0.05 * std::sin(across * 2.5 + phase2));
        for (unsigned y = 0; y < height; ++y) {
            Rgb colour;
            if (y >= nearTop) {
                colour = nearHills;
            } else if (y >= farTop) {
                colour = farHills;
            } else if (std::hypot(x - sunX, y - sunY) <= sunRadius) {
                colour = sun;
            } else {
                colour = fromHsv(hue, 0.60 - 0.35 * y / farTop, 0.92 + 0.08 * y / farTop);
            }
            canvas.put(static_cast<int>(x), static_cast<int>(y), colour);
        }
    }

    const std::string number = "#" + std::to_string(pictureId);
    const int numberScale = scaleFor(number.size(), w * 0.85, h * 0.40);
    const int numberWidth = (static_cast<int>(number.size()) * ADVANCE - 1) * numberScale;
    canvas.text(number, (static_cast<int>(width) - numberWidth) / 2,
                static_cast<int>(h * 0.38) - GLYPH_HEIGHT * numberScale / 2, numberScale);

    const std::string date = shootingTimeText(shootingTime, '-');
    const int dateScale = scaleFor(date.size(), w * 0.92, h * 0.12);
    const int dateWidth = (static_cast<int>(date.size()) * ADVANCE - 1) * dateScale;
    canvas.text(date, (static_cast<int>(width) - dateWidth) / 2,
                static_cast<int>(h * 0.93) - GLYPH_HEIGHT * dateScale, dateScale);
    return image;
}

RgbImage scaledImage(const RgbImage& image, unsigned width, unsigned height) {
    RgbImage scaled{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 3)};
    // The source span [first, last) that target cell `index` of `count` covers out of `total`.
    auto span = [](unsigned index, unsigned count, unsigned total, unsigned& first,
                   unsigned& last) {
        first = static_cast<unsigned>(std::uint64_t{index} * total / count);
        last = std::max(first + 1, static_cast<unsigned>(std::uint64_t{index + 1} * total / count));
    };
    for (unsigned y = 0; y < height; ++y) {
        unsigned y0 = 0, y1 = 0;
        span(y, height, image.height, y0, y1);
        for (unsigned x = 0; x < width; ++x) {
            unsigned x0 = 0, x1 = 0;
            span(x, width, image.width, x0, x1);
            std::uint32_t sum[3] = {0, 0, 0};
            for (unsigned sy = y0; sy < y1; ++sy)
                for (unsigned sx = x0; sx < x1; ++sx)
                    for (int c = 0; c < 3; ++c)
                        sum[c] += image.pixels[(std::size_t{sy} * image.width + sx) * 3 + c];
            const std::uint32_t area = (y1 - y0) * (x1 - x0);
            for (int c = 0; c < 3; ++c)
                scaled.pixels[(std::size_t{y} * width + x) * 3 + c] =
                    static_cast<std::uint8_t>((sum[c] + area / 2) / area);
        }
    }
    return scaled;
}

}  // namespace pixlor::sim

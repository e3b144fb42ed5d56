#include "subtitles/overlay_render.h"

#include "subtitles/overlay_geometry.h"

#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace velmo {

namespace {

constexpr double kLineGap = 3;
// Black at 85 %, blur radius 4 (a Gaussian of standard deviation 2), 1 down.
constexpr int kShadowAlphaPercent = 85;
constexpr double kShadowSigma = 2;
constexpr double kShadowDrop = 1;
// No view is this large; a larger image means something upstream went wrong,
// and allocating it would only take the memory away.
constexpr qint64 kMaxImagePixels = qint64(1) << 26;

// Three box blurs in a row make a close Gaussian; the radii that give a
// standard deviation of `sigma` (in pixels).
std::array<int, 3> boxRadii(double sigma) {
    constexpr int n = 3;
    int lower = static_cast<int>(std::floor(std::sqrt(12 * sigma * sigma / n + 1)));
    if (lower % 2 == 0)
        --lower;
    lower = std::max(lower, 1);
    const int upper = lower + 2;
    const double m = std::round((12 * sigma * sigma - n * lower * lower - 4 * n * lower - 3 * n) /
                                (-4.0 * lower - 4));
    std::array<int, 3> radii{};
    for (int i = 0; i < n; ++i)
        radii[i] = ((i < m ? lower : upper) - 1) / 2;
    return radii;
}

// The mean of a window of `window` bytes from their sum: a multiplication by the
// reciprocal in 16-bit fixed point, rounded (off by at most one), which the
// compiler can vectorise where a division per pixel could not be.
struct WindowMean {
    explicit WindowMean(int window) : scale((65536u + unsigned(window) / 2) / unsigned(window)) {}
    std::uint8_t operator()(std::uint32_t sum) const {
        return static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (sum * scale + 32768) >> 16));
    }
    std::uint32_t scale;
};

// One box blur of radius r along rows (zeros beyond the edges), src to dst.
// The window's sum slides along; the loop is split where the window meets the
// edges so that the middle, where nearly all pixels are, has no branches.
void blurRows(const std::vector<std::uint8_t>& src, std::vector<std::uint8_t>& dst, int width,
              int height, int r) {
    const WindowMean mean(2 * r + 1);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = src.data() + std::size_t(y) * width;
        std::uint8_t* out = dst.data() + std::size_t(y) * width;
        std::uint32_t sum = 0;
        for (int x = 0; x < std::min(r, width); ++x)
            sum += in[x];
        int x = 0;
        for (; x < width && (x - r < 0 || x + r >= width); ++x) {
            if (x + r < width)
                sum += in[x + r];
            out[x] = mean(sum);
            if (x - r >= 0)
                sum -= in[x - r];
        }
        for (; x + r < width; ++x) {
            sum += in[x + r];
            out[x] = mean(sum);
            sum -= in[x - r];
        }
        for (; x < width; ++x) {
            out[x] = mean(sum);
            if (x - r >= 0)
                sum -= in[x - r];
        }
    }
}

// The same down the columns, a row at a time so that memory is read in order.
void blurColumns(const std::vector<std::uint8_t>& src, std::vector<std::uint8_t>& dst, int width,
                 int height, int r) {
    const WindowMean mean(2 * r + 1);
    std::vector<std::uint32_t> sums(width, 0);
    auto row = [&](int y) {
        return src.data() + std::size_t(y) * width;
    };
    for (int y = 0; y < std::min(r, height); ++y)
        for (int x = 0; x < width; ++x)
            sums[x] += row(y)[x];
    for (int y = 0; y < height; ++y) {
        if (y + r < height) {
            const std::uint8_t* in = row(y + r);
            for (int x = 0; x < width; ++x)
                sums[x] += in[x];
        }
        std::uint8_t* out = dst.data() + std::size_t(y) * width;
        for (int x = 0; x < width; ++x)
            out[x] = mean(sums[x]);
        if (y - r >= 0) {
            const std::uint8_t* in = row(y - r);
            for (int x = 0; x < width; ++x)
                sums[x] -= in[x];
        }
    }
}

void gaussianBlur(std::vector<std::uint8_t>& values, int width, int height, double sigma) {
    std::vector<std::uint8_t> scratch(values.size());
    for (int r : boxRadii(sigma)) {
        if (r <= 0)
            continue;
        blurRows(values, scratch, width, height, r);
        blurColumns(scratch, values, width, height, r);
    }
}

// Puts the shadow under what `layer` holds: black, from the layer's own alpha,
// blurred and moved `drop` pixels down.
void castShadow(QImage& layer, double sigma, int drop) {
    const int width = layer.width();
    const int height = layer.height();
    std::vector<std::uint8_t> mask(std::size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        std::uint8_t* out = mask.data() + std::size_t(y) * width;
        for (int x = 0; x < width; ++x)
            out[x] = static_cast<std::uint8_t>(qAlpha(line[x]));
    }
    gaussianBlur(mask, width, height, sigma);
    std::array<std::uint8_t, 256> shade{};
    for (int a = 0; a < 256; ++a)
        shade[a] = static_cast<std::uint8_t>((a * kShadowAlphaPercent + 50) / 100);
    for (int y = drop; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
        const std::uint8_t* blurred = mask.data() + std::size_t(y - drop) * width;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t shadow = shade[blurred[x]];
            if (shadow == 0)
                continue;
            // Premultiplied black under the pixel: only the alpha grows, by
            // shadow * (255 - alpha) / 255 (rounded, without a division).
            const std::uint32_t alpha = qAlpha(line[x]);
            const std::uint32_t t = shadow * (255 - alpha) + 128;
            const std::uint32_t under = (t + (t >> 8)) >> 8;
            line[x] = (line[x] & 0x00ffffffu) | ((alpha + under) << 24);
        }
    }
}

} // namespace

RenderedCue renderSubtitleCue(const QString& text, const SubtitleLook& look, double wrapWidth,
                              double ratio, double heightLimit) {
    RenderedCue result;
    if (!(ratio > 0))
        ratio = 1;
    // The glyphs are drawn as unhinted outlines; the advances must match them.
    QFont font = look.font;
    font.setHintingPreference(QFont::PreferNoHinting);

    // One layout per line of the cue: a layout has a single base direction and
    // each line takes its own from its first strong character.
    std::vector<std::unique_ptr<QTextLayout>> layouts;
    std::vector<QTextLine> lines;
    double y = 0;
    double width = 0;
    for (QString paragraph : text.split(QLatin1Char('\n'))) {
        if (paragraph.endsWith(QLatin1Char('\r')))
            paragraph.chop(1);
        auto layout = std::make_unique<QTextLayout>(paragraph, font);
        QTextOption option(Qt::AlignHCenter);
        // A word wider than the line is broken rather than let past the edge.
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        option.setTextDirection(paragraph.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
        layout->setTextOption(option);
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLeadingIncluded(true);
            line.setLineWidth(wrapWidth);
            if (!lines.empty())
                y += kLineGap;
            line.setPosition(QPointF(0, y));
            y += line.height();
            width = std::max(width, line.naturalTextWidth());
            lines.push_back(line);
        }
        layout->endLayout();
        layouts.push_back(std::move(layout));
    }
    result.textSize = QSizeF(width, y);

    // Lines are centred in the wrap width; the text rectangle is only as wide
    // as the widest line, rounded up.
    const double shift = (std::ceil(width) - wrapWidth) / 2;
    const double clipTop = y - heightLimit;
    QPainterPath path;
    // Joined Arabic letters overlap their neighbours: the union is the ink.
    path.setFillRule(Qt::WindingFill);
    double emSize = 0;
    for (const QTextLine& line : lines) {
        if (line.y() + line.height() < clipTop) {
            result.clipped = true;
            continue;
        }
        const QList<QGlyphRun> runs = line.glyphRuns();
        for (const QGlyphRun& run : runs) {
            const QRawFont raw = run.rawFont();
            emSize = std::max(emSize, raw.pixelSize());
            const QList<quint32> glyphs = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
                QPainterPath glyph = raw.pathForGlyph(glyphs[i]);
                if (glyph.isEmpty())
                    continue;
                glyph.translate(positions[i].x() + shift, positions[i].y());
                path.addPath(glyph);
            }
        }
    }
    if (path.isEmpty())
        return result;

    const double stroke = subtitleStrokeWidth(look.outline, emSize);
    const double sigma = kShadowSigma * ratio;
    const std::array<int, 3> radii = boxRadii(sigma);
    const int reach = radii[0] + radii[1] + radii[2] + 1;
    const int drop = static_cast<int>(std::lround(kShadowDrop * ratio));
    const double margin = stroke / 2 + 1;
    const QRectF ink = path.controlPointRect().adjusted(-margin, -margin, margin, margin);
    const double left = std::floor(ink.left() * ratio) - reach;
    // Nothing above clipTop can be on screen, not even the rest of a line that
    // straddles it.
    const double top = std::floor(std::max(ink.top(), clipTop) * ratio) - reach;
    const double right = std::ceil(ink.right() * ratio) + reach;
    const double bottom = std::ceil(ink.bottom() * ratio) + drop + reach;
    if ((right - left) * (bottom - top) > double(kMaxImagePixels))
        return result;

    QImage layer(static_cast<int>(right - left), static_cast<int>(bottom - top),
                 QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull())
        return result;
    layer.fill(Qt::transparent);
    layer.setDevicePixelRatio(ratio);
    {
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(-left / ratio, -top / ratio);
        // The stroke goes under the fill: only its outer half shows, so the
        // letters keep their shape and the joins inside them stay hidden.
        // Mitred corners, as strokes usually have; round ones cost twice the time.
        if (stroke > 0)
            painter.strokePath(path,
                               QPen(Qt::black, stroke, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        painter.fillPath(path, look.textColor);
    }
    castShadow(layer, sigma, drop);
    result.image = layer;
    result.origin = QPointF(left / ratio, top / ratio);
    return result;
}

} // namespace velmo

// The subtitle overlay: where it puts the text and the box, what it draws
// (grabbed over a solid backdrop, with the project's Vazirmatn fonts), right to
// left and left to right per line, when it repaints, and that the mouse passes
// through it. Positions are checked in device pixels so that the same checks
// hold when the suite runs at a device pixel ratio of 2.

#include "../support/test_main.h"
#include "subtitles/overlay.h"
#include "subtitles/overlay_geometry.h"
#include "subtitles/overlay_render.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>

using namespace velmo;

namespace {

const QColor kBackdrop(30, 110, 200);
const QString kFamily = QStringLiteral("Vazirmatn");

QFont subtitleFont(double pointSize) {
    QFont font(kFamily);
    font.setPointSizeF(pointSize);
    return font;
}

std::shared_ptr<const SubtitleCue> makeCue(const QString& text) {
    return std::make_shared<const SubtitleCue>(SubtitleCue{1, 2, text});
}

// The widget behind the overlay: a solid colour that counts the presses it gets.
class Backdrop : public QWidget {
public:
    explicit Backdrop(const QColor& color) {
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, color);
        setPalette(palette);
    }
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        ++presses;
        event->accept();
    }
};

// Counts the paint events a widget receives, drawn or not.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A backdrop with an overlay over all of it; plain style: white text, no box,
// no outline, 26 points, inset 100.
struct Stage {
    explicit Stage(QSize size = {800, 450}, const QColor& background = kBackdrop)
        : backdrop(background) {
        backdrop.resize(size);
        overlay = new SubtitleOverlayView(&backdrop);
        overlay->resize(size);
        overlay->setFont(subtitleFont(26));
        overlay->setTextColor(Qt::white);
        overlay->setBoxOpacity(0);
        overlay->setOutline(0);
    }
    void say(const QString& text) {
        overlay->setCue(makeCue(text));
        overlay->refresh();
    }
    QImage shot() { return backdrop.grab().toImage().convertToFormat(QImage::Format_ARGB32); }

    Backdrop backdrop;
    SubtitleOverlayView* overlay;
};

int distance(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}

bool near(const QColor& a, const QColor& b, int tolerance = 2) {
    return distance(a, b) <= tolerance;
}

// The pixel at a logical position.
QColor at(const QImage& image, double x, double y) {
    const double ratio = image.devicePixelRatio();
    return image.pixelColor(int(std::floor(x * ratio)), int(std::floor(y * ratio)));
}

// Bounds, in device pixels, of the pixels that pass `test`; empty if none.
template <typename Test> QRect bounds(const QImage& image, Test test) {
    QRect found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixelColor(x, y)))
                found |= QRect(x, y, 1, 1);
    return found;
}

// Text ink: white text over the backdrop, kept where it is nearly pure white.
bool isInk(const QColor& c) {
    return c.red() > 200 && c.green() > 200 && c.blue() > 200;
}

// Where the widest word of rows [top, bottom] is: words are runs of columns
// with ink. Returns +1 for the rightmost, -1 for the leftmost, 0 otherwise.
int widestWordSide(const QImage& image, int top, int bottom) {
    QList<QPair<int, int>> words;
    std::optional<int> start;
    for (int x = 0; x <= image.width(); ++x) {
        bool any = false;
        for (int y = top; x < image.width() && y <= bottom && !any; ++y)
            any = isInk(image.pixelColor(x, y));
        if (any && !start)
            start = x;
        if (!any && start) {
            words.append({*start, x - 1});
            start.reset();
        }
    }
    if (words.size() < 2)
        return 0;
    qsizetype widest = 0;
    for (qsizetype i = 1; i < words.size(); ++i)
        if (words[i].second - words[i].first > words[widest].second - words[widest].first)
            widest = i;
    return widest == words.size() - 1 ? 1 : widest == 0 ? -1 : 0;
}

// Runs of rows that hold ink, top to bottom, as [first, last] pairs.
QList<QPair<int, int>> inkRowRuns(const QImage& image) {
    QList<QPair<int, int>> runs;
    std::optional<int> start;
    for (int y = 0; y <= image.height(); ++y) {
        bool any = false;
        for (int x = 0; y < image.height() && x < image.width() && !any; ++x)
            any = isInk(image.pixelColor(x, y));
        if (any && !start)
            start = y;
        if (!any && start) {
            runs.append({*start, y - 1});
            start.reset();
        }
    }
    return runs;
}

// The first row from the top (or from the bottom) where column x leaves the backdrop.
int edgeFromTop(const QImage& image, int x, const QColor& background) {
    for (int y = 0; y < image.height(); ++y)
        if (!near(image.pixelColor(x, y), background, 3))
            return y;
    return -1;
}
int edgeFromBottom(const QImage& image, int x, const QColor& background) {
    for (int y = image.height() - 1; y >= 0; --y)
        if (!near(image.pixelColor(x, y), background, 3))
            return y;
    return -1;
}
int edgeFromLeft(const QImage& image, int y, const QColor& background) {
    for (int x = 0; x < image.width(); ++x)
        if (!near(image.pixelColor(x, y), background, 3))
            return x;
    return -1;
}
int edgeFromRight(const QImage& image, int y, const QColor& background) {
    for (int x = image.width() - 1; x >= 0; --x)
        if (!near(image.pixelColor(x, y), background, 3))
            return x;
    return -1;
}

double luminanceSum(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            sum += 0.2126 * c.red() + 0.7152 * c.green() + 0.0722 * c.blue();
        }
    return sum;
}

} // namespace

class SubtitleOverlayTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void geometry_data();
    void geometry();
    void drawSize_data();
    void drawSize();
    void strokeWidth_data();
    void strokeWidth();
    void boxAlpha_data();
    void boxAlpha();

    void box_data();
    void box();
    void shadowFallsBelowWithoutBox();
    void textColour_data();
    void textColour();
    void outline_data();
    void outline();
    void linesStackUpFromInset_data();
    void linesStackUpFromInset();
    void lineDirection_data();
    void lineDirection();
    void eachLineHasItsOwnDirection();
    void zeroWidthNonJoinerShapes();
    void glyphsMatchQtTextDrawing_data();
    void glyphsMatchQtTextDrawing();
    void longLineWraps();
    void fontWithoutPointSizeDrawsNothing();
    void hugeSizeIsDrawnAtTheLimit();
    void tallCueIsRenderedOnlyWhereItCanShow();
    void absurdStyleValues_data();
    void absurdStyleValues();
    void styleChangesReachTheScreen_data();
    void styleChangesReachTheScreen();
    void rendersForTheDevicePixelRatio();

    void repaintsOnlyWhenTheTextChanges();
    void rendersOncePerText();
    void rendersAgainOnlyForWhatShapesTheText_data();
    void rendersAgainOnlyForWhatShapesTheText();
    void clicksReachTheWidgetBehind();
};

void SubtitleOverlayTest::initTestCase() {
    const QDir fonts(QStringLiteral(VELMO_FONTS_DIR));
    const QStringList files = fonts.entryList({QStringLiteral("*.ttf")}, QDir::Files);
    QVERIFY2(!files.isEmpty(), "no fonts: run scripts/fetch-assets");
    for (const QString& file : files)
        QVERIFY(QFontDatabase::addApplicationFont(fonts.filePath(file)) >= 0);
    QVERIFY(QFontDatabase::families().contains(kFamily));
}

// ---- geometry, pure

void SubtitleOverlayTest::geometry_data() {
    QTest::addColumn<QSizeF>("view");
    QTest::addColumn<QSizeF>("text");
    QTest::addColumn<double>("inset");
    QTest::addColumn<double>("wrapWidth");
    QTest::addColumn<QRectF>("textRect");
    QTest::addColumn<QRectF>("boxRect");

    QTest::newRow("wide view, sizes rounded up, left edge rounded down")
        << QSizeF(1000, 600) << QSizeF(300.2, 40.5) << 100.0 << 840.0 << QRectF(349, 459, 301, 41)
        << QRectF(333, 450, 333, 59);
    QTest::newRow("narrow view keeps 200, not 140")
        << QSizeF(300, 400) << QSizeF(150, 30) << 100.0 << 200.0 << QRectF(75, 270, 150, 30)
        << QRectF(59, 261, 182, 48);
    QTest::newRow("the bend at 360") << QSizeF(360, 400) << QSizeF(100, 30) << 100.0 << 200.0
                                     << QRectF(130, 270, 100, 30) << QRectF(114, 261, 132, 48);
    QTest::newRow("just past the bend") << QSizeF(361, 400) << QSizeF(100, 30) << 100.0 << 201.0
                                        << QRectF(130, 270, 100, 30) << QRectF(114, 261, 132, 48);
    QTest::newRow("controls hidden: inset 64")
        << QSizeF(1000, 600) << QSizeF(840, 80) << 64.0 << 840.0 << QRectF(80, 456, 840, 80)
        << QRectF(64, 447, 872, 98);
    QTest::newRow("odd leftover rounds down")
        << QSizeF(801, 450) << QSizeF(100, 20) << 100.0 << 641.0 << QRectF(350, 330, 100, 20)
        << QRectF(334, 321, 132, 38);
    QTest::newRow("text wider than a tiny view")
        << QSizeF(100, 300) << QSizeF(199.5, 20) << 100.0 << 200.0 << QRectF(-50, 180, 200, 20)
        << QRectF(-66, 171, 232, 38);
}

void SubtitleOverlayTest::geometry() {
    QFETCH(QSizeF, view);
    QFETCH(QSizeF, text);
    QFETCH(double, inset);
    QFETCH(double, wrapWidth);
    QFETCH(QRectF, textRect);
    QFETCH(QRectF, boxRect);

    QCOMPARE(subtitleWrapWidth(view.width()), wrapWidth);
    const OverlayGeometry g = subtitleGeometry(view, text, inset);
    QCOMPARE(g.wrapWidth, wrapWidth);
    QCOMPARE(g.text, textRect);
    QCOMPARE(g.box, boxRect);
    QCOMPARE(g.boxRadius, 9.0);
    // The block's bottom edge is `inset` above the view's bottom edge.
    QCOMPARE(view.height() - g.text.bottom(), inset);
}

void SubtitleOverlayTest::drawSize_data() {
    QTest::addColumn<double>("pointSize");
    QTest::addColumn<double>("drawn");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("usual") << 26.0 << 26.0;
    QTest::newRow("zero draws nothing") << 0.0 << 0.0;
    QTest::newRow("negative draws nothing") << -3.0 << 0.0;
    QTest::newRow("not a number draws nothing") << std::nan("") << 0.0;
    QTest::newRow("the limit itself") << 300.0 << 300.0;
    QTest::newRow("absurd is drawn at the limit") << 100000.0 << 300.0;
    QTest::newRow("infinite is drawn at the limit") << inf << 300.0;
}

void SubtitleOverlayTest::drawSize() {
    QFETCH(double, pointSize);
    QFETCH(double, drawn);
    QCOMPARE(subtitleDrawSize(pointSize), drawn);
}

void SubtitleOverlayTest::strokeWidth_data() {
    QTest::addColumn<double>("outline");
    QTest::addColumn<double>("em");
    QTest::addColumn<double>("width");
    QTest::newRow("default size 26") << 1.95 << 26.0 << 0.507;
    QTest::newRow("size 56") << 4.2 << 56.0 << 2.352;
    QTest::newRow("size 3 still outlined") << 0.225 << 3.0 << 0.00675;
    QTest::newRow("size 2 is not") << 0.15 << 2.0 << 0.0;
    QTest::newRow("0.2 itself is not") << 0.2 << 26.0 << 0.0;
    QTest::newRow("not a number is not") << std::nan("") << 26.0 << 0.0;
    QTest::newRow("absurd strength is limited") << 1000.0 << 26.0 << 5.2;
}

void SubtitleOverlayTest::strokeWidth() {
    QFETCH(double, outline);
    QFETCH(double, em);
    QFETCH(double, width);
    QVERIFY2(std::abs(subtitleStrokeWidth(outline, em) - width) < 1e-9,
             qPrintable(QString::number(subtitleStrokeWidth(outline, em))));
}

void SubtitleOverlayTest::boxAlpha_data() {
    QTest::addColumn<double>("opacity");
    QTest::addColumn<double>("alpha");
    QTest::newRow("default") << 0.55 << 0.55;
    QTest::newRow("0.01 draws no box") << 0.01 << 0.0;
    QTest::newRow("just above 0.01") << 0.011 << 0.011;
    QTest::newRow("zero") << 0.0 << 0.0;
    QTest::newRow("negative") << -1.0 << 0.0;
    QTest::newRow("above 1 is 1") << 3.0 << 1.0;
    QTest::newRow("not a number") << std::nan("") << 0.0;
}

void SubtitleOverlayTest::boxAlpha() {
    QFETCH(double, opacity);
    QFETCH(double, alpha);
    QCOMPARE(subtitleBoxAlpha(opacity), alpha);
}

// ---- what is drawn

void SubtitleOverlayTest::box_data() {
    QTest::addColumn<QColor>("boxColor");
    QTest::addColumn<double>("opacity");
    QTest::addColumn<std::optional<QColor>>("expected");

    auto over = [](const QColor& c, double a) {
        return QColor(int(std::lround(c.red() * a + kBackdrop.red() * (1 - a))),
                      int(std::lround(c.green() * a + kBackdrop.green() * (1 - a))),
                      int(std::lround(c.blue() * a + kBackdrop.blue() * (1 - a))));
    };
    QTest::newRow("black at 55 %")
        << QColor(Qt::black) << 0.55 << std::optional<QColor>(over(Qt::black, 0.55));
    QTest::newRow("red at 55 %, the colour's own alpha replaced")
        << QColor(255, 0, 0, 20) << 0.55 << std::optional<QColor>(over(Qt::red, 0.55));
    QTest::newRow("above 1 is opaque")
        << QColor(Qt::red) << 3.0 << std::optional<QColor>(QColor(Qt::red));
    QTest::newRow("0.01: no box") << QColor(Qt::black) << 0.01 << std::optional<QColor>();
    QTest::newRow("0: no box") << QColor(Qt::black) << 0.0 << std::optional<QColor>();
}

void SubtitleOverlayTest::box() {
    QFETCH(QColor, boxColor);
    QFETCH(double, opacity);
    QFETCH(std::optional<QColor>, expected);

    Stage stage;
    stage.overlay->setBoxColor(boxColor);
    stage.overlay->setBoxOpacity(opacity);
    stage.say(QStringLiteral("HHHH HHHH"));
    const QImage image = stage.shot();
    const double ratio = image.devicePixelRatio();
    const double height = stage.backdrop.height();

    // A row through the box's lower padding, below the text block.
    const int padRow = int((height - 100 + 5) * ratio);
    if (!expected) {
        QCOMPARE(edgeFromLeft(image, padRow, kBackdrop), -1);
        // The text itself is still there.
        QVERIFY(!bounds(image, isInk).isEmpty());
        return;
    }
    const int left = edgeFromLeft(image, padRow, kBackdrop);
    const int right = edgeFromRight(image, padRow, kBackdrop);
    QVERIFY(left > 0 && right > left);
    // Centred: as far from the left edge as from the right.
    QVERIFY2(std::abs(left - (image.width() - 1 - right)) <= 1 + ratio,
             qPrintable(QStringLiteral("%1 %2").arg(left).arg(right)));
    // Its bottom edge 9 below the text block's, which sits 100 above the bottom.
    const int centre = image.width() / 2;
    QCOMPARE(edgeFromBottom(image, centre, kBackdrop),
             int(std::ceil((height - 100 + 9) * ratio)) - 1);
    // The text starts 16 inside the box: a point 4 inside is plain box colour.
    const QColor fill = image.pixelColor(left + int(4 * ratio), padRow - int(14 * ratio));
    QVERIFY2(near(fill, *expected), qPrintable(fill.name() + " vs " + expected->name()));
    QVERIFY(near(image.pixelColor(left + int(4 * ratio), padRow), *expected));
}

void SubtitleOverlayTest::shadowFallsBelowWithoutBox() {
    const QColor light(200, 200, 200);
    Stage stage({800, 450}, light);
    stage.say(QStringLiteral("HHHH"));
    const QImage image = stage.shot();
    const double ratio = image.devicePixelRatio();
    const QRect ink = bounds(image, [](const QColor& c) { return c == QColor(Qt::white); });
    QVERIFY(!ink.isEmpty());
    // Darkness in a band of 3 points just above and just below the letters.
    auto darkness = [&](int top) {
        double sum = 0;
        for (int y = top; y < top + int(3 * ratio); ++y)
            for (int x = ink.left(); x <= ink.right(); ++x)
                sum += std::max(0, light.red() - image.pixelColor(x, y).red());
        return sum;
    };
    const double above = darkness(ink.top() - int(3 * ratio) - 1);
    const double below = darkness(ink.bottom() + 2);
    QVERIFY2(below > 0 && above > 0, "the shadow is blurred all round");
    // One point down, not up.
    QVERIFY2(below > 1.3 * above, qPrintable(QStringLiteral("%1 %2").arg(below).arg(above)));
    // Nothing is painted away from the text.
    QVERIFY(near(at(image, 20, 20), light, 0));
    QVERIFY(near(at(image, 20, 440), light, 0));
}

void SubtitleOverlayTest::textColour_data() {
    QTest::addColumn<QColor>("color");
    QTest::addColumn<double>("outline");
    QTest::newRow("yellow") << QColor(255, 210, 0) << 0.0;
    QTest::newRow("yellow, outlined") << QColor(255, 210, 0) << 4.5;
    QTest::newRow("green, outlined") << QColor(60, 220, 90) << 1.95;
}

void SubtitleOverlayTest::textColour() {
    QFETCH(QColor, color);
    QFETCH(double, outline);
    Stage stage;
    stage.overlay->setFont(subtitleFont(60));
    stage.overlay->setTextColor(color);
    stage.overlay->setOutline(outline);
    stage.overlay->setBoxOpacity(0.55);
    stage.say(QStringLiteral("HHH سلام"));
    const QImage image = stage.shot();
    const double ratio = image.devicePixelRatio();
    // The insides of the letters are the text colour exactly.
    int exact = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            exact += near(image.pixelColor(x, y), color, 1);
    QVERIFY2(exact > 400 * ratio * ratio, qPrintable(QString::number(exact)));
}

// Each row is drawn with and without the outline; a stroke must show (darker
// edges) or change nothing at all.
void SubtitleOverlayTest::outline_data() {
    QTest::addColumn<double>("size");
    QTest::addColumn<double>("outline");
    QTest::addColumn<bool>("stroked");
    QTest::newRow("default size 26") << 26.0 << 1.95 << true;
    QTest::newRow("size 56") << 56.0 << 4.2 << true;
    QTest::newRow("size 2: no stroke") << 2.0 << 0.15 << false;
    QTest::newRow("0.2: no stroke") << 26.0 << 0.2 << false;
}

void SubtitleOverlayTest::outline() {
    QFETCH(double, size);
    QFETCH(double, outline);
    QFETCH(bool, stroked);
    auto draw = [&](double strength) {
        Stage stage;
        stage.overlay->setFont(subtitleFont(size));
        stage.overlay->setOutline(strength);
        stage.say(QStringLiteral("Outline سلام"));
        return stage.shot();
    };
    const QImage plain = draw(0);
    const QImage outlined = draw(outline);
    if (!stroked) {
        QCOMPARE(outlined, plain);
        return;
    }
    QVERIFY(outlined != plain);
    QVERIFY(luminanceSum(outlined) < luminanceSum(plain));
    // Under the fill, not over it: the letters keep their white insides.
    auto white = [](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixel(x, y) == qRgb(255, 255, 255);
        return count;
    };
    QVERIFY2(white(outlined) >= 0.95 * white(plain),
             qPrintable(QStringLiteral("%1 %2").arg(white(outlined)).arg(white(plain))));
}

void SubtitleOverlayTest::linesStackUpFromInset_data() {
    QTest::addColumn<double>("inset");
    QTest::newRow("controls showing") << 100.0;
    QTest::newRow("controls hidden") << 64.0;
}

// One line and two lines over a red opaque box: the box (and the lower line)
// stay put at the inset, the block grows upward by a line and 3 points.
void SubtitleOverlayTest::linesStackUpFromInset() {
    QFETCH(double, inset);
    auto draw = [&](const QString& text, bool withBox) {
        Stage stage;
        stage.overlay->setBottomInset(inset);
        stage.overlay->setBoxColor(Qt::red);
        stage.overlay->setBoxOpacity(withBox ? 1 : 0);
        stage.say(text);
        return stage.shot();
    };
    const QString lower = QStringLiteral("HHHH");
    const QString both = QStringLiteral("WWWWWW\n") + lower;
    const QImage oneBox = draw(lower, true);
    const QImage twoBox = draw(both, true);
    const double ratio = oneBox.devicePixelRatio();
    const int centre = oneBox.width() / 2;
    const int boxBottom = int(std::ceil((450 - inset + 9) * ratio)) - 1;
    QCOMPARE(edgeFromBottom(oneBox, centre, kBackdrop), boxBottom);
    QCOMPARE(edgeFromBottom(twoBox, centre, kBackdrop), boxBottom);

    QFont font = subtitleFont(26);
    font.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetricsF metrics(font);
    const double line = metrics.height() + std::max(0.0, metrics.leading());
    // One line: a box of the line's height rounded up, plus 9 and 9.
    const int oneTop = edgeFromTop(oneBox, centre, kBackdrop);
    QVERIFY2(
        std::abs((boxBottom + 1 - oneTop) / ratio - (std::ceil(line) + 18)) <= 1,
        qPrintable(QStringLiteral("%1 vs %2").arg((boxBottom + 1 - oneTop) / ratio).arg(line)));
    const double grown = (oneTop - edgeFromTop(twoBox, centre, kBackdrop)) / ratio;
    QVERIFY2(std::abs(grown - (line + 3)) <= 1,
             qPrintable(QStringLiteral("grew %1, line %2").arg(grown).arg(line)));

    // Without the box: the lower line's letters are where the single line's are,
    // the upper line's above them.
    const QList<QPair<int, int>> one = inkRowRuns(draw(lower, false));
    const QList<QPair<int, int>> two = inkRowRuns(draw(both, false));
    QCOMPARE(one.size(), 1);
    QCOMPARE(two.size(), 2);
    QVERIFY(std::abs(two[1].second - one[0].second) <= 1);
    QVERIFY(std::abs(two[1].first - one[0].first) <= 1);
    QVERIFY(two[0].second < two[1].first);
    // The letters sit inside the block, whose bottom is at the inset.
    QVERIFY(one[0].second < int((450 - inset) * ratio));
}

// A line's base direction comes from its first strong character. Each text has
// a wide and a narrow word (a single W, whose ink is in one piece, or joined
// Persian letters); the side the wide one lands on shows the order.
void SubtitleOverlayTest::lineDirection_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wideOnRight");
    QTest::newRow("Persian reads from the right") << QStringLiteral("سسسس ا") << true;
    QTest::newRow("Latin reads from the left") << QStringLiteral("W l") << false;
    QTest::newRow("Persian first: Latin word goes left") << QStringLiteral("ا W") << false;
    QTest::newRow("Latin first: Persian word goes right") << QStringLiteral("l سسسس") << true;
    QTest::newRow("Latin first, then Persian words") << QStringLiteral("l سسسس ا") << true;
}

void SubtitleOverlayTest::lineDirection() {
    QFETCH(QString, text);
    QFETCH(bool, wideOnRight);
    Stage stage;
    stage.overlay->setFont(subtitleFont(40));
    stage.say(text);
    const QImage image = stage.shot();
    const QRect ink = bounds(image, isInk);
    QVERIFY(!ink.isEmpty());
    QCOMPARE(widestWordSide(image, ink.top(), ink.bottom()), wideOnRight ? 1 : -1);
    // Centred in the view.
    QVERIFY(std::abs((ink.left() + ink.right()) / 2.0 - image.width() / 2.0) <
            8 * image.devicePixelRatio());
}

void SubtitleOverlayTest::eachLineHasItsOwnDirection() {
    Stage stage;
    stage.overlay->setFont(subtitleFont(40));
    stage.say(QStringLiteral("ا W\nl سسسس"));
    const QImage image = stage.shot();
    const QList<QPair<int, int>> lines = inkRowRuns(image);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(widestWordSide(image, lines[0].first, lines[0].second) == -1,
             "the Persian line puts its Latin word on the left");
    QVERIFY2(widestWordSide(image, lines[1].first, lines[1].second) == 1,
             "the Latin line puts its Persian word on the right");
}

void SubtitleOverlayTest::zeroWidthNonJoinerShapes() {
    auto draw = [](const QString& text) {
        Stage stage;
        stage.overlay->setFont(subtitleFont(40));
        stage.say(text);
        const QImage image = stage.shot();
        return image.copy(bounds(image, isInk));
    };
    const QImage joined = draw(QStringLiteral("میشود"));
    const QImage nonJoined = draw(QStringLiteral("می\u200Cشود"));
    const QImage spaced = draw(QStringLiteral("می شود"));
    QVERIFY(!joined.isNull() && !nonJoined.isNull());
    QVERIFY2(nonJoined != joined, "the non-joiner must break the join");
    // It takes no room of its own: narrower than a space.
    QVERIFY2(nonJoined.width() < spaced.width(),
             qPrintable(QStringLiteral("%1 %2").arg(nonJoined.width()).arg(spaced.width())));
    // And is no visible glyph: the same shapes as with a space, closer together.
    QVERIFY(std::abs(nonJoined.height() - spaced.height()) <= 1);
}

// The glyphs are drawn from their outlines; Qt's own text drawing of the same
// line is the reference for their shapes and places (joins, marks, bidi order).
void SubtitleOverlayTest::glyphsMatchQtTextDrawing_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("Persian") << QStringLiteral("می‌شود، سلام دنیا!");
    QTest::newRow("Latin") << QStringLiteral("Hello, wide world!");
    QTest::newRow("mixed") << QStringLiteral("فیلم Velmo را ببینید");
}

void SubtitleOverlayTest::glyphsMatchQtTextDrawing() {
    QFETCH(QString, text);
    Stage stage;
    stage.overlay->setFont(subtitleFont(40));
    stage.say(text);
    const QImage drawn = stage.shot();

    QImage reference(drawn.size(), QImage::Format_ARGB32);
    reference.setDevicePixelRatio(drawn.devicePixelRatio());
    reference.fill(kBackdrop);
    {
        QPainter painter(&reference);
        painter.setRenderHint(QPainter::Antialiasing);
        QFont font = subtitleFont(40);
        font.setHintingPreference(QFont::PreferNoHinting);
        painter.setFont(font);
        painter.setPen(Qt::white);
        QTextOption option(Qt::AlignCenter);
        option.setTextDirection(text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
        painter.drawText(QRectF(0, 0, 800, 450), text, option);
    }
    // Same ink, wherever each put it.
    const QRect a = bounds(drawn, isInk);
    const QRect b = bounds(reference, isInk);
    QVERIFY(!a.isEmpty() && !b.isEmpty());
    QVERIFY2(std::abs(a.width() - b.width()) <= 2 && std::abs(a.height() - b.height()) <= 2,
             qPrintable(QStringLiteral("%1x%2 vs %3x%4")
                            .arg(a.width())
                            .arg(a.height())
                            .arg(b.width())
                            .arg(b.height())));
    // Every ink pixel of one has ink of the other within a pixel (the two may
    // sit a fraction of a pixel apart).
    auto covered = [](const QImage& from, QRect fromInk, const QImage& to, QRect toInk) {
        int count = 0;
        int matched = 0;
        for (int y = 0; y < fromInk.height(); ++y)
            for (int x = 0; x < fromInk.width(); ++x) {
                if (!isInk(from.pixelColor(fromInk.topLeft() + QPoint(x, y))))
                    continue;
                ++count;
                bool found = false;
                for (int dy = -1; dy <= 1 && !found; ++dy)
                    for (int dx = -1; dx <= 1 && !found; ++dx) {
                        const QPoint p = toInk.topLeft() + QPoint(x + dx, y + dy);
                        found = to.rect().contains(p) && isInk(to.pixelColor(p));
                    }
                matched += found;
            }
        return double(matched) / count;
    };
    const double drawnInReference = covered(drawn, a, reference, b);
    const double referenceInDrawn = covered(reference, b, drawn, a);
    QVERIFY2(drawnInReference > 0.97 && referenceInDrawn > 0.97,
             qPrintable(QStringLiteral("%1 %2").arg(drawnInReference).arg(referenceInDrawn)));
}

void SubtitleOverlayTest::longLineWraps() {
    Stage stage({400, 450});
    const QString text = QStringLiteral("این یک زیرنویس بلند است که باید در چند خط شکسته شود");
    stage.say(text);
    const QImage image = stage.shot();
    const double ratio = image.devicePixelRatio();
    const QRect ink = bounds(image, isInk);
    // Wrapped to 400 - 160 = 240 points, centred.
    QVERIFY2(ink.width() <= 240 * ratio, qPrintable(QString::number(ink.width())));
    QVERIFY(ink.left() >= 80 * ratio - 2 && ink.right() <= 320 * ratio + 2);
    QVERIFY(inkRowRuns(image).size() >= 3);
    // A word longer than the line is broken, not let past the edges.
    stage.say(QString(60, QLatin1Char('W')));
    const QRect word = bounds(stage.shot(), isInk);
    QVERIFY(word.left() >= 80 * ratio - 2 && word.right() <= 320 * ratio + 2);
}

void SubtitleOverlayTest::fontWithoutPointSizeDrawsNothing() {
    Stage stage;
    stage.overlay->setBoxOpacity(0.55);
    QFont pixelSized(kFamily);
    pixelSized.setPixelSize(30);
    QCOMPARE(pixelSized.pointSizeF(), -1.0);
    stage.overlay->setFont(pixelSized);
    stage.say(QStringLiteral("سلام"));
    const QImage image = stage.shot();
    QCOMPARE(bounds(image, [](const QColor& c) { return !near(c, kBackdrop, 0); }), QRect());
    QCOMPARE(stage.overlay->paintCount(), 0);
}

void SubtitleOverlayTest::hugeSizeIsDrawnAtTheLimit() {
    auto draw = [](double size) {
        Stage stage({1200, 900});
        stage.overlay->setFont(subtitleFont(size));
        stage.overlay->setOutline(4);
        stage.say(QStringLiteral("سلام"));
        const QImage image = stage.shot();
        return std::make_pair(image, stage.overlay->paintCount());
    };
    const auto [huge, paints] = draw(100000);
    QCOMPARE(paints, 1);
    const QRect ink = bounds(huge, isInk);
    QVERIFY(!ink.isEmpty());
    QVERIFY(ink.bottom() < int((900 - 100) * huge.devicePixelRatio()));
    QCOMPARE(huge, draw(kMaxSubtitlePointSize).first);
}

// A cue of thousands of lines at the largest size: only the part that can be in
// the view is rendered, so the image stays the size of a screen.
void SubtitleOverlayTest::tallCueIsRenderedOnlyWhereItCanShow() {
    QStringList words;
    for (int i = 0; i < 2000; ++i)
        words << QStringLiteral("سلام");
    const QString text = words.join(QLatin1Char(' ')) + QStringLiteral("\nپایان");
    const SubtitleLook look{subtitleFont(kMaxSubtitlePointSize), Qt::white, 2};
    const RenderedCue cue = renderSubtitleCue(text, look, 1040, 2, 900);
    QVERIFY(cue.clipped);
    QVERIFY(cue.textSize.height() > 100 * 900);
    QVERIFY(!cue.image.isNull());
    QCOMPARE(cue.image.devicePixelRatio(), 2.0);
    QVERIFY2(cue.image.height() <= (900 + 50) * 2, qPrintable(QString::number(cue.image.height())));
    // It covers the block's last line: its bottom is within that line's height
    // of the block's bottom edge.
    const double imageBottom = cue.origin.y() + cue.image.deviceIndependentSize().height();
    const double lineHeight = QFontMetricsF(look.font).height();
    QVERIFY(imageBottom > cue.textSize.height() - lineHeight);
    QVERIFY(imageBottom < cue.textSize.height() + 50);

    // On screen the last line sits at the inset.
    Stage stage({1200, 900});
    stage.overlay->setFont(subtitleFont(100000));
    stage.say(text);
    const QImage image = stage.shot();
    QCOMPARE(stage.overlay->paintCount(), 1);
    const QRect ink = bounds(image, isInk);
    QVERIFY(!ink.isEmpty());
    QVERIFY(ink.bottom() < int((900 - 100) * image.devicePixelRatio()));
    QVERIFY(ink.bottom() > int((900 - 100 - 200) * image.devicePixelRatio()));
}

// Values no style offers: the overlay neither crashes nor paints outside the
// view; an inset that puts the text out of sight draws nothing at all.
void SubtitleOverlayTest::absurdStyleValues_data() {
    QTest::addColumn<double>("inset");
    QTest::addColumn<double>("outline");
    QTest::addColumn<double>("opacity");
    QTest::addColumn<bool>("drawn");
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("inset not a number") << nan << 2.0 << 0.55 << false;
    QTest::newRow("inset infinite") << inf << 2.0 << 0.55 << false;
    QTest::newRow("inset minus infinite") << -inf << 2.0 << 0.55 << false;
    QTest::newRow("inset far above") << 1e300 << 2.0 << 0.55 << false;
    QTest::newRow("inset far below") << -1e300 << 2.0 << 0.55 << false;
    QTest::newRow("inset past the top") << 460.0 << 2.0 << 0.55 << false;
    QTest::newRow("outline enormous") << 100.0 << 1e9 << 0.55 << true;
    QTest::newRow("outline infinite") << 100.0 << inf << 0.0 << true;
    QTest::newRow("opacity not a number") << 100.0 << 2.0 << nan << true;
}

void SubtitleOverlayTest::absurdStyleValues() {
    QFETCH(double, inset);
    QFETCH(double, outline);
    QFETCH(double, opacity);
    QFETCH(bool, drawn);
    Stage stage;
    stage.overlay->setBottomInset(inset);
    stage.overlay->setOutline(outline);
    stage.overlay->setBoxOpacity(opacity);
    stage.say(QStringLiteral("سلام دنیا"));
    const QImage image = stage.shot();
    const QRect changed = bounds(image, [](const QColor& c) { return !near(c, kBackdrop, 0); });
    QCOMPARE(stage.overlay->paintCount(), drawn ? 1 : 0);
    QCOMPARE(changed.isEmpty(), !drawn);
    if (drawn)
        QVERIFY(!bounds(image, isInk).isEmpty());
}

// The cue is rendered once and reused; every input of the rendering must throw
// the old one away. After each change, what shows equals a fresh overlay's.
void SubtitleOverlayTest::styleChangesReachTheScreen_data() {
    QTest::addColumn<QString>("change");
    QTest::newRow("text colour") << QStringLiteral("color");
    QTest::newRow("font size") << QStringLiteral("size");
    QTest::newRow("font family") << QStringLiteral("family");
    QTest::newRow("outline") << QStringLiteral("outline");
    QTest::newRow("box") << QStringLiteral("box");
    QTest::newRow("inset") << QStringLiteral("inset");
    QTest::newRow("view width") << QStringLiteral("width");
}

void SubtitleOverlayTest::styleChangesReachTheScreen() {
    QFETCH(QString, change);
    const QString text = QStringLiteral("یک زیرنویس نسبتاً بلند برای آزمایش\nsecond line");
    auto apply = [&](Stage& stage) {
        if (change == QLatin1String("color"))
            stage.overlay->setTextColor(QColor(255, 210, 0));
        else if (change == QLatin1String("size"))
            stage.overlay->setFont(subtitleFont(34));
        else if (change == QLatin1String("family")) {
            QFont black = subtitleFont(26);
            black.setWeight(QFont::Black);
            stage.overlay->setFont(black);
        } else if (change == QLatin1String("outline"))
            stage.overlay->setOutline(4.2);
        else if (change == QLatin1String("box"))
            stage.overlay->setBoxOpacity(0.8);
        else if (change == QLatin1String("inset"))
            stage.overlay->setBottomInset(64);
        else if (change == QLatin1String("width")) {
            stage.backdrop.resize(420, 450);
            stage.overlay->resize(420, 450);
        }
    };
    Stage changed;
    changed.say(text);
    const QImage before = changed.shot();
    apply(changed);
    changed.overlay->refresh();
    const QImage after = changed.shot();
    QVERIFY(after != before);

    Stage fresh;
    apply(fresh);
    fresh.say(text);
    QCOMPARE(after, fresh.shot());
}

void SubtitleOverlayTest::rendersForTheDevicePixelRatio() {
    Stage stage;
    stage.overlay->setFont(subtitleFont(30));
    stage.overlay->setBoxOpacity(1);
    stage.say(QStringLiteral("سلام، دنیا"));
    QImage image(stage.backdrop.size() * 2, QImage::Format_ARGB32);
    image.setDevicePixelRatio(2);
    image.fill(Qt::green);
    stage.backdrop.render(&image);

    // The box where the geometry puts it, in device pixels.
    const int centre = image.width() / 2;
    QCOMPARE(edgeFromBottom(image, centre, kBackdrop), (450 - 100 + 9) * 2 - 1);
    // Glyph edges at device resolution: an image made at ratio 1 and scaled up
    // would come in uniform 2 x 2 blocks.
    const QRect ink = bounds(image, isInk);
    QVERIFY(!ink.isEmpty());
    int blocks = 0;
    int mixed = 0;
    for (int y = ink.top() & ~1; y + 1 <= ink.bottom(); y += 2)
        for (int x = ink.left() & ~1; x + 1 <= ink.right(); x += 2) {
            const QRgb a = image.pixel(x, y);
            const bool uniform = image.pixel(x + 1, y) == a && image.pixel(x, y + 1) == a &&
                                 image.pixel(x + 1, y + 1) == a;
            ++blocks;
            mixed += !uniform;
        }
    QVERIFY2(mixed * 10 > blocks, qPrintable(QStringLiteral("%1 of %2").arg(mixed).arg(blocks)));
}

// ---- repaints and the mouse

void SubtitleOverlayTest::repaintsOnlyWhenTheTextChanges() {
    // The overlay leaves a strip at the bottom free for a sentinel: updates of
    // one window are flushed together, so once the sentinel has painted, any
    // repaint the overlay had asked for has happened too.
    Backdrop window(kBackdrop);
    window.resize(600, 400);
    auto* overlay = new SubtitleOverlayView(&window);
    overlay->setGeometry(0, 0, 600, 350);
    overlay->setFont(subtitleFont(26));
    auto* sentinel = new QWidget(&window);
    sentinel->setGeometry(0, 360, 600, 40);
    PaintCounter overlayPaints;
    PaintCounter sentinelPaints;
    overlay->installEventFilter(&overlayPaints);
    sentinel->installEventFilter(&sentinelPaints);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto settle = [&] {
        const int before = sentinelPaints.paints;
        sentinel->update();
        QTRY_VERIFY(sentinelPaints.paints > before);
    };
    settle();
    const int startPaints = overlayPaints.paints;

    const auto hello = makeCue(QStringLiteral("سلام"));
    overlay->setCue(hello);
    QTRY_COMPARE(overlayPaints.paints, startPaints + 1);
    QCOMPARE(overlay->paintCount(), 1);

    // The lookup hands over the same cue on every time report: nothing happens.
    overlay->setCue(hello);
    settle();
    QCOMPARE(overlayPaints.paints, startPaints + 1);
    // Another cue with the same text: stored, not redrawn.
    const auto again = makeCue(QStringLiteral("سلام"));
    overlay->setCue(again);
    settle();
    QCOMPARE(overlayPaints.paints, startPaints + 1);
    QCOMPARE(overlay->cue(), again.get());

    // Another text: redrawn.
    overlay->setCue(makeCue(QStringLiteral("خداحافظ")));
    QTRY_COMPARE(overlayPaints.paints, startPaints + 2);
    QCOMPARE(overlay->paintCount(), 2);

    // None: the text is cleared by a repaint that draws nothing.
    overlay->setCue(nullptr);
    QTRY_COMPARE(overlayPaints.paints, startPaints + 3);
    QCOMPARE(overlay->paintCount(), 2);
    QCOMPARE(overlay->cue(), nullptr);
    overlay->setCue(nullptr);
    settle();
    QCOMPARE(overlayPaints.paints, startPaints + 3);

    // Setters only store; refresh repaints whatever the cue.
    overlay->setCue(hello);
    QTRY_COMPARE(overlayPaints.paints, startPaints + 4);
    overlay->setTextColor(Qt::yellow);
    overlay->setBottomInset(64);
    settle();
    QCOMPARE(overlayPaints.paints, startPaints + 4);
    QCOMPARE(overlay->bottomInset(), 64.0);
    overlay->refresh();
    QTRY_COMPARE(overlayPaints.paints, startPaints + 5);
    QCOMPARE(overlay->paintCount(), 4);
}

// The video underneath repaints for every frame, and this view with it: those
// paints must blit the rendered cue, not lay it out and blur its shadow again.
void SubtitleOverlayTest::rendersOncePerText() {
    Stage stage;
    stage.overlay->setOutline(2);
    stage.say(QStringLiteral("سلام دنیا"));
    const QImage first = stage.shot();
    for (int frame = 0; frame < 5; ++frame)
        QCOMPARE(stage.shot(), first);
    QCOMPARE(stage.overlay->paintCount(), 6);
    QCOMPARE(stage.overlay->renderCount(), 1);

    // Another cue that says the same: nothing new to render.
    stage.say(QStringLiteral("سلام دنیا"));
    QCOMPARE(stage.shot(), first);
    QCOMPARE(stage.overlay->renderCount(), 1);

    // Nothing shown: painted as empty, nothing rendered.
    stage.overlay->setCue(nullptr);
    stage.shot();
    QCOMPARE(stage.overlay->paintCount(), 7);
    QCOMPARE(stage.overlay->renderCount(), 1);

    // A new text is rendered once, however often it is painted.
    stage.say(QStringLiteral("خداحافظ"));
    const QImage second = stage.shot();
    QVERIFY(second != first);
    stage.shot();
    stage.shot();
    QCOMPARE(stage.overlay->renderCount(), 2);
    QCOMPARE(stage.overlay->paintCount(), 10);
}

void SubtitleOverlayTest::rendersAgainOnlyForWhatShapesTheText_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("rendered");
    QTest::newRow("text colour") << QStringLiteral("color") << true;
    QTest::newRow("font size") << QStringLiteral("size") << true;
    QTest::newRow("outline") << QStringLiteral("outline") << true;
    QTest::newRow("view width") << QStringLiteral("width") << true;
    // The box is painted around the image and the inset only moves it.
    QTest::newRow("box opacity") << QStringLiteral("box") << false;
    QTest::newRow("box colour") << QStringLiteral("boxColor") << false;
    QTest::newRow("inset") << QStringLiteral("inset") << false;
    QTest::newRow("view height") << QStringLiteral("height") << false;
    QTest::newRow("refresh alone") << QString() << false;
}

void SubtitleOverlayTest::rendersAgainOnlyForWhatShapesTheText() {
    QFETCH(QString, change);
    QFETCH(bool, rendered);
    Stage stage;
    stage.overlay->setBoxOpacity(0.55);
    stage.say(QStringLiteral("یک زیرنویس\nsecond line"));
    const QImage before = stage.shot();
    QCOMPARE(stage.overlay->renderCount(), 1);
    if (change == QLatin1String("color"))
        stage.overlay->setTextColor(QColor(255, 0, 255));
    else if (change == QLatin1String("size"))
        stage.overlay->setFont(subtitleFont(40));
    else if (change == QLatin1String("outline"))
        stage.overlay->setOutline(4);
    else if (change == QLatin1String("width")) {
        stage.backdrop.resize(600, 450);
        stage.overlay->resize(600, 450);
    } else if (change == QLatin1String("box"))
        stage.overlay->setBoxOpacity(0.9);
    else if (change == QLatin1String("boxColor"))
        stage.overlay->setBoxColor(Qt::darkRed);
    else if (change == QLatin1String("inset"))
        stage.overlay->setBottomInset(64);
    else if (change == QLatin1String("height")) {
        stage.backdrop.resize(800, 600);
        stage.overlay->resize(800, 600);
    }
    stage.overlay->refresh();
    const QImage after = stage.shot();
    stage.shot();
    QCOMPARE(stage.overlay->renderCount(), rendered ? 2 : 1);
    QCOMPARE(after != before, !change.isEmpty());
}

void SubtitleOverlayTest::clicksReachTheWidgetBehind() {
    Stage stage;
    stage.overlay->setBoxOpacity(0.55);
    stage.say(QStringLiteral("روی متن کلیک کنید"));
    stage.backdrop.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage.backdrop));
    QCOMPARE(stage.overlay->bottomInset(), 100.0);

    // On the text itself and in the middle of the view.
    const QPoint onText(400, 450 - 100 - 10);
    for (const QPoint& point : {onText, QPoint(400, 225)}) {
        QCOMPARE(stage.backdrop.childAt(point), nullptr);
        const int before = stage.backdrop.presses;
        QTest::mouseClick(stage.backdrop.windowHandle(), Qt::LeftButton, {}, point);
        QTRY_COMPARE(stage.backdrop.presses, before + 1);
    }
}

VELMO_TEST_MAIN(SubtitleOverlayTest)
#include "test_subtitles_overlay.moc"

// The icon the desktop shows: its SVG form draws the same picture as the
// raster sizes the build draws beside it.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdlib>

namespace {

const QString kTheme = QStringLiteral(TVX_ART_DIR "/hicolor/");

// Mean difference per channel, 0 to 255, of two images of the same size.
double MeanDifference(const QImage &a, const QImage &b)
{
    double total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            total += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) +
                     std::abs(p.blue() - q.blue()) + std::abs(p.alpha() - q.alpha());
        }
    return total / (4.0 * a.width() * a.height());
}

TEST(ThemeIcon, VectorFormDrawsWhatTheRasterSizesShow)
{
    int argc = 1;
    char name[] = "theme_icon_tests";
    char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    QSvgRenderer vector(kTheme + QStringLiteral("scalable/apps/tvxupgrade.svg"));
    ASSERT_TRUE(vector.isValid());
    for (const int side : {32, 128}) {
        const QImage raster = QImage(kTheme + QStringLiteral("%1x%1/apps/tvxupgrade.png").arg(side))
                                  .convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(raster.size(), QSize(side, side));
        QImage drawn(side, side, QImage::Format_ARGB32);
        drawn.fill(Qt::transparent);
        QPainter painter(&drawn);
        vector.render(&painter);
        painter.end();
        // Both are antialiased: edges may differ by a shade (0.1 at most),
        // a missing shape shows (the arrow alone is 2.5).
        EXPECT_LT(MeanDifference(raster, drawn), 0.5) << side << " px";
        // And neither is blank: the tile covers most of the square.
        EXPECT_GT(raster.pixelColor(side / 2, side * 7 / 8).alpha(), 200) << side << " px";
    }
}

} // namespace

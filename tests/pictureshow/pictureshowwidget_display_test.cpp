// The picture-show widget in a real window on an X server: every style runs to its end with
// threaded pacing, and what the window shows afterwards is the new picture, pixel for pixel.
// With QEL_SCREENSHOT_DIR set, a screenshot of each style half-way is saved there.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include "pictureshow/pictureshowwidget.h"
#include "pictureshow/styles.h"

namespace qel::pictureshow {
namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "pictureshow_display_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down among the static destructors at exit crashes.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

bool WaitUntil(const std::function<bool()>& done)
{
    QElapsedTimer limit;
    limit.start();
    while (!done()) {
        if (limit.elapsed() > 20000)
            return false;
        QTest::qWait(2);
    }
    return true;
}

// Two pictures easy to tell apart: a warm smooth field, and a cool chequer with stripes.
raster::Bitmap Picture(int w, int h, int kind)
{
    raster::Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int r, g, bl;
            if (kind == 0) {
                r = 255 - 80 * y / h;
                g = 120 + 100 * x / w;
                bl = 40 + 40 * y / h;
            } else {
                const bool dark = ((x / 32 + y / 32) % 2) != 0;
                const bool stripe = ((x + y) / 8) % 4 == 0;
                r = stripe ? 250 : 20;
                g = dark ? 60 : 180;
                bl = dark ? 140 : 255;
            }
            b.SetPixel(x, y, static_cast<raster::Color>(r | (g << 8) | (bl << 16)));
        }
    return b;
}

QImage Shown(TPictureShow& w)
{
    return w.screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

bool SameAs(const QImage& image, const raster::Bitmap& b)
{
    if (image.width() != b.Width() || image.height() != b.Height())
        return false;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const raster::Color c = b.Pixel(x, y);
            if (image.pixel(x, y) != qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF))
                return false;
        }
    return true;
}

TEST(WidgetOnScreen, EveryStyleRunsInARealWindow)
{
    App();
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server";
    const QString shots = qEnvironmentVariable("QEL_SCREENSHOT_DIR");
    if (!shots.isEmpty())
        QDir().mkpath(shots);
    const raster::Bitmap pictures[2] = {Picture(320, 240, 0), Picture(320, 240, 1)};
    TPictureShow show;
    show.SetDelay(2);
    show.SetPicture(pictures[0]);
    show.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&show));
    int completed = 0;
    QObject::connect(&show, &TPictureShow::completed, [&] { ++completed; });
    show.Execute();
    ASSERT_TRUE(WaitUntil([&] { return completed == 1; }));

    bool grabbed = false;
    QObject::connect(&show, &TPictureShow::progressed, [&] {
        if (!shots.isEmpty() && !grabbed && show.Progress() * 2 >= show.Engine().ProgressMax()) {
            grabbed = true;
            Shown(show).save(QString("%1/style%2.png").arg(shots).arg(show.Style(), 2, 10, QChar('0')));
        }
    });
    for (int style = 0; style < kStyleCount; ++style) {
        SCOPED_TRACE("style " + std::to_string(style));
        const raster::Bitmap& next = pictures[(style + 1) % 2];
        show.SetPicture(next);
        show.SetStyle(style);
        grabbed = false;
        const int before = completed;
        show.Execute();
        ASSERT_TRUE(WaitUntil([&] { return completed == before + 1; }));
        QApplication::processEvents();
        EXPECT_TRUE(SameAs(Shown(show), next));
    }
}

}  // namespace
}  // namespace qel::pictureshow

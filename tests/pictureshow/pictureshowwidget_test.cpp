// The picture-show widget on the offscreen platform: pacing through a worker thread and through
// the message loop, Manual, Reverse, Clear, destruction while running, and a window that
// accumulates what incremental styles add.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include "pictureshow/pictureshowwidget.h"
#include "pictureshow/styles.h"
#include "testpictures.h"

namespace qel::pictureshow {
namespace {

using test::kNewMark;
using test::kOldMark;
using test::MakePicture;

QApplication& App()
{
    static int argc = 1;
    static char name[] = "pictureshow_widget_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down among the static destructors at exit crashes.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Lets events through until `done` holds; false if it never did (a generous limit, not a timing).
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

class Widget : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        show = std::make_unique<TPictureShow>();
        show->SetDelay(1);
        // Shown, so the old picture of a transition is what was painted.
        show->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(show.get()));
    }
    // Runs a first transition so the control shows `old`.
    void ShowOld(int w, int h)
    {
        QSignalSpy done(show.get(), &TPictureShow::completed);
        show->SetPicture(MakePicture(w, h, kOldMark));
        show->Execute();
        ASSERT_TRUE(WaitUntil([&] { return done.count() == 1; }));
    }
    std::unique_ptr<TPictureShow> show;
};

TEST_F(Widget, ThreadedTransitionDeliversEveryFrameAndTheEndOnTheGuiThread)
{
    ShowOld(64, 48);
    QSignalSpy progressed(show.get(), &TPictureShow::progressed);
    QSignalSpy completed(show.get(), &TPictureShow::completed);
    int offThread = 0;
    QObject::connect(show.get(), &TPictureShow::progressed,
                     [&] { offThread += QThread::currentThread() != App().thread(); });
    QObject::connect(show.get(), &TPictureShow::completed,
                     [&] { offThread += QThread::currentThread() != App().thread(); });
    const raster::Bitmap newPic = MakePicture(64, 48, kNewMark);
    show->SetPicture(newPic);
    show->SetStyle(seBoxOut);
    show->Execute();
    EXPECT_TRUE(show->Busy());
    show->Execute();  // already running: ignored
    ASSERT_TRUE(WaitUntil([&] { return completed.count() >= 1; }));
    QTest::qWait(20);
    EXPECT_EQ(completed.count(), 1);
    EXPECT_EQ(progressed.count(), 26);
    EXPECT_EQ(offThread, 0);
    EXPECT_FALSE(show->Busy());
    EXPECT_TRUE(show->Engine().Media() == newPic);
}

TEST_F(Widget, MessageLoopPacingRunsToTheEndInsideExecute)
{
    show->SetThreaded(false);
    ShowOld(30, 20);
    QSignalSpy completed(show.get(), &TPictureShow::completed);
    show->SetPicture(MakePicture(30, 20, kNewMark));
    show->SetStyle(seFade);
    show->Execute();
    EXPECT_EQ(completed.count(), 1);
    EXPECT_FALSE(show->Busy());
}

TEST_F(Widget, ManualWaitsForTheOwnerAndHandsBackToThePacing)
{
    ShowOld(30, 20);
    QSignalSpy completed(show.get(), &TPictureShow::completed);
    show->SetPicture(MakePicture(30, 20, kNewMark));
    show->SetManual(true);
    show->Execute();
    QTest::qWait(20);
    EXPECT_TRUE(show->Busy());
    EXPECT_EQ(completed.count(), 0);
    show->SetProgress(60);
    EXPECT_EQ(show->Progress(), 60);
    show->SetManual(false);
    ASSERT_TRUE(WaitUntil([&] { return completed.count() == 1; }));
    EXPECT_EQ(show->Progress(), 100);
}

TEST_F(Widget, ReverseEndsAtZeroWithTheOldPicture)
{
    ShowOld(30, 20);
    QSignalSpy completed(show.get(), &TPictureShow::completed);
    show->SetPicture(MakePicture(30, 20, kNewMark));
    show->SetReverse(true);
    show->Execute();
    ASSERT_TRUE(WaitUntil([&] { return completed.count() == 1; }));
    EXPECT_EQ(show->Progress(), 0);
    EXPECT_TRUE(show->Engine().Media() == MakePicture(30, 20, kOldMark));
}

TEST_F(Widget, ClearOnlyWhenIdle)
{
    ShowOld(30, 20);
    show->SetPicture(MakePicture(30, 20, kNewMark));
    show->SetManual(true);
    show->Execute();
    show->Clear();
    EXPECT_FALSE(show->Engine().Media().IsEmpty());
    show->SetProgress(100);
    QSignalSpy completed(show.get(), &TPictureShow::completed);
    show->SetManual(false);
    ASSERT_TRUE(WaitUntil([&] { return completed.count() == 1; }));
    show->Clear();
    EXPECT_TRUE(show->Engine().Media().IsEmpty());
}

TEST_F(Widget, DestroyedWhileRunningWaitsForTheWorker)
{
    ShowOld(200, 100);
    show->SetDelay(30);
    QSignalSpy progressed(show.get(), &TPictureShow::progressed);
    int completions = 0;
    QObject::connect(show.get(), &TPictureShow::completed, [&] { ++completions; });
    show->SetPicture(MakePicture(200, 100, kNewMark));
    show->Execute();
    ASSERT_TRUE(WaitUntil([&] { return progressed.count() >= 3; }));
    show.reset();
    QTest::qWait(50);
    EXPECT_EQ(completions, 0);
}

// What the window really shows (the backing store), not a fresh paint of the whole widget.
QImage WindowContent(TPictureShow& w)
{
    return w.screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

int NewColumnsInRow(const QImage& image, int y, int width)
{
    int n = 0;
    for (int x = 0; x < width; ++x)
        n += qBlue(image.pixel(x, y)) == kNewMark;
    return n;
}

TEST_F(Widget, IncrementalStyleAccumulatesInTheWindow)
{
    ShowOld(80, 60);
    show->SetPicture(MakePicture(80, 60, kNewMark));
    show->SetStyle(seChordLeft);  // 80 wide: 10 lines a frame, moving 10 columns on
    show->SetManual(true);
    show->Execute();
    for (int p = 1; p <= 5; ++p)
        show->SetProgress(p);
    QApplication::processEvents();
    const QImage shown = WindowContent(*show);
    ASSERT_EQ(shown.width(), 80);
    EXPECT_EQ(NewColumnsInRow(shown, 30, 80), 1 + 2 + 3 + 4 + 5);
    // The frame bitmap itself holds only the current frame's lines.
    int inFrame = 0;
    for (int x = 0; x < 80; ++x)
        inFrame += test::Mark(show->Engine().Media(), x, 30) == kNewMark;
    EXPECT_EQ(inFrame, 5);
}

// A style whose frames invalidate thousands of ragged rectangles (the toolkit is told bands around
// them): the window shows, frame after frame, what the headless control's window image does, so
// nothing outside what each frame invalidated is repainted.
TEST_F(Widget, RaggedIncrementalStyleKeepsWhatEarlierFramesShowed)
{
    constexpr int kW = 240, kH = 180;
    ShowOld(kW, kH);
    test::ShownControl reference(MakePicture(kW, kH, kOldMark), kW, kH);
    for (PictureShowEngine* e : {&show->Engine(), &reference.engine}) {
        e->SetPicture(MakePicture(kW, kH, kNewMark));
        e->SetStyle(seClockWise);
        e->SetManual(true);
        e->Execute();
    }
    for (int p : {4, 8, 12, 16, 40, 44, 96}) {
        show->SetProgress(p);
        reference.engine.SetProgress(p);
        QApplication::processEvents();
        const QImage shown = WindowContent(*show);
        ASSERT_EQ(shown.size(), QSize(kW, kH));
        int differ = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const raster::Color c = reference.window.image.Pixel(x, y);
                differ += shown.pixel(x, y) != qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
            }
        EXPECT_EQ(differ, 0) << "at " << p;
    }
}

TEST_F(Widget, AutoSizeAndCentre)
{
    show->SetPicture(MakePicture(40, 25, kNewMark));
    EXPECT_EQ(show->width(), 40);
    EXPECT_EQ(show->height(), 25);
    show->SetAutoSize(false);
    show->resize(100, 45);
    show->SetCenter(true);
    show->Execute();
    EXPECT_EQ(show->Engine().PicRect(), (raster::Rect{30, 10, 70, 35}));
}

}  // namespace
}  // namespace qel::pictureshow

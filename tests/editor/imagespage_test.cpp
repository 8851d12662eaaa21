// The Images page: the preview's geometry and when it is drawn, and the commands that add, remove
// and move pictures.

#include <filesystem>
#include <fstream>
#include <string>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "editor/bitmapview.h"
#include "editor/colorpickerbutton.h"
#include "editor/filelistbox.h"
#include "editor/imagespage.h"
#include "editor/optionspage.h"
#include "editor/previewpictures.h"
#include "editorfixture.h"

namespace qel::editor::test {
namespace {

constexpr raster::Color kPicture = 0x000000FF;
constexpr raster::Color kBackground = 0x00808080;

imaging::LoadedPicture Plain(int w, int h)
{
    imaging::LoadedPicture p;
    p.width = w;
    p.height = h;
    p.bitmap = raster::Bitmap(w, h);
    p.bitmap.Fill(kPicture);
    return p;
}

// The rows and columns of the preview that hold picture pixels.
struct Extent {
    int left = -1, top = -1, right = -1, bottom = -1;
};

Extent PictureExtent(const raster::Bitmap& b)
{
    Extent e;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.Pixel(x, y) != kBackground) {
                if (e.left < 0 || x < e.left)
                    e.left = x;
                if (e.top < 0)
                    e.top = y;
                e.right = std::max(e.right, x);
                e.bottom = y;
            }
    return e;
}

TEST(ImagePreviewBitmap, SmallPicturesKeepTheirSizeOthersAreFittedNeverToNothing)
{
    const auto small = PictureExtent(ImagePreviewBitmap(Plain(100, 50), kPreviewWidth, kPreviewHeight, kBackground));
    EXPECT_EQ(small.left, 28);
    EXPECT_EQ(small.top, 33);
    EXPECT_EQ(small.right, 127);
    EXPECT_EQ(small.bottom, 82);

    // As wide as the area is enough to be fitted: 1000 x 10 becomes 156 x 2 (1.56 rounds up).
    const auto wide = PictureExtent(ImagePreviewBitmap(Plain(1000, 10), kPreviewWidth, kPreviewHeight, kBackground));
    EXPECT_EQ(wide.left, 0);
    EXPECT_EQ(wide.right, 155);
    EXPECT_EQ(wide.bottom - wide.top + 1, 2);
    const auto thin = PictureExtent(ImagePreviewBitmap(Plain(10000, 1), kPreviewWidth, kPreviewHeight, kBackground));
    EXPECT_EQ(thin.bottom - thin.top + 1, 1);
    const auto tall = PictureExtent(ImagePreviewBitmap(Plain(10, 2000), kPreviewWidth, kPreviewHeight, kBackground));
    EXPECT_EQ(tall.right - tall.left + 1, 1);
    EXPECT_EQ(tall.bottom - tall.top + 1, kPreviewHeight);
}

class ImagesPageTest : public EditorTest {
protected:
    ImagesPage& Page() { return Images(); }
    FileListBox& List() { return *Page().ImagesListBox(); }
    std::vector<std::string> Listed() { return List().Paths(); }
    void ClickRow(int row)
    {
        QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, List().visualItemRect(List().item(row)).center());
    }
};

TEST_F(ImagesPageTest, ThePreviewIsDrawnOncePerFileAndAgainOnANewBackground)
{
    settings::SaverSettings s;
    s.bgColor = std::int32_t(kBackground);
    s.images = {Picture("small.bmp", 100, 50, kPicture), Path("missing.bmp"), Picture("other.bmp", 20, 20)};
    WriteSetup(s);
    Open();
    BitmapView& preview = *Find<BitmapView>("PreviewImage");
    ASSERT_EQ(Page().LastPreviewFile(), s.images[0]);
    EXPECT_EQ(preview.Shown().Pixel(27, 40), kBackground);
    EXPECT_EQ(preview.Shown().Pixel(28, 40), kPicture);

    preview.Clear();
    ClickRow(0);
    EXPECT_TRUE(preview.Shown().IsEmpty()) << "the file already shown is not drawn again";

    // A missing file: a note in place of the picture before it, and a new try when selected again.
    List().setCurrentRow(1);
    EXPECT_TRUE(preview.Shown().IsEmpty());
    EXPECT_EQ(preview.Placeholder(), "missing.bmp\nThe file is missing.");
    EXPECT_EQ(Page().LastPreviewFile(), "");
    List().setCurrentRow(0);
    EXPECT_EQ(preview.Shown().Pixel(28, 40), kPicture);
    EXPECT_TRUE(preview.Placeholder().isEmpty());

    dialogs_->colors.push_back(0x0000FF00);
    Options().btnBgColor()->CustomColorAction()->trigger();
    EXPECT_EQ(preview.Shown().Pixel(0, 0), 0x0000FF00u) << "a new colour draws the picture again";
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ImagesPageTest, TheCaptionChosenOnTheOptionsPageIsDrawnIntoThePreviewAndSaved)
{
    settings::SaverSettings s;
    s.caption = int(settings::CaptionKind::FileName);
    s.images = {Picture("Lake.bmp", kPreviewWidth, kPreviewHeight, kPicture)};
    WriteSetup(s);
    Open();
    ASSERT_EQ(Options().cbCaption()->currentIndex(), 1);
    // Where the show puts its first caption, bottom right, and nowhere else.
    auto changedIn = [](const raster::Bitmap& b, int x0, int y0, int x1, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (b.Pixel(x, y) != kPicture)
                    return true;
        return false;
    };
    const raster::Bitmap captioned = Find<BitmapView>("PreviewImage")->Shown();
    EXPECT_TRUE(changedIn(captioned, kPreviewWidth / 2, kPreviewHeight / 2, kPreviewWidth, kPreviewHeight));
    EXPECT_FALSE(changedIn(captioned, 0, 0, kPreviewWidth, kPreviewHeight / 2));

    Options().cbCaption()->setCurrentIndex(0);
    EXPECT_FALSE(changedIn(Find<BitmapView>("PreviewImage")->Shown(), 0, 0, kPreviewWidth, kPreviewHeight));

    Options().cbCaption()->setCurrentIndex(4);
    window_->SaveSetup(Path("out.dat"));
    EXPECT_EQ(settings::LoadSettings(Path("out.dat"), settings::SettingsReader::Editor).Caption(),
              settings::CaptionKind::DateAndName);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ImagesPageTest, APictureThatCannotBeDecodedIsReportedOnce)
{
    WriteText("broken.jpg", "\xFF\xD8\xFF\xE0 not a picture");
    settings::SaverSettings s;
    s.images = {Picture("good.bmp", 8, 8), Path("broken.jpg")};
    WriteSetup(s);
    Open();
    ClickRow(1);
    ClickRow(1);
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("broken.jpg"), std::string::npos) << messages[0];
    // The preview says why instead of keeping the good picture, without the folder it has no room for.
    const BitmapView& preview = *Find<BitmapView>("PreviewImage");
    EXPECT_TRUE(preview.Shown().IsEmpty());
    EXPECT_TRUE(preview.Placeholder().startsWith("broken.jpg\nCannot be read: "))
        << preview.Placeholder().toStdString();
    EXPECT_FALSE(preview.Placeholder().contains(QString::fromStdString(Path(""))))
        << preview.Placeholder().toStdString();
}

TEST_F(ImagesPageTest, AddedFilesAndFoldersGoToTheEndInOrder)
{
    const std::string a = Picture("pics/a.bmp", 8, 8);
    const std::string b = Picture("pics/b.bmp", 8, 8);
    Open();
    dialogs_->pictureFiles.push_back({QString::fromStdString(b), QString::fromStdString(a)});
    dialogs_->pictureFiles.push_back({QString::fromStdString(b)});
    QTest::mouseClick(Find<QAbstractButton>("btnAdd"), Qt::LeftButton);
    EXPECT_EQ(Page().ImagePath(), Path("pics/"));
    Find<QAbstractButton>("btnAdd")->click();
    EXPECT_EQ(Listed(), (std::vector<std::string>{b, a, b}));
    EXPECT_EQ(dialogs_->startFolders.back().toStdString(), Path("pics/")) << "the dialog starts where the last began";
    EXPECT_EQ(Page().LastPreviewFile(), b) << "the first entry of an empty list became current";
    Find<QAbstractButton>("btnAdd")->click();  // cancelled
    EXPECT_EQ(Listed().size(), 3u);

    const std::string deep = Picture("tree/sub/deep.gif", 4, 4);
    const std::string top = Picture("tree/top.PNG", 4, 4);
    WriteText("tree/notes.txt", "not a picture");
    dialogs_->folders.push_back(QString::fromStdString(Path("tree")));
    dialogs_->folders.push_back(QString::fromStdString(Path("no such folder")));
    QTest::mouseClick(Find<QAbstractButton>("btnAddFolder"), Qt::LeftButton);
    Find<QAbstractButton>("btnAddFolder")->click();
    EXPECT_EQ(Listed(), (std::vector<std::string>{b, a, b, deep, top}));
    EXPECT_EQ(Page().ImagePath(), Path("pics/")) << "adding a folder leaves the dialog's folder";
}

TEST_F(ImagesPageTest, DroppedFilesAndFoldersAreAddedAndDeleteRemoves)
{
    const std::string a = Picture("drop/a.bmp", 8, 8);
    const std::string inner = Picture("drop/folder/inner.bmp", 8, 8);
    WriteText("drop/song.mp3", "not a picture");
    Open();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(a)),
                  QUrl::fromLocalFile(QString::fromStdString(Path("drop/song.mp3"))),
                  QUrl::fromLocalFile(QString::fromStdString(Path("drop/folder")))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(List().viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(List().viewport(), &drop);
    EXPECT_EQ(Listed(), (std::vector<std::string>{a, inner}));
    EXPECT_EQ(Page().ImagePath(), Path("drop/"));

    List().SelectOnly(0);
    QTest::keyClick(&List(), Qt::Key_Delete);
    EXPECT_EQ(Listed(), (std::vector<std::string>{inner}));
    EXPECT_EQ(Page().LastPreviewFile(), inner);
}

TEST_F(ImagesPageTest, PathsTheSettingsCannotHoldAreLeftOutAndNamedInOneMessage)
{
    const std::string a = Picture("eq/a.bmp", 8, 8);
    const std::string cut = Picture("eq/x=1.bmp", 8, 8);
    const std::string deep = Picture("eq/sub/y=2.bmp", 8, 8);
    SetupWindow& w = Open();
    dialogs_->pictureFiles.push_back({QString::fromStdString(a), QString::fromStdString(cut)});
    Find<QAbstractButton>("btnAdd")->click();
    EXPECT_EQ(Listed(), (std::vector<std::string>{a}));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find(cut), std::string::npos) << Messages()[0];

    dialogs_->folders.push_back(QString::fromStdString(Path("eq")));
    Find<QAbstractButton>("btnAddFolder")->click();
    EXPECT_EQ(Listed(), (std::vector<std::string>{a, a}));
    ASSERT_EQ(Messages().size(), 2u) << "one message for the whole folder";
    EXPECT_NE(Messages()[1].find(cut), std::string::npos);
    EXPECT_NE(Messages()[1].find(deep), std::string::npos);

    // A project written elsewhere that lists one: the cut path is not loaded as another file.
    WriteText("other.qsp", "[Images]\r\n" + a + "=\r\n" + cut + "=\r\n");
    w.LoadSetup(Path("other.qsp"));
    EXPECT_EQ(Listed(), (std::vector<std::string>{a}));
    ASSERT_EQ(Messages().size(), 3u);
    EXPECT_NE(Messages()[2].find(cut), std::string::npos) << Messages()[2];
}

TEST_F(ImagesPageTest, RemovingAndMovingKeepTheCurrentEntryAndThePreviewRight)
{
    settings::SaverSettings s;
    for (const char* name : {"0.bmp", "1.bmp", "2.bmp", "3.bmp"})
        s.images.push_back(Picture(name, 8, 8));
    WriteSetup(s);
    Open();
    List().SelectOnly(1);
    List().item(3)->setSelected(true);
    QTest::mouseClick(Find<QAbstractButton>("btnDelete"), Qt::LeftButton);
    ASSERT_EQ(Listed(), (std::vector<std::string>{s.images[0], s.images[2]}));

    List().SelectOnly(0);
    QTest::mouseClick(Find<QAbstractButton>("btnDown"), Qt::LeftButton);
    EXPECT_EQ(Listed(), (std::vector<std::string>{s.images[2], s.images[0]}));
    EXPECT_EQ(List().currentRow(), 1) << "the current entry moves with the entry";
    EXPECT_EQ(Page().LastPreviewFile(), s.images[0]);
    Find<QAbstractButton>("btnDown")->click();  // already last
    EXPECT_EQ(List().currentRow(), 1);
    Find<QAbstractButton>("btnUp")->click();
    Find<QAbstractButton>("btnUp")->click();  // already first
    EXPECT_EQ(Listed(), (std::vector<std::string>{s.images[0], s.images[2]}));
    EXPECT_EQ(List().currentRow(), 0);

    QTest::mouseClick(Find<QAbstractButton>("btnClear"), Qt::LeftButton);
    EXPECT_TRUE(Listed().empty());
    EXPECT_TRUE(Find<BitmapView>("PreviewImage")->Shown().IsEmpty());
    EXPECT_EQ(Page().LastPreviewFile(), "");
    Find<QAbstractButton>("btnUp")->click();
    Find<QAbstractButton>("btnDown")->click();
    Find<QAbstractButton>("btnDelete")->click();

    dialogs_->pictureFiles.push_back({QString::fromStdString(s.images[0])});
    Find<QAbstractButton>("btnAdd")->click();
    EXPECT_EQ(Page().LastPreviewFile(), s.images[0]) << "the same picture, added again, is shown again";
}

TEST_F(ImagesPageTest, ALineShowsTheFileNameThenItsFolderAndTheWholePathAsItsTooltip)
{
    const std::string home = QFile::encodeName(QDir::homePath()).toStdString();
    const std::string odd = Path("caf\xE9 \xFF.jpg");  // not UTF-8: shown as well as text can
    const std::vector<std::string> paths{odd, home + "/Pictures/Lake/IMG_2041.jpg", home + "x/a.jpg", "/top.jpg"};
    Open();
    List().SetPaths(paths);
    auto shown = [&](int row, int role) { return List().item(row)->data(role).toString(); };
    EXPECT_EQ(shown(0, FileListBox::kNameRole), QFile::decodeName("caf\xE9 \xFF.jpg"));
    EXPECT_EQ(shown(0, FileListBox::kFolderRole), QFile::decodeName(QByteArray::fromStdString(dir_.string())));
    EXPECT_EQ(List().item(0)->toolTip(), QFile::decodeName(QByteArray::fromStdString(odd)));
    EXPECT_EQ(shown(1, FileListBox::kNameRole), "IMG_2041.jpg");
    EXPECT_EQ(shown(1, FileListBox::kFolderRole), "~/Pictures/Lake");
    EXPECT_FALSE(shown(2, FileListBox::kFolderRole).startsWith("~")) << "a folder beside home is not in it";
    EXPECT_EQ(shown(3, FileListBox::kFolderRole), "/");
    EXPECT_EQ(Listed(), paths) << "only the display changes: the entries keep their bytes";
    EXPECT_EQ(Find<QLabel>("ImagesListBoxCount")->text(), "4 pictures");

    List().SelectOnly(1);
    Find<QAbstractButton>("btnDelete")->click();
    List().SelectOnly(0);
    List().Exchange(0);
    EXPECT_EQ(Listed(), (std::vector<std::string>{paths[2], paths[0], paths[3]}));
    EXPECT_EQ(shown(1, FileListBox::kNameRole), QFile::decodeName("caf\xE9 \xFF.jpg")) << "the display moves along";
    Find<QAbstractButton>("btnClear")->click();
    EXPECT_EQ(Find<QLabel>("ImagesListBoxCount")->text(), "No pictures");
    List().SetPaths({paths[1]});
    EXPECT_EQ(Find<QLabel>("ImagesListBoxCount")->text(), "1 picture");
}

}  // namespace
}  // namespace qel::editor::test

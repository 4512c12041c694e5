// The start button's whole job, driven through the window with real pictures,
// the real export component and faked message boxes.

// libvips (glib) before Qt: glib uses "signals" as a name, Qt as a keyword.
#include <vips/vips8>

#include "MainWindowFixture.h"

#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <filesystem>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

class MDIForm1RunTest : public MDIForm1Test {
protected:
    void SetUp() override
    {
        MDIForm1Test::SetUp();
        ASSERT_TRUE(destination_.isValid());
        save(appFolder_, QStringLiteral("a.jpg"), solid(400, 200, Qt::red));
        save(appFolder_, QStringLiteral("b.jpg"), solid(100, 300, Qt::green));
        save(appFolder_, QStringLiteral("c.jpg"), solid(50, 50, Qt::blue));
        window_->start();
        folders_.answers = {destination_.path()};
        QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    }

    void startRun() { QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton); }

    QStringList written() const
    {
        return QDir(destination_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    vips::VImage output(const QString& name) const
    {
        return vips::VImage::new_from_file(QFile::encodeName(destination_.path() + QLatin1Char('/') + name).constData(),
                                           vips::VImage::option()->set("fail_on", VIPS_FAIL_ON_TRUNCATED));
    }

    QTemporaryDir destination_;
};

TEST_F(MDIForm1RunTest, JpegRunWritesEveryPictureAtTheSizeAndReportsSuccess)
{
    QSignalSpy done(window_.get(), &MDIForm1::runFileDone);
    QList<int> barWidths;
    QList<bool> trackShown;
    QObject::connect(window_.get(), &MDIForm1::runFileDone, [&] {
        barWidths << control("Picture5")->width();
        trackShown << control("Picture4")->isVisibleTo(window_.get());
    });
    startRun();

    EXPECT_EQ(written(), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    for (const QString& name : written()) {
        const vips::VImage out = output(name);
        EXPECT_EQ(out.width(), 300) << name.toStdString();
        EXPECT_EQ(out.height(), 300) << name.toStdString();
        EXPECT_EQ(std::string(out.get_string("jpeg-chroma-subsample")), "4:2:0") << name.toStdString(); // quality 75
    }
    // a.jpg is wide: white above, red in the middle.
    EXPECT_GT(output("a.jpg").getpoint(150, 10)[2], 245);
    EXPECT_LT(output("a.jpg").getpoint(150, 150)[2], 20);

    ASSERT_EQ(done.count(), 3);
    EXPECT_EQ(trackShown, (QList<bool>{true, true, true}));
    // 785 / 3 = 261.67 a file, the sum kept in floating point.
    EXPECT_EQ(barWidths, (QList<int>{261, 523, 785}));
    EXPECT_TRUE(control("Picture4")->isHidden());
    EXPECT_EQ(list()->currentRow(), 2);
    EXPECT_TRUE(QFile::exists(appFolder_ + QStringLiteral("/temp.bmp")));
    // The preview holds the last file written.
    EXPECT_TRUE(closeTo(preview()->drawableImage().pixel(150, 150), Qt::blue));

    ASSERT_EQ(messages_.shown.size(), 1);
    EXPECT_EQ(messages_.shown[0].icon, MessageBoxes::Icon::Information);
    EXPECT_EQ(messages_.shown[0].title, QStringLiteral("Tessaline 1.0"));
    EXPECT_EQ(messages_.shown[0].text, QStringLiteral("Conversione terminata con successo."));
}

TEST_F(MDIForm1RunTest, GifRunAndANonSquareSize)
{
    control<QRadioButton>("Option2")->click();
    retype("Text4", QStringLiteral("200"));
    startRun();
    EXPECT_EQ(written(), (QStringList{"a.gif", "b.gif", "c.gif"}));
    for (const QString& name : written()) {
        QFile file(destination_.path() + QLatin1Char('/') + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.read(6).startsWith("GIF8")) << name.toStdString();
        const vips::VImage out = output(name);
        EXPECT_EQ(out.width(), 300);
        EXPECT_EQ(out.height(), 200);
    }
    // b.jpg is tall: its bands are left and right, and they stay pure white.
    const vips::VImage b = output("b.gif");
    for (int x : {5, 295}) {
        const std::vector<double> band = b.getpoint(x, 100);
        EXPECT_EQ(std::vector<double>(band.begin(), band.begin() + 3), (std::vector<double>{255, 255, 255}));
    }
    ASSERT_EQ(messages_.shown.size(), 1);
    EXPECT_EQ(messages_.shown[0].icon, MessageBoxes::Icon::Information);
}

TEST_F(MDIForm1RunTest, ABrokenFileInTheMiddleIsNamedAndTheOthersAreWritten)
{
    QFile broken(appFolder_ + QStringLiteral("/b.jpg"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("no picture here");
    broken.close();
    startRun();
    EXPECT_EQ(written(), (QStringList{"a.jpg", "c.jpg"}));
    ASSERT_EQ(messages_.shown.size(), 1);
    EXPECT_EQ(messages_.shown[0].icon, MessageBoxes::Icon::Warning);
    EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("2 immagini scritte su 3")));
    EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("b.jpg")));
    EXPECT_FALSE(messages_.shown[0].text.contains(QStringLiteral("successo")));
    EXPECT_EQ(list()->currentRow(), 2);
}

TEST_F(MDIForm1RunTest, JobsThatCannotStartSayWhyAndTouchNothing)
{
    const auto refused = [&](const char* what) {
        const int before = messages_.shown.size();
        startRun();
        EXPECT_EQ(messages_.shown.size(), before + 1) << what;
        if (messages_.shown.size() > before) {
            EXPECT_EQ(messages_.shown.back().icon, MessageBoxes::Icon::Warning) << what;
        }
        EXPECT_TRUE(written().isEmpty()) << what;
        EXPECT_TRUE(control("Picture4")->isHidden()) << what;
        EXPECT_FALSE(QFile::exists(appFolder_ + QStringLiteral("/temp.bmp"))) << what;
    };
    // A size field the program cannot use.
    retype("Text3", QStringLiteral("abc"));
    refused("bad width");
    retype("Text3", QStringLiteral("300"));

    // The destination is the source folder, reached through a link.
    const QString link = destination_.path() + QStringLiteral("-link");
    ASSERT_TRUE(QFile::link(appFolder_, link));
    folders_.answers = {link};
    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    refused("destination is the source");
    EXPECT_EQ(QDir(appFolder_).entryList(QDir::Files).size(), 3);
    QFile::remove(link);

    // A destination removed after it was chosen.
    folders_.answers = {destination_.path() + QStringLiteral("/gone")};
    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    refused("missing destination");

    // An empty list.
    QTemporaryDir empty;
    folders_.answers = {empty.path(), destination_.path()};
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    refused("empty list");
}

TEST_F(MDIForm1RunTest, NoDestinationChosenIsRefused)
{
    window_ = std::make_unique<MDIForm1>(MDIForm1::Services{folders_, opener_, messages_, loader_, bitmaps_,
                                                            exporter_, appFolder_, appFolder_ + "/temp.bmp"});
    window_->start();
    startRun();
    ASSERT_EQ(messages_.shown.size(), 1);
    EXPECT_EQ(messages_.shown[0].icon, MessageBoxes::Icon::Warning);
    EXPECT_FALSE(QFile::exists(appFolder_ + QStringLiteral("/temp.bmp")));
}

TEST_F(MDIForm1RunTest, TheWindowTakesNoInputDuringTheRunAndClosingStopsItCleanly)
{
    for (int i = 0; i < 6; ++i)
        save(appFolder_, QStringLiteral("z%1.jpg").arg(i), solid(600, 400, Qt::darkCyan));
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton); // cancel: list re-read
    ASSERT_EQ(list()->count(), 9);
    window_->show();

    QList<bool> startEnabled;
    QObject::connect(window_.get(), &MDIForm1::runFileDone, [&](int row) {
        startEnabled << control("Command1")->isEnabled() << control("Text3")->isEnabled();
        if (row == 1)
            window_->close(); // as the window manager's close button would
    });
    startRun();
    EXPECT_FALSE(window_->isVisible());
    for (bool enabled : startEnabled)
        EXPECT_FALSE(enabled);
    // Stopped after the file in hand: two whole files, nothing half-written.
    EXPECT_EQ(written(), (QStringList{"a.jpg", "b.jpg"}));
    for (const QString& name : written())
        EXPECT_EQ(output(name).width(), 300);
    EXPECT_TRUE(messages_.shown.isEmpty());
    EXPECT_TRUE(control("Command1")->isEnabled());
}

} // namespace
} // namespace tessaline

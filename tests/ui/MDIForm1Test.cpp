// The main window driven through its controls, with the folder dialog, the
// opener and the message boxes faked and real picture files on disk.

#include "MainWindowFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace tessaline {
namespace {

TEST_F(MDIForm1Test, ControlsStandWhereTheLayoutPutsThemWithTheirTexts)
{
    EXPECT_EQ(window_->size(), QSize(805, 429));
    struct Expected {
        const char* name;
        QRect geometry;
        QString text;
    };
    const std::vector<Expected> controls{
        {"Frame1", {16, 8, 418, 73}, QStringLiteral("Cartella di origine")},
        {"Frame2", {16, 88, 418, 73}, QStringLiteral("Cartella di destinazione")},
        {"Frame3", {16, 169, 218, 97}, QStringLiteral("Dimensione immagine da salvare")},
        {"Frame4", {16, 272, 218, 104}, QStringLiteral("Opzioni")},
        {"Frame5", {240, 272, 193, 105}, QStringLiteral("Donazione...")},
        {"Text1", {8, 32, 378, 26}, QString()},
        {"Command2", {385, 32, 25, 25}, QStringLiteral("....")},
        {"Command3", {385, 32, 25, 25}, QStringLiteral("....")},
        {"Label1", {16, 32, 73, 17}, QStringLiteral("Larghezza")},
        {"Label2", {16, 56, 73, 17}, QStringLiteral("Altezza")},
        {"Text3", {72, 32, 49, 21}, QStringLiteral("300")},
        {"Text4", {72, 56, 49, 21}, QStringLiteral("300")},
        {"Option1", {8, 24, 97, 17}, QStringLiteral("Esporta in Jpeg")},
        {"Option2", {8, 80, 97, 17}, QStringLiteral("Esporta in gif")},
        {"Label5", {88, 32, 73, 17}, QStringLiteral("Qualità %")},
        {"Text5", {168, 32, 25, 13}, QStringLiteral("75")},
        {"HScroll1", {8, 48, 193, 17}, QString()},
        {"File1", {240, 168, 193, 93}, QString()},
        {"Label3", {8, 16, 177, 65},
         QStringLiteral("Se vuoi contribuisci allo sviluppo di questo software con una donazione. Grazie.")},
        {"Image1", {120, 56, 60, 38}, QString()},
        {"Label4", {8, 80, 113, 17}, QStringLiteral("clicca qui per donare...")},
        {"Shape1", {440, 16, 321, 321}, QString()},
        {"Picture2", {449, 24, 302, 302}, QString()},
        {"Command1", {536, 344, 129, 33}, QStringLiteral("Avvia operazione...")},
        {"Picture4", {8, 386, 785, 33}, QString()},
    };
    for (const Expected& e : controls) {
        QWidget* w = control(e.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), e.geometry) << e.name;
        QString text;
        if (auto* box = qobject_cast<QGroupBox*>(w))
            text = box->title();
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            text = edit->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(w))
            text = label->text();
        EXPECT_EQ(text, e.text) << e.name;
    }
    EXPECT_TRUE(field("Text1")->isReadOnly());
    EXPECT_TRUE(field("Text2")->isReadOnly());
    EXPECT_TRUE(field("Text5")->isReadOnly());
    EXPECT_FALSE(field("Text3")->isReadOnly());
    EXPECT_TRUE(control<QRadioButton>("Option1")->isChecked());
    EXPECT_FALSE(control<QRadioButton>("Option2")->isChecked());
    auto* scroll = control<QScrollBar>("HScroll1");
    EXPECT_EQ(scroll->minimum(), 1);
    EXPECT_EQ(scroll->maximum(), 100);
    EXPECT_EQ(scroll->value(), 75);
    EXPECT_EQ(scroll->pageStep(), 1);
    EXPECT_TRUE(control("Picture4")->isHidden());
    // The output box's drawable area is the size the fields show from the start.
    EXPECT_EQ(preview()->drawableSize(), (Size{300, 300}));
}

TEST_F(MDIForm1Test, StartUpShowsTheAboutWindowFirstThenFillsCaptionFolderAndList)
{
    save(appFolder_, QStringLiteral("b.jpg"), solid(10, 10, Qt::red));
    save(appFolder_, QStringLiteral("A.JPG"), solid(10, 10, Qt::red));
    window_->start();
    EXPECT_EQ(aboutShowings_, 1);
    EXPECT_EQ(titleWhileAbout_, QString());
    EXPECT_EQ(text1WhileAbout_, QString());
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Tessaline 1.0 by Orvenda [www.orvenda.example]"));
    EXPECT_EQ(field("Text1")->text(), appFolder_);
    EXPECT_EQ(listed(), (QStringList{"A.JPG", "b.jpg"}));
    EXPECT_EQ(list()->currentRow(), -1); // nothing selected until the user picks
    EXPECT_TRUE(messages_.shown.isEmpty());
}

TEST_F(MDIForm1Test, SizeFieldsResizeTheOutputBoxAndMarkWhatTheyCannotUse)
{
    PictureBox* box = preview();
    retype("Text3", QStringLiteral("250px"));
    EXPECT_EQ(box->size(), QSize(252, 302));
    EXPECT_EQ(box->drawableSize(), (Size{250, 300}));
    EXPECT_FALSE(field("Text3")->property("invalid").toBool());

    retype("Text4", QStringLiteral("&H100"));
    EXPECT_EQ(box->drawableSize(), (Size{250, 256}));

    retype("Text3", QStringLiteral("abc"));
    EXPECT_EQ(box->drawableSize(), (Size{250, 256})); // left as it was
    EXPECT_TRUE(field("Text3")->property("invalid").toBool());
    EXPECT_EQ(field("Text3")->palette().color(QPalette::Text), QColor(Qt::red));

    for (const char* bad : {"0", "-5", "10001", "0.4"}) {
        field("Text4")->setText(QLatin1String(bad)); // typed, "10001" would pass through 1000
        EXPECT_TRUE(field("Text4")->property("invalid").toBool()) << bad;
        EXPECT_EQ(box->drawableSize().height, 256) << bad;
    }
    retype("Text4", QStringLiteral(" 1 2 0"));
    EXPECT_FALSE(field("Text4")->property("invalid").toBool());
    EXPECT_EQ(box->drawableSize(), (Size{250, 120}));
    retype("Text3", QStringLiteral("10000"));
    EXPECT_EQ(box->drawableSize(), (Size{10000, 120}));
    EXPECT_FALSE(field("Text3")->property("invalid").toBool());
}

TEST_F(MDIForm1Test, ScrollBarDrivesTheQualityFieldButNotWhileDragged)
{
    auto* scroll = control<QScrollBar>("HScroll1");
    scroll->setValue(90);
    EXPECT_EQ(field("Text5")->text(), QStringLiteral("90"));
    scroll->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(field("Text5")->text(), QStringLiteral("91"));
    scroll->triggerAction(QAbstractSlider::SliderToMaximum);
    scroll->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(field("Text5")->text(), QStringLiteral("100"));
    scroll->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(field("Text5")->text(), QStringLiteral("1"));

    scroll->setSliderDown(true);
    scroll->setSliderPosition(40);
    scroll->setSliderPosition(42);
    EXPECT_EQ(field("Text5")->text(), QStringLiteral("1")); // still dragging
    scroll->setSliderDown(false);
    EXPECT_EQ(field("Text5")->text(), QStringLiteral("42"));
}

TEST_F(MDIForm1Test, FolderButtonsAskTheDialogAndCancelChangesNothing)
{
    window_->start();
    QTemporaryDir other;
    save(other.path(), QStringLiteral("x.jpg"), solid(10, 10, Qt::blue));

    folders_.answers = {other.path()};
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_EQ(field("Text1")->text(), other.path());
    EXPECT_EQ(listed(), QStringList{"x.jpg"});

    // Cancel: the field keeps its text, the list is read again from it.
    save(other.path(), QStringLiteral("y.gif.jpg"), solid(10, 10, Qt::blue));
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_EQ(field("Text1")->text(), other.path());
    EXPECT_EQ(listed(), (QStringList{"x.jpg", "y.gif.jpg"}));

    folders_.answers = {QStringLiteral("/tmp")};
    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    EXPECT_EQ(field("Text2")->text(), QStringLiteral("/tmp"));
    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    EXPECT_EQ(field("Text2")->text(), QStringLiteral("/tmp"));
    EXPECT_EQ(listed(), (QStringList{"x.jpg", "y.gif.jpg"})); // the destination does not touch the list

    ASSERT_EQ(folders_.titles.size(), 4);
    for (const QString& title : folders_.titles)
        EXPECT_EQ(title, QStringLiteral("Hello World. Click on a directory and it's path will be "
                                        "displayed in a message box"));
}

TEST_F(MDIForm1Test, SelectingAPictureShowsItSquaredOnWhite)
{
    save(appFolder_, QStringLiteral("wide.jpg"), solid(400, 200, Qt::red));
    save(appFolder_, QStringLiteral("tall.jpg"), solid(100, 300, Qt::blue));
    window_->start();
    QSignalSpy rendered(window_.get(), &MDIForm1::fileRendered);

    QListWidget* files = list();
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(files->item(1)).center());
    ASSERT_EQ(rendered.count(), 1);
    QImage shown = preview()->drawableImage();
    ASSERT_EQ(shown.size(), QSize(300, 300));
    EXPECT_TRUE(closeTo(shown.pixel(150, 2), Qt::white, 0));   // band above
    EXPECT_TRUE(closeTo(shown.pixel(150, 150), Qt::red));      // picture centred
    EXPECT_TRUE(closeTo(shown.pixel(2, 150), Qt::red));        // reaching the sides
    EXPECT_TRUE(closeTo(shown.pixel(150, 297), Qt::white, 0)); // band below

    // The keyboard moves the selection and the preview follows.
    QTest::keyClick(files, Qt::Key_Up);
    ASSERT_EQ(rendered.count(), 2);
    shown = preview()->drawableImage();
    EXPECT_TRUE(closeTo(shown.pixel(2, 150), Qt::white, 0));
    EXPECT_TRUE(closeTo(shown.pixel(150, 150), Qt::blue));
    EXPECT_TRUE(closeTo(shown.pixel(150, 2), Qt::blue));

    // A new size renders the selected picture again, at that size.
    retype("Text4", QStringLiteral("200"));
    EXPECT_EQ(preview()->picture().size(), (Size{300, 200}));
    EXPECT_TRUE(messages_.shown.isEmpty());
}

TEST_F(MDIForm1Test, APictureThatCannotBeLoadedIsReportedAndTheWindowGoesOn)
{
    QFile broken(appFolder_ + QStringLiteral("/broken.jpg"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("this is not a picture at all, only text that pretends to be one");
    broken.close();
    save(appFolder_, QStringLiteral("good.jpg"), solid(50, 50, Qt::green));
    window_->start();

    list()->setCurrentRow(0);
    ASSERT_EQ(messages_.shown.size(), 1);
    EXPECT_EQ(messages_.shown[0].icon, MessageBoxes::Icon::Warning);
    EXPECT_EQ(messages_.shown[0].title, QStringLiteral("Tessaline 1.0"));
    EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("broken.jpg")));
    EXPECT_TRUE(preview()->picture().empty()); // cleared, not the previous picture

    // The file vanishes after it was listed: reported the same way.
    QFile::remove(appFolder_ + QStringLiteral("/good.jpg"));
    list()->setCurrentRow(1);
    ASSERT_EQ(messages_.shown.size(), 2);
    EXPECT_TRUE(messages_.shown[1].text.contains(QStringLiteral("good.jpg")));
    EXPECT_TRUE(messages_.shown[1].text.contains(QStringLiteral("non esiste")));
}

TEST_F(MDIForm1Test, NamesThatAreNotUtf8LoadFromTheFolderTheyWereListedFrom)
{
    const QByteArray folder = QFile::encodeName(appFolder_);
    const QByteArray latin1 = folder + "/caf\xe9.jpg";
    ASSERT_TRUE(solid(30, 30, Qt::red).save(QFile::decodeName(latin1), "JPG"));
    window_->start();
    ASSERT_EQ(list()->count(), 1);
    list()->setCurrentRow(0);
    EXPECT_TRUE(messages_.shown.isEmpty());
    EXPECT_EQ(preview()->picture().size(), (Size{300, 300}));
}

TEST_F(MDIForm1Test, DonationLinkOpensThePageOfTheProgramsFolder)
{
    window_->start();
    auto* link = control<QLabel>("Label4");
    QTest::mouseClick(link, Qt::LeftButton);
    QTest::mouseClick(link, Qt::LeftButton);
    ASSERT_EQ(opener_.opened.size(), 2);
    EXPECT_TRUE(opener_.opened[0].isLocalFile());
    EXPECT_EQ(opener_.opened[0].toLocalFile(), appFolder_ + QStringLiteral("/paypal.htm"));
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
}

} // namespace
} // namespace tessaline

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!tessaline::startVips(argv[0]))
        return 1;
    return RUN_ALL_TESTS();
}

// The About window driven like a user would: mouse presses through its window
// (so the mask and the controls' places decide who gets them), keys to the
// focused control, the opener and the window move faked; and the start-up order
// with the real main window.

#define QTEST_QPA_MOUSE_HANDLING // presses go through the window, as real ones do

#include "frmAbout.h"

#include "AppInfo.h"
#include "EngineFakes.h"
#include "Fakes.h"
#include "MDIForm1.h"
#include "Outline.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace tessaline {
namespace {

const QColor blue(91, 132, 194);
const QColor rim(228, 227, 215);
const QColor beige(236, 233, 216);
const QString title = QString::fromUtf8(info::applicationTitle);
const QString company = QString::fromUtf8(info::companyName);
const QString copyright = QString::fromUtf8(info::legalCopyright);

class NoPictures final : public PictureLoader {
public:
    Result<LoadedPicture> load(const std::string& path, Size) override
    {
        return Failure{path, FailureKind::NotFound, "no pictures here"};
    }
};

class AboutWindowTest : public ::testing::Test {
protected:
    AboutWindowTest()
    {
        QPixmap large(32, 32), small(16, 16);
        large.fill(Qt::red);
        small.fill(Qt::green);
        icon_.addPixmap(large);
        icon_.addPixmap(small);
    }

    frmAbout::Services services()
    {
        frmAbout::Services services{opener_, icon_};
        services.startMove = [this](QWindow&) { return ++moves_ > 0; };
        return services;
    }

    // Builds the window and shows it, not modally, for the mouse tests.
    frmAbout& open(frmAbout::Services services)
    {
        about_ = std::make_unique<frmAbout>(std::move(services));
        about_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(about_.get()));
        return *about_;
    }
    frmAbout& open() { return open(services()); }

    template <class T = QLabel> T* control(const char* name) const
    {
        T* widget = about_->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString text(const char* name) const { return control(name)->text(); }

    void click(QWidget* widget, Qt::MouseButton button = Qt::LeftButton, QPoint at = {})
    {
        QTest::mouseClick(widget, button, Qt::NoModifier, at);
    }

    FakeUrlOpener opener_;
    QIcon icon_;
    int moves_ = 0;
    std::unique_ptr<frmAbout> about_;
};

TEST_F(AboutWindowTest, ShowsItsTextsAndIconAtTheirStoredPlaces)
{
    open();
    EXPECT_EQ(about_->windowTitle(), QStringLiteral("Informazioni su Tessaline 1.0"));
    EXPECT_EQ(about_->size(), QSize(596, 413));
    struct Expected {
        const char* name;
        QRect geometry;
        QString text;
        double points;
        QColor colour;
    };
    const Expected rows[] = {
        {"Label1", {0, 64, 465, 33}, QStringLiteral("Tessaline 1.0"), 18, Qt::white},
        {"Label2",
         {0, 96, 465, 17},
         QStringLiteral("Per sistemi operativi Microsoft Windows®"),
         9.75,
         Qt::white},
        {"Label8", {0, 112, 465, 17}, company, 9.75, QColor(224, 224, 224)},
        {"Label3", {0, 128, 465, 17}, copyright, 9.75, QColor(224, 224, 224)},
        {"Label7", {8, 216, 449, 49}, QString(), 8.25, QColor(192, 192, 255)},
    };
    for (const Expected& row : rows) {
        QLabel* label = control(row.name);
        EXPECT_EQ(label->geometry(), row.geometry) << row.name;
        if (!row.text.isNull()) {
            EXPECT_EQ(label->text(), row.text) << row.name;
        }
        EXPECT_EQ(label->font().family(), QStringLiteral("Liberation Sans")) << row.name;
        EXPECT_DOUBLE_EQ(label->font().pointSizeF(), row.points) << row.name;
        EXPECT_EQ(label->font().bold(), row.points > 9) << row.name;
        EXPECT_EQ(label->palette().color(QPalette::WindowText), row.colour) << row.name;
    }
    EXPECT_TRUE(text("Label7").contains(QStringLiteral("diritto d'autore"))); // the legal notice
    EXPECT_EQ(control("Label3")->toolTip(), QString::fromUtf8(info::websiteAddress));
    EXPECT_EQ(control<QPushButton>("Command1")->text(), QStringLiteral("&OK"));
    EXPECT_EQ(control<QPushButton>("Command1")->geometry(), QRect(184, 264, 105, 25));
    // Picture4 sizes itself to the 32 x 32 icon inside its one-pixel border.
    EXPECT_EQ(control("Picture4")->geometry(), QRect(216, 8, 34, 34));
    EXPECT_EQ(control("Picture4")->pixmap().toImage().pixelColor(16, 16), QColor(Qt::red));
}

TEST_F(AboutWindowTest, LinkPicturesShowTheTopLeftOfTheirPicturesInsideASunkenBorder)
{
    open();
    const std::tuple<const char*, const char*, QRect> boxes[] = {
        {"Donazione", ":/pictures/Donazione.png", {472, 112, 113, 44}},
        {"Picture1", ":/pictures/Social.png", {472, 160, 44, 44}},
        {"Picture5", ":/pictures/Globe.png", {472, 208, 44, 44}},
    };
    for (const auto& [name, resource, geometry] : boxes) {
        QLabel* box = control(name);
        EXPECT_EQ(box->geometry(), geometry) << name;
        EXPECT_EQ(box->contentsRect(),
                  geometry.translated(-geometry.topLeft()).adjusted(2, 2, -2, -2));
        const QImage picture =
            QImage(QString::fromLatin1(resource)).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(box->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
                  picture.copy(box->contentsRect().translated(-2, -2)))
            << name;
    }
}

TEST_F(AboutWindowTest, IsABorderlessToolWindowCentredAndCutToThePanelAt96Dpi)
{
    frmAbout& about = open();
    EXPECT_TRUE(about.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(about.windowFlags() & Qt::WindowType_Mask, Qt::Tool); // no taskbar entry
    const QPointF offCentre =
        QRectF(about.geometry()).center() - QRectF(about.screen()->geometry()).center();
    EXPECT_LE(offCentre.manhattanLength(), 1.0);

    ASSERT_EQ(about.screen()->logicalDotsPerInchX(), 96);
    ASSERT_EQ(about.screen()->logicalDotsPerInchY(), 96);
    const QRegion mask = about.mask();
    EXPECT_EQ(mask.boundingRect(), QRect(QPoint(2, 1), QPoint(461, 300)));
    const QPoint inside[] = {
        {2, 150}, {461, 150}, {230, 1},  {230, 300}, // the middle of each edge
        {11, 10}, {452, 10},  {11, 291}, {452, 291}, // just inside each corner's arc
    };
    const QPoint outside[] = {
        {1, 150}, {462, 150}, {230, 0},   {230, 301}, // the strips cut away, and beyond
        {10, 9},  {453, 9},   {10, 292},  {453, 292}, // just outside each corner's arc
        {2, 1},   {461, 300}, {480, 180},             // the rectangle's corners, a link picture
    };
    for (const QPoint& p : inside)
        EXPECT_TRUE(mask.contains(p)) << p.x() << "," << p.y();
    for (const QPoint& p : outside)
        EXPECT_FALSE(mask.contains(p)) << p.x() << "," << p.y();
    // What is drawn under the outline is the panel, its rim on the edge.
    const QImage drawn = about.grab().toImage();
    EXPECT_EQ(drawn.pixelColor(300, 180), blue);
    EXPECT_EQ(drawn.pixelColor(2, 150), rim);
}

TEST(AboutBackground, PanelAndRimLieExactlyUnderTheOutlineAt96Dpi)
{
    const QImage background(QStringLiteral(":/pictures/AboutBackground.png"));
    ASSERT_EQ(background.size(), QSize(1028, 472));
    const auto spans = outlineSpans(*CreaRegione(1.0f, 1.0f, 0, 0, 96, 96), 1028, 472);
    for (const OutlineSpan& row : spans) {
        const int y = row.y;
        EXPECT_EQ(background.pixelColor(row.left - 1, y), beige) << "row " << y;
        EXPECT_EQ(background.pixelColor(row.left, y), rim) << "row " << y;
        EXPECT_EQ(background.pixelColor(row.right - 1, y), rim) << "row " << y;
        EXPECT_EQ(background.pixelColor(row.right, y), beige) << "row " << y;
        const bool edgeRow = y == 1 || y == 300;
        EXPECT_EQ(background.pixelColor(232, y), edgeRow ? rim : blue) << "row " << y;
    }
    EXPECT_EQ(background.pixelColor(230, 0), beige);
    EXPECT_EQ(background.pixelColor(596, 413), beige); // the surround covers 597 x 414
    EXPECT_EQ(background.pixelColor(597, 100), QColor(Qt::white));
    EXPECT_EQ(background.pixelColor(100, 414), QColor(Qt::white));
}

TEST_F(AboutWindowTest, AFailingLoadStepLeavesItsControlAsStoredAndTheNextStillRun)
{
    constexpr int Title = 1, Icon = 2, Outline = 4, Company = 8, Copyright = 16;
    for (const int missing :
         {Title, Icon, Outline, Title | Icon, Title | Icon | Company | Copyright,
          Title | Icon | Company | Copyright | Outline}) {
        frmAbout::Services given = services();
        if (missing & Title)
            given.info.applicationTitle.reset();
        if (missing & Company)
            given.info.companyName.reset();
        if (missing & Copyright)
            given.info.legalCopyright.reset();
        if (missing & Icon)
            given.mainWindowIcon = QIcon();
        if (missing & Outline)
            given.dotsPerInch = DotsPerInch{0, 96};
        open(std::move(given));
        SCOPED_TRACE(missing);
        EXPECT_EQ(about_->windowTitle(),
                  frmAbout::storedCaption() + (missing & Title ? QString() : title));
        EXPECT_EQ(text("Label1"), missing & Title ? QStringLiteral("Programma") : title);
        EXPECT_EQ(control("Picture4")->pixmap().isNull(), bool(missing & Icon));
        EXPECT_EQ(control("Picture4")->size(), missing & Icon ? QSize(40, 40) : QSize(34, 34));
        EXPECT_EQ(text("Label3"), missing & Copyright ? QStringLiteral("Copyright") : copyright);
        EXPECT_EQ(text("Label8"), missing & Company ? QStringLiteral("Azienda") : company);
        EXPECT_EQ(about_->mask().isEmpty(), bool(missing & Outline)); // empty: the full rectangle
        EXPECT_EQ(about_->size(), QSize(596, 413));
    }
}

TEST_F(AboutWindowTest, AbsurdDensitiesGiveTheFullRectangleWhereEveryLinkPictureWorks)
{
    for (const DotsPerInch absurd : {DotsPerInch{1e9, 96}, DotsPerInch{0.01, 0.01}}) {
        frmAbout::Services flat = services();
        flat.dotsPerInch = absurd;
        EXPECT_TRUE(open(std::move(flat)).mask().isEmpty()) << absurd.x;
    }
    for (const char* name : {"Picture1", "Donazione", "Picture5"})
        click(control(name));
    ASSERT_EQ(opener_.opened.size(), 3);
    EXPECT_EQ(opener_.opened[0], QUrl(QString::fromUtf8(info::socialAddress)));
    EXPECT_EQ(opener_.opened[1], QUrl(QString::fromUtf8(info::donationAddress)));
    EXPECT_EQ(opener_.opened[2], QUrl(QString::fromUtf8(info::websiteAddress)));
    click(about_.get(), Qt::LeftButton, QPoint(500, 350)); // the surround is background now
    EXPECT_EQ(moves_, 1);

    frmAbout::Services at120 = services();
    at120.dotsPerInch = DotsPerInch{120, 120};
    EXPECT_EQ(open(std::move(at120)).mask().boundingRect(), QRect(QPoint(2, 1), QPoint(577, 375)));
}

TEST_F(AboutWindowTest, Label3OpensTheAddressItsTooltipHoldsAtEachLeftClick)
{
    open();
    QLabel* link = control("Label3");
    click(link);
    link->setToolTip(QStringLiteral("https://altrove.example/pagina"));
    click(link);
    click(link);
    click(link, Qt::RightButton);
    ASSERT_EQ(opener_.opened.size(), 3);
    EXPECT_EQ(opener_.opened[0], QUrl(QString::fromUtf8(info::websiteAddress)));
    EXPECT_EQ(opener_.opened[1], QUrl(QStringLiteral("https://altrove.example/pagina")));
    EXPECT_EQ(opener_.opened[2], opener_.opened[1]);
    // Outside the outline the link pictures are out of reach.
    for (const char* name : {"Donazione", "Picture1", "Picture5"})
        click(control(name));
    EXPECT_EQ(opener_.opened.size(), 3);
    EXPECT_TRUE(about_->isVisible());
    EXPECT_EQ(moves_, 0);
}

TEST_F(AboutWindowTest, AnyPressOnTheBackgroundMovesTheWindowAndNoneOnAControl)
{
    open();
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
        click(about_.get(), button, QPoint(60, 30));
    QTest::mouseClick(about_.get(), Qt::LeftButton, Qt::ShiftModifier, QPoint(400, 200));
    EXPECT_EQ(moves_, 4);
    for (const char* name : {"Label1", "Label2", "Label3", "Label7", "Label8", "Picture4"}) {
        click(control(name), Qt::LeftButton);
        click(control(name), Qt::RightButton);
    }
    click(control<QPushButton>("Command1"), Qt::RightButton); // ignored by the button, kept there
    EXPECT_EQ(moves_, 4);
    EXPECT_TRUE(about_->isVisible());
}

TEST_F(AboutWindowTest, OKClosesItFromTheKeyboardAtOnceAndEscDoesNothing)
{
    for (const QKeyCombination key :
         {QKeyCombination(Qt::Key_Return), QKeyCombination(Qt::Key_Space),
          QKeyCombination(Qt::AltModifier, Qt::Key_O)}) {
        frmAbout about(services());
        QTimer::singleShot(0, &about, [&] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&about));
            EXPECT_EQ(QApplication::focusWidget(),
                      about.findChild<QWidget*>(QStringLiteral("Command1")));
            QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Escape);
            ASSERT_TRUE(about.isVisible()) << "Esc closed it";
            QTest::keyClick(static_cast<QWidget*>(nullptr), key.key(), key.keyboardModifiers());
            // Alt+O animates the button's press, which ends a moment later.
            if (!QTest::qWaitFor([&] { return !about.isVisible(); }, 2000))
                about.done(-1); // never hang on a window left open
        });
        EXPECT_EQ(about.exec(), QDialog::Accepted) << key.key();
    }
}

TEST_F(AboutWindowTest, StartUpShowsItFirstAndTheMainWindowGoesOnOnlyOnceItCloses)
{
    QTemporaryDir appDir;
    FakeFolderDialog folders;
    FakeMessageBoxes messages;
    NoPictures loader;
    FakeBitmapStore bitmaps;
    FakeExporter exporter(bitmaps);
    std::unique_ptr<MDIForm1> window;
    QStringList happened;
    const auto showAbout = [&] {
        happened << QStringLiteral("about shown");
        QTimer::singleShot(0, [&] {
            auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
            ASSERT_NE(about, nullptr);
            EXPECT_TRUE(QTest::qWaitForWindowActive(about));
            EXPECT_FALSE(window->isVisible());
            EXPECT_TRUE(window->windowTitle().isEmpty());
            EXPECT_TRUE(window->findChild<QLineEdit*>(QStringLiteral("Text1"))->text().isEmpty());
            EXPECT_FALSE(about->findChild<QLabel*>(QStringLiteral("Picture4"))->pixmap().isNull());
            happened << QStringLiteral("OK pressed");
            QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Return);
            if (about->isVisible()) {
                ADD_FAILURE() << "Enter left the About window open";
                about->done(-1);
            }
        });
        frmAbout::showModally({opener_, window->windowIcon()});
        happened << QStringLiteral("about closed");
    };
    window = std::make_unique<MDIForm1>(
        MDIForm1::Services{folders, opener_, messages, loader, bitmaps, exporter, appDir.path(),
                           appDir.path() + QStringLiteral("/temp.bmp"), showAbout});
    window->setWindowIcon(icon_);
    window->start();
    happened << QStringLiteral("start-up done");

    EXPECT_EQ(happened,
              (QStringList{QStringLiteral("about shown"), QStringLiteral("OK pressed"),
                           QStringLiteral("about closed"), QStringLiteral("start-up done")}));
    EXPECT_EQ(window->windowTitle(), MDIForm1::caption());
    EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), appDir.path());
}

} // namespace
} // namespace tessaline

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

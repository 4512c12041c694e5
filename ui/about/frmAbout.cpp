#include "frmAbout.h"

#include "AppInfo.h"
#include "ClickLabel.h"
#include "Layout.h"
#include "Outline.h"
#include "OutlineRegion.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace tessaline {
namespace {

const QColor lightGrey(224, 224, 224);
const QColor lavender(192, 192, 255);

template <class W> W* place(QWidget* parent, const char* name, QRect where)
{
    auto* widget = new W(parent);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(where);
    // A press on a control belongs to it; only the bare background moves the window.
    widget->setAttribute(Qt::WA_NoMousePropagation);
    return widget;
}

// Labels lie on the panel: transparent, wrapped within their width.
QLabel* text(QLabel* label, const QString& words, const QFont& font, QColor colour,
             Qt::Alignment alignment)
{
    label->setText(words);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAlignment(alignment | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

// A link picture in a sunken box of 2 pixels, showing the top-left part of the
// picture that fits inside the border.
void linkPicture(ClickLabel* box, const QString& resource)
{
    box->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box->setCursor(Qt::PointingHandCursor);
    const QPixmap picture(resource);
    box->setPixmap(picture.copy(QRect(QPoint(0, 0), box->contentsRect().size())));
}

QString legalNotice()
{
    return QStringLiteral(
        "Attenzione: questo programma è tutelato dalle leggi sul diritto d'autore e dai "
        "trattati internazionali. La riproduzione o la distribuzione non autorizzata di questo "
        "programma, o di parte di esso, sarà perseguita a norma di legge.");
}

} // namespace

VersionInfo programVersionInfo()
{
    return {QString::fromUtf8(info::applicationTitle), QString::fromUtf8(info::companyName),
            QString::fromUtf8(info::legalCopyright)};
}

frmAbout::frmAbout(Services services, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint), services_(std::move(services)),
      background_(QStringLiteral(":/pictures/AboutBackground.png"))
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(storedCaption());
    setFont(sans(8.25));
    setFixedSize(twips(0, 0, 8940, 6195).size());
    buildLinkPictures();
    buildTexts();

    // The whole client area centred on the screen.
    if (const QScreen* screen = this->screen())
        move(screen->geometry().center() - rect().center());

    load();
}

frmAbout::~frmAbout() = default;

void frmAbout::showModally(Services services)
{
    frmAbout about(std::move(services));
    about.exec();
}

QString frmAbout::storedCaption()
{
    return QStringLiteral("Informazioni su ");
}

void frmAbout::buildLinkPictures()
{
    Donazione = place<ClickLabel>(this, "Donazione", twips(7080, 1680, 1695, 660));
    linkPicture(Donazione, QStringLiteral(":/pictures/Donazione.png"));
    Picture5 = place<ClickLabel>(this, "Picture5", twips(7080, 3120, 660, 660));
    linkPicture(Picture5, QStringLiteral(":/pictures/Globe.png"));
    Picture1 = place<ClickLabel>(this, "Picture1", twips(7080, 2400, 660, 660));
    linkPicture(Picture1, QStringLiteral(":/pictures/Social.png"));

    Picture4 = place<QLabel>(this, "Picture4", twips(3240, 120, 600, 600));
    Picture4->setFrameStyle(QFrame::Box | QFrame::Plain);
    Picture4->setLineWidth(1);
    Picture4->setAutoFillBackground(true);
    Picture4->setBackgroundRole(QPalette::Base);
    Picture4->setForegroundRole(QPalette::Text);

    connect(Donazione, &ClickLabel::clicked, this, &frmAbout::onDonazioneClicked);
    connect(Picture5, &ClickLabel::clicked, this, &frmAbout::onPicture5Clicked);
    connect(Picture1, &ClickLabel::clicked, this, &frmAbout::onPicture1Clicked);
}

void frmAbout::buildTexts()
{
    Command1 = place<QPushButton>(this, "Command1", twips(2760, 3960, 1575, 375));
    Command1->setText(QStringLiteral("&OK"));
    Command1->setFont(sans(8.25));
    // Not the dialog's default button: Enter presses it only while it has the focus.
    Command1->setDefault(false);
    Command1->setAutoDefault(true);
    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);

    Label8 = text(place<QLabel>(this, "Label8", twips(0, 1680, 6975, 255)),
                  QStringLiteral("Azienda"), sans(9.75, true), lightGrey, Qt::AlignHCenter);
    Label7 = text(place<QLabel>(this, "Label7", twips(120, 3240, 6735, 735)), legalNotice(), font(),
                  lavender, Qt::AlignLeft);
    Label3 = place<ClickLabel>(this, "Label3", twips(0, 1920, 6975, 255));
    text(Label3, QStringLiteral("Copyright"), sans(9.75, true), lightGrey, Qt::AlignHCenter);
    Label3->setToolTip(QString::fromUtf8(info::websiteAddress));
    Label3->setCursor(Qt::PointingHandCursor);
    Label2 = text(place<QLabel>(this, "Label2", twips(0, 1440, 6975, 255)),
                  QStringLiteral("Per sistemi operativi Microsoft Windows®"), sans(9.75, true),
                  Qt::white, Qt::AlignHCenter);
    Label1 = text(place<QLabel>(this, "Label1", twips(0, 960, 6975, 495)),
                  QStringLiteral("Programma"), sans(18, true), Qt::white, Qt::AlignHCenter);

    connect(Label3, &ClickLabel::clicked, this, &frmAbout::onLabel3Clicked);
}

void frmAbout::load()
{
    const VersionInfo& info = services_.info;
    if (info.applicationTitle)
        setWindowTitle(windowTitle() + *info.applicationTitle);
    if (info.applicationTitle)
        Label1->setText(*info.applicationTitle);
    showIcon();
    if (info.legalCopyright)
        Label3->setText(*info.legalCopyright);
    if (info.companyName)
        Label8->setText(*info.companyName);
    applyOutline();
}

void frmAbout::showIcon()
{
    const QPixmap icon = services_.mainWindowIcon.pixmap(QSize(32, 32));
    if (icon.isNull())
        return;
    Picture4->setPixmap(icon);
    // The box sizes itself to its picture, border included.
    const int border = Picture4->frameWidth();
    Picture4->resize(icon.deviceIndependentSize().toSize() + QSize(2 * border, 2 * border));
}

void frmAbout::applyOutline()
{
    const DotsPerInch dpi = services_.dotsPerInch.value_or(screenDotsPerInch());
    // Qt lays the window out in device-independent pixels, so the logical
    // density is the one that matches the panel the background shows.
    if (const auto outline = CreaRegione(1.0f, 1.0f, 0, 0, dpi.x, dpi.y))
        setMask(outlineRegion(*outline, size()));
}

DotsPerInch frmAbout::screenDotsPerInch() const
{
    const QScreen* screen = this->screen();
    if (!screen)
        return {0, 0}; // no screen, no outline
    return {screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY()};
}

void frmAbout::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
}

void frmAbout::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    // Where a platform cuts only the drawing (offscreen, tests), presses outside
    // the outline still arrive here; they do not belong to the panel.
    if (!mask().isEmpty() && !mask().contains(event->position().toPoint()))
        return;
    QWindow* window = windowHandle();
    if (!window)
        return;
    if (services_.startMove)
        services_.startMove(*window);
    else
        window->startSystemMove();
}

void frmAbout::keyPressEvent(QKeyEvent* event)
{
    // There is no cancel button: Esc leaves the window open.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmAbout::openAddress(const QString& address)
{
    services_.opener.open(QUrl::fromUserInput(address));
}

void frmAbout::onLabel3Clicked()
{
    openAddress(Label3->toolTip());
}

void frmAbout::onPicture5Clicked()
{
    openAddress(Label3->toolTip());
}

void frmAbout::onPicture1Clicked()
{
    openAddress(QString::fromUtf8(info::socialAddress));
}

void frmAbout::onDonazioneClicked()
{
    openAddress(QString::fromUtf8(info::donationAddress));
}

} // namespace tessaline

#include "MDIForm1.h"

#include "AppInfo.h"
#include "ClickLabel.h"
#include "Layout.h"
#include "FailureText.h"
#include "FolderListing.h"
#include "LeadingNumber.h"
#include "PictureBox.h"
#include "RunChecks.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace tessaline {
namespace {

constexpr int defaultOutputSide = 300;
constexpr int defaultQuality = 75;
const QColor lightGrey(0xC0, 0xC0, 0xC0);

template <class W, class... Args>
W* place(QWidget* parent, const char* name, QRect where, Args&&... args)
{
    auto* widget = new W(std::forward<Args>(args)..., parent);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(where);
    return widget;
}

QLineEdit* folderField(QWidget* frame, const char* name)
{
    auto* field = place<QLineEdit>(frame, name, twips(120, 482, 5668, 389));
    field->setReadOnly(true);
    field->setFont(sans(9.75, true));
    return field;
}

QLineEdit* sizeField(QWidget* frame, const char* name, int top)
{
    auto* field = place<QLineEdit>(frame, name, twips(1082, top, 737, 308),
                                   QString::number(defaultOutputSide));
    field->setAlignment(Qt::AlignCenter);
    field->setFrame(false);
    return field;
}

void markInvalid(QLineEdit* field, bool invalid)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, invalid ? Qt::red : field->parentWidget()->palette().color(QPalette::Text));
    field->setPalette(palette);
    field->setProperty("invalid", invalid);
}

std::string nativePath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

MDIForm1::MDIForm1(Services services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)), pipeline_(services_.loader)
{
    setObjectName(QStringLiteral("MDIForm1"));
    setFont(sans(8.25));
    resize(805, 429); // the client area, 12075 x 6435 twips
    buildFolderFrames();
    buildSizeFrame();
    buildOptionsFrame();
    buildDonationFrame();
    buildPreviewAndStart();
}

MDIForm1::~MDIForm1() = default;

QString MDIForm1::folderDialogTitle()
{
    return QStringLiteral(
        "Hello World. Click on a directory and it's path will be displayed in a message box");
}

QString MDIForm1::caption()
{
    return QStringLiteral("%1 %2 by %3 [%4]")
        .arg(QLatin1String(info::productName), QLatin1String(info::version),
             QLatin1String(info::companyName), QLatin1String(info::website));
}

void MDIForm1::buildFolderFrames()
{
    auto* frame1 = place<QGroupBox>(this, "Frame1", twips(241, 121, 6271, 1100),
                                    QStringLiteral("Cartella di origine"));
    Text1 = folderField(frame1, "Text1");
    Command2 = place<QPushButton>(frame1, "Command2", twips(5775, 482, 376, 377), QStringLiteral("...."));

    auto* frame2 = place<QGroupBox>(this, "Frame2", twips(241, 1327, 6271, 1100),
                                    QStringLiteral("Cartella di destinazione"));
    Text2 = folderField(frame2, "Text2");
    Command3 = place<QPushButton>(frame2, "Command3", twips(5775, 482, 376, 377), QStringLiteral("...."));

    connect(Command2, &QPushButton::clicked, this, &MDIForm1::onCommand2Clicked);
    connect(Command3, &QPushButton::clicked, this, &MDIForm1::onCommand3Clicked);
}

void MDIForm1::buildSizeFrame()
{
    auto* frame3 = place<QGroupBox>(this, "Frame3", twips(241, 2532, 3263, 1461),
                                    QStringLiteral("Dimensione immagine da salvare"));
    place<QLabel>(frame3, "Label1", twips(241, 482, 1098, 256), QStringLiteral("Larghezza"));
    Text3 = sizeField(frame3, "Text3", 482);
    place<QLabel>(frame3, "Label2", twips(241, 844, 1098, 256), QStringLiteral("Altezza"));
    Text4 = sizeField(frame3, "Text4", 844);

    connect(Text3, &QLineEdit::textChanged, this, [this] { applySizeField(Text3); });
    connect(Text4, &QLineEdit::textChanged, this, [this] { applySizeField(Text4); });
}

void MDIForm1::buildOptionsFrame()
{
    auto* frame4 = place<QGroupBox>(this, "Frame4", twips(241, 4080, 3263, 1560), QStringLiteral("Opzioni"));
    Option1 = place<QRadioButton>(frame4, "Option1", twips(120, 360, 1455, 255),
                                  QStringLiteral("Esporta in Jpeg"));
    Option1->setChecked(true);
    auto* label5 = place<QLabel>(frame4, "Label5", twips(1320, 480, 1095, 255), QStringLiteral("Qualità %"));
    label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Text5 = place<QLineEdit>(frame4, "Text5", twips(2520, 480, 375, 195), QString::number(defaultQuality));
    Text5->setReadOnly(true);
    Text5->setAlignment(Qt::AlignCenter);
    Text5->setFrame(false);
    Text5->setTextMargins(0, 0, 0, 0);
    Text5->setContentsMargins(0, 0, 0, 0);

    HScroll1 = place<QScrollBar>(frame4, "HScroll1", twips(120, 720, 2895, 255), Qt::Horizontal);
    HScroll1->setRange(1, 100);
    HScroll1->setSingleStep(1);
    HScroll1->setPageStep(1);
    HScroll1->setValue(defaultQuality);
    HScroll1->setTracking(false); // a dragged thumb reports only when released
    connect(HScroll1, &QScrollBar::valueChanged, this, &MDIForm1::onHScroll1Changed);

    auto* line3 = place<QFrame>(frame4, "Line3", QRect(8, 72, 193, 1));
    line3->setAutoFillBackground(true);
    QPalette grey = line3->palette();
    grey.setColor(QPalette::Window, lightGrey);
    line3->setPalette(grey);

    Option2 = place<QRadioButton>(frame4, "Option2", twips(120, 1200, 1455, 255),
                                  QStringLiteral("Esporta in gif"));
}

void MDIForm1::buildDonationFrame()
{
    File1 = place<QListWidget>(this, "File1", twips(3600, 2520, 2895, 1395));
    File1->setFrameShape(QFrame::Box);
    File1->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(File1, &QListWidget::currentRowChanged, this, &MDIForm1::onFile1RowChanged);

    auto* frame5 = place<QGroupBox>(this, "Frame5", twips(3600, 4080, 2895, 1575),
                                    QStringLiteral("Donazione..."));
    auto* label3 = place<QLabel>(
        frame5, "Label3", twips(120, 240, 2655, 975),
        QStringLiteral("Se vuoi contribuisci allo sviluppo di questo software con una donazione. Grazie."));
    label3->setFont(sans(8.25, false, true));
    label3->setWordWrap(true);
    label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* image1 = place<QLabel>(frame5, "Image1", twips(1800, 840, 900, 570));
    image1->setPixmap(QPixmap(QStringLiteral(":/pictures/Image1.png")));

    Label4 = place<ClickLabel>(frame5, "Label4", twips(120, 1200, 1695, 255),
                               QStringLiteral("clicca qui per donare..."));
    QFont underlined = font();
    underlined.setUnderline(true);
    Label4->setFont(underlined);
    QPalette blue = Label4->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    Label4->setPalette(blue);
    Label4->setCursor(Qt::PointingHandCursor);
    connect(Label4, &ClickLabel::clicked, this, &MDIForm1::onLabel4Clicked);
}

void MDIForm1::buildPreviewAndStart()
{
    auto* shape1 = place<QFrame>(this, "Shape1", twips(6600, 240, 4815, 4815));
    shape1->setFrameShape(QFrame::Box);
    QPalette grey = shape1->palette();
    grey.setColor(QPalette::WindowText, lightGrey);
    shape1->setPalette(grey);

    Picture2 = place<PictureBox>(this, "Picture2", twips(6737, 362, 4571, 4581));
    Picture2->setDrawableSize({defaultOutputSide, defaultOutputSide});

    Command1 = place<QPushButton>(this, "Command1", twips(8040, 5160, 1935, 497),
                                  QStringLiteral("Avvia operazione..."));
    connect(Command1, &QPushButton::clicked, this, &MDIForm1::onCommand1Clicked);

    Picture4 = place<QFrame>(this, "Picture4", twips(120, 5788, 11775, 497));
    static_cast<QFrame*>(Picture4)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture4->hide();
    Picture5 = place<QLabel>(Picture4, "Picture5", twips(0, 0, 135, 495));
    Picture5->setAutoFillBackground(true);
    QPalette blue = Picture5->palette();
    blue.setColor(QPalette::Window, QColor(0, 0, 255));
    Picture5->setPalette(blue);
}

void MDIForm1::start()
{
    if (services_.showAbout)
        services_.showAbout();
    setWindowTitle(caption());
    Text1->setText(services_.applicationFolder);
    showFolder(Text1->text());
}

void MDIForm1::ScegliCartella(QLineEdit* target)
{
    if (const auto folder = services_.folders.chooseFolder(this, folderDialogTitle()))
        target->setText(*folder);
}

void MDIForm1::onCommand2Clicked()
{
    ScegliCartella(Text1);
    showFolder(Text1->text());
}

void MDIForm1::onCommand3Clicked()
{
    ScegliCartella(Text2);
}

void MDIForm1::showFolder(const QString& folder)
{
    listedFolder_ = folder;
    const QSignalBlocker quiet(File1);
    File1->clear();
    for (const std::string& name : listPictures(nativePath(folder))) {
        const QByteArray bytes = QByteArray::fromStdString(name);
        auto* item = new QListWidgetItem(QFile::decodeName(bytes), File1);
        item->setData(Qt::UserRole, bytes);
    }
    File1->setCurrentRow(-1);
}

void MDIForm1::onHScroll1Changed(int value)
{
    Text5->setText(QString::number(value));
}

void MDIForm1::applySizeField(QLineEdit* field)
{
    const std::optional<int> side = outputSideFromText(field->text().toStdString());
    markInvalid(field, !side);
    if (!side)
        return;
    Size size = Picture2->drawableSize();
    (field == Text3 ? size.width : size.height) = *side;
    if (size == Picture2->drawableSize())
        return;
    Picture2->setDrawableSize(size);
    renderSelected(); // the preview always shows what would be written
}

void MDIForm1::onFile1RowChanged(int)
{
    renderSelected();
}

void MDIForm1::renderSelected()
{
    const int row = File1->currentRow();
    Picture2->clear();
    if (row < 0)
        return;
    const QByteArray name = File1->item(row)->data(Qt::UserRole).toByteArray();
    const std::string path = joinPath(nativePath(listedFolder_), name.toStdString());
    Result<Picture> rendered = pipeline_.render(path, Picture2->drawableSize());
    if (!rendered) {
        emit renderFailed(row);
        services_.messages.show(this, MessageBoxes::Icon::Warning, QLatin1String(info::applicationTitle),
                                QStringLiteral("Impossibile mostrare l'immagine.\n%1")
                                    .arg(failureText(rendered.failure())));
        return;
    }
    Picture2->setPicture(std::move(rendered.value()));
    emit fileRendered(row);
}

void MDIForm1::onLabel4Clicked()
{
    services_.opener.open(QUrl::fromLocalFile(services_.applicationFolder + QStringLiteral("/paypal.htm")));
}

// Follows the run in the window: the entry being written is selected and shown,
// the bar grows by one step per file, and the window repaints between files.
class MDIForm1::RunProgress final : public RunObserver {
public:
    RunProgress(MDIForm1& window, float step) : w_(window), step_(step) {}

    void fileStarted(int index) override
    {
        const QSignalBlocker quiet(w_.File1); // the run renders; the list must not render again
        w_.File1->setCurrentRow(index);
        w_.Picture2->clear();
    }
    void fileRendered(int, const Picture& picture) override { w_.Picture2->setPicture(picture); }
    void fileConverted(int index, const std::string&) override { advance(index); }
    void fileFailed(int index, const Failure&) override { advance(index); }
    bool stopRequested() override
    {
        QApplication::processEvents();
        return w_.closeRequested_;
    }

private:
    void advance(int index)
    {
        width_ += step_;
        w_.Picture5->resize(static_cast<int>(width_), w_.Picture5->height());
        emit w_.runFileDone(index);
        QApplication::processEvents();
    }

    MDIForm1& w_;
    float step_;
    float width_ = 0;
};

BatchJob MDIForm1::currentJob() const
{
    BatchJob job;
    job.sourceFolder = nativePath(listedFolder_);
    for (int i = 0; i < File1->count(); ++i)
        job.names.push_back(File1->item(i)->data(Qt::UserRole).toByteArray().toStdString());
    job.destinationFolder = nativePath(Text2->text());
    job.output = Picture2->drawableSize();
    job.settings.format = Option2->isChecked() ? OutputFormat::Gif : OutputFormat::Jpeg;
    job.settings.quality = Text5->text().toStdString();
    job.bitmapPath = nativePath(services_.temporaryBitmap);
    return job;
}

std::optional<QString> MDIForm1::jobProblem(const BatchJob& job) const
{
    if (Text3->property("invalid").toBool() || Text4->property("invalid").toBool())
        return QStringLiteral("La larghezza e l'altezza devono essere numeri interi da 1 a 10000: "
                              "correggi il campo segnato in rosso.");
    if (const std::optional<RunProblem> problem = checkRun(job))
        return runProblemText(*problem);
    return std::nullopt;
}

void MDIForm1::setInputEnabled(bool enabled)
{
    for (QWidget* control : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (control != Picture2 && control != Picture4)
            control->setEnabled(enabled);
    if (enabled)
        QApplication::restoreOverrideCursor();
    else
        QApplication::setOverrideCursor(Qt::BusyCursor);
}

void MDIForm1::onCommand1Clicked()
{
    if (running_)
        return;
    const BatchJob job = currentJob();
    if (const auto problem = jobProblem(job)) {
        services_.messages.show(this, MessageBoxes::Icon::Warning, QLatin1String(info::applicationTitle),
                                *problem);
        return;
    }

    running_ = true;
    setInputEnabled(false);
    Picture5->resize(0, Picture5->height());
    Picture4->show();
    RunProgress progress(*this, progressStep(static_cast<float>(Picture4->width()),
                                             static_cast<int>(job.names.size())));
    const RunSummary summary = BatchRun(pipeline_, services_.bitmaps, services_.exporter).run(job, progress);
    running_ = false;
    setInputEnabled(true);

    emit runFinished(summary);
    if (!closeRequested_)
        reportRun(job, summary);
    Picture4->hide();
    if (closeRequested_)
        close();
}

void MDIForm1::reportRun(const BatchJob& job, const RunSummary& summary)
{
    const QString title = QLatin1String(info::applicationTitle);
    if (summary.failures.empty() && !summary.stopped) {
        services_.messages.show(this, MessageBoxes::Icon::Information, title,
                                QStringLiteral("Conversione terminata con successo."));
        return;
    }
    QString text = QStringLiteral("Conversione terminata: %1 immagini scritte su %2.")
                       .arg(summary.written)
                       .arg(job.names.size());
    if (!summary.failures.empty()) {
        text += QStringLiteral("\n\nNon convertite:");
        constexpr int shown = 15;
        for (std::size_t i = 0; i < summary.failures.size() && i < shown; ++i)
            text += QStringLiteral("\n- ") + failureText(summary.failures[i].failure);
        if (summary.failures.size() > shown)
            text += QStringLiteral("\n... e altre %1.").arg(summary.failures.size() - shown);
    }
    services_.messages.show(this, MessageBoxes::Icon::Warning, title, text);
}

void MDIForm1::closeEvent(QCloseEvent* event)
{
    if (running_) {
        // The run ends after the file in hand and closes the window then.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace tessaline

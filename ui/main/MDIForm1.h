#pragma once

// The main window: the job's settings, the file list, the preview and the start
// button. Controls carry the names of the window's design (Text1, Picture2...)
// as their object names, so tests and readers find them by those names.

#include "BatchRun.h"
#include "Dialogs.h"
#include "Exporter.h"
#include "FitPipeline.h"

#include <QWidget>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace tessaline {

class ClickLabel;
class PictureBox;

class MDIForm1 : public QWidget {
    Q_OBJECT
public:
    struct Services {
        FolderDialog& folders;
        UrlOpener& opener;
        MessageBoxes& messages;
        PictureLoader& loader;
        BitmapStore& bitmaps;
        Exporter& exporter;
        QString applicationFolder; // the program's own folder, no trailing "/"
        QString temporaryBitmap;   // where each rendering is saved before its export
        // Shows the About window modally and returns when it is closed; may be empty.
        std::function<void()> showAbout = {};
    };

    explicit MDIForm1(Services services, QWidget* parent = nullptr);
    ~MDIForm1() override;

    // The start-up sequence: the About window first, then caption, source folder, list.
    void start();

    // The folder dialog's title.
    static QString folderDialogTitle();
    // The window's caption after start-up.
    static QString caption();

signals:
    void fileRendered(int row);
    void renderFailed(int row);
    // The batch run finished a file (written or failed) and the bar has grown.
    void runFileDone(int row);
    void runFinished(const tessaline::RunSummary& summary);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildFolderFrames();
    void buildSizeFrame();
    void buildOptionsFrame();
    void buildDonationFrame();
    void buildPreviewAndStart();

    void ScegliCartella(QLineEdit* target);
    void showFolder(const QString& folder);
    void renderSelected();
    void applySizeField(QLineEdit* field);

    void onCommand2Clicked();
    void onCommand3Clicked();
    void onHScroll1Changed(int value);
    void onFile1RowChanged(int row);
    void onLabel4Clicked();
    void onCommand1Clicked();

    class RunProgress;
    std::optional<QString> jobProblem(const BatchJob& job) const;
    BatchJob currentJob() const;
    void setInputEnabled(bool enabled);
    void reportRun(const BatchJob& job, const RunSummary& summary);

    Services services_;
    FitPipeline pipeline_;
    QString listedFolder_; // the folder File1 shows; names load from here
    bool running_ = false;
    bool closeRequested_ = false; // closing during a run: stop after the file in hand

    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLineEdit* Text5 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QListWidget* File1 = nullptr;
    ClickLabel* Label4 = nullptr;
    PictureBox* Picture2 = nullptr;
    QWidget* Picture4 = nullptr;
    QLabel* Picture5 = nullptr;
};

} // namespace tessaline

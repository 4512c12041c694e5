#pragma once

// The About window: borderless, without a taskbar entry, shaped to the blue
// panel of its background and shown modally at every start. Controls carry the
// names of the window's design (Label1, Command1, Picture4, Donazione...) as
// their object names. Layout is in pixels of a 96 dots-per-inch screen; the
// outline follows the screen's logical dots per inch.
//
// The load runs in the constructor, one step at a time: a step that cannot be
// done (a missing entry of the version information, no icon, no outline) is
// skipped without a message, leaving its control as stored, and the next runs.

#include "Dialogs.h"

#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QWindow;

namespace tessaline {

class ClickLabel;

// The entries of the program's version information that the window shows.
struct VersionInfo {
    std::optional<QString> applicationTitle;
    std::optional<QString> companyName;
    std::optional<QString> legalCopyright;
};

// The program's own version information.
VersionInfo programVersionInfo();

struct DotsPerInch {
    double x = 96;
    double y = 96;
};

class frmAbout : public QDialog {
    Q_OBJECT
public:
    struct Services {
        UrlOpener& opener;
        QIcon mainWindowIcon;                    // shown in Picture4; a null icon leaves it empty
        VersionInfo info = programVersionInfo(); // title, company and legal lines
        std::optional<DotsPerInch> dotsPerInch = {}; // nothing: the window's screen's, logical
        // Starts the window system's move of the window; empty: QWindow::startSystemMove.
        std::function<bool(QWindow&)> startMove = {};
    };

    explicit frmAbout(Services services, QWidget* parent = nullptr);
    ~frmAbout() override;

    // Builds the window, shows it modally with no owner and returns once it is closed.
    static void showModally(Services services);

    // The caption stored with the window, to which the load appends the title.
    static QString storedCaption();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildLinkPictures();
    void buildTexts();
    void load();
    void showIcon();
    void applyOutline();
    DotsPerInch screenDotsPerInch() const;
    void openAddress(const QString& address);

    void onLabel3Clicked();
    void onPicture5Clicked();
    void onPicture1Clicked();
    void onDonazioneClicked();

    Services services_;
    QPixmap background_;

    ClickLabel* Donazione = nullptr;
    ClickLabel* Picture5 = nullptr;
    ClickLabel* Picture1 = nullptr;
    QLabel* Picture4 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label7 = nullptr;
    ClickLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
};

} // namespace tessaline

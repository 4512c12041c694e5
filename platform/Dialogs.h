#pragma once

// The windows' seams to the desktop: the folder dialog, opening a page or an
// address with the system's default program, and message boxes. Each has a
// real implementation on Qt and a fake twin (Fakes.h) that tests drive.

#include <QString>
#include <QUrl>
#include <optional>

class QWidget;

namespace tessaline {

class FolderDialog {
public:
    virtual ~FolderDialog() = default;
    // The chosen folder's path, or nothing when the user cancels.
    virtual std::optional<QString> chooseFolder(QWidget* parent, const QString& title) = 0;
};

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // Hands the address to the system's default program; does not wait for it.
    virtual void open(const QUrl& url) = 0;
};

class MessageBoxes {
public:
    enum class Icon { Information, Warning, Critical };
    virtual ~MessageBoxes() = default;
    // A modal box with one OK button; returns when it is closed.
    virtual void show(QWidget* parent, Icon icon, const QString& title, const QString& text) = 0;
};

class QtFolderDialog final : public FolderDialog {
public:
    std::optional<QString> chooseFolder(QWidget* parent, const QString& title) override;
};

class QtUrlOpener final : public UrlOpener {
public:
    void open(const QUrl& url) override;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    void show(QWidget* parent, Icon icon, const QString& title, const QString& text) override;
};

} // namespace tessaline

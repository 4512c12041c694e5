#pragma once

// Fake twins of the desktop seams, for tests: scripted answers, recorded calls.

#include "Dialogs.h"

#include <QList>
#include <QStringList>
#include <deque>

namespace tessaline {

class FakeFolderDialog final : public FolderDialog {
public:
    std::deque<std::optional<QString>> answers; // next answers; cancel when empty
    QStringList titles;                         // the title of every showing

    std::optional<QString> chooseFolder(QWidget*, const QString& title) override
    {
        titles << title;
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class FakeUrlOpener final : public UrlOpener {
public:
    QList<QUrl> opened;
    void open(const QUrl& url) override { opened << url; }
};

class FakeMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        Icon icon;
        QString title;
        QString text;
    };
    QList<Shown> shown;
    void show(QWidget*, Icon icon, const QString& title, const QString& text) override
    {
        shown << Shown{icon, title, text};
    }
};

} // namespace tessaline

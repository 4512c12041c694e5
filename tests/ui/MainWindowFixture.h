#pragma once

// The main window under test: real picture files in a folder whose path has a
// blank and an accent, real loading and export, faked dialogs and message boxes.

#include "Fakes.h"
#include "MDIForm1.h"
#include "PictureBox.h"
#include "VipsExporter.h"
#include "VipsPictureLoader.h"
#include "WindowsBitmapStore.h"

#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace tessaline {

inline QImage solid(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

inline bool closeTo(QRgb pixel, QColor want, int tolerance = 6)
{
    return std::abs(qRed(pixel) - want.red()) <= tolerance && std::abs(qGreen(pixel) - want.green()) <= tolerance &&
           std::abs(qBlue(pixel) - want.blue()) <= tolerance;
}

class MDIForm1Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(appDir_.isValid());
        ASSERT_TRUE(QDir(appDir_.path()).mkpath(QStringLiteral("my pictures/è")));
        appFolder_ = appDir_.path() + QStringLiteral("/my pictures/è");
        window_ = std::make_unique<MDIForm1>(
            MDIForm1::Services{folders_, opener_, messages_, loader_, bitmaps_, exporter_, appFolder_,
                               appFolder_ + QStringLiteral("/temp.bmp"), [this] { aboutShown(); }});
    }

    void aboutShown()
    {
        ++aboutShowings_;
        titleWhileAbout_ = window_->windowTitle();
        text1WhileAbout_ = field("Text1")->text();
    }

    template <class T = QWidget>
    T* control(const char* name) const
    {
        T* widget = window_->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit* field(const char* name) const { return control<QLineEdit>(name); }
    QListWidget* list() const { return control<QListWidget>("File1"); }
    PictureBox* preview() const { return control<PictureBox>("Picture2"); }

    QString save(const QString& folder, const QString& name, const QImage& image) const
    {
        const QString path = folder + QLatin1Char('/') + name;
        EXPECT_TRUE(image.save(path, "JPG", 95)) << path.toStdString();
        return path;
    }

    void retype(const char* name, const QString& text)
    {
        QLineEdit* f = field(name);
        f->selectAll();
        QTest::keyClicks(f, text);
    }

    QStringList listed() const
    {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names << list()->item(i)->text();
        return names;
    }

    QTemporaryDir appDir_;
    QString appFolder_;
    FakeFolderDialog folders_;
    FakeUrlOpener opener_;
    FakeMessageBoxes messages_;
    VipsPictureLoader loader_;
    WindowsBitmapStore bitmaps_;
    VipsExporter exporter_{bitmaps_};
    std::unique_ptr<MDIForm1> window_;
    int aboutShowings_ = 0;
    QString titleWhileAbout_, text1WhileAbout_;
};

} // namespace tessaline

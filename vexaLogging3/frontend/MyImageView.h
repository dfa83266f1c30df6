#pragma once

#include <QByteArray>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

#include "platform/Controls.h"

// A picture of the editor's strip. The main one (imgEdit) can fill the screen; Escape, with
// the keyboard on it, brings it back into its window.
class MyImageView final : public QWidget, public platform::ImageView {
public:
    explicit MyImageView(QWidget* parent = nullptr);

    bool showPicture(const platform::Bytes& encoded) override;
    void clearPicture() override;
    void pictureAhead(const platform::Bytes& encoded) override;
    void enterFullScreenMode() override;
    void exitFullScreenMode() override;
    bool isInFullScreenMode() const override;

    // Takes image files dragged onto the view: `dropped` gets the path of each, once the drop
    // is over.
    void acceptFileDrops(std::function<void(const std::string& path)> dropped);

    // What the view shows; null when it shows nothing.
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The picture decoded at the view's size, through the cache the editor's views share.
    void fitPicture();

    QByteArray m_encoded;
    QImage m_picture;
    // The place in its window the view returns to; null while the view is in that place.
    QPointer<QWidget> m_home;
    std::function<void(const std::string&)> m_dropped;
};

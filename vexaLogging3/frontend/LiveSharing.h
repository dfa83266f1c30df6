#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "platform/PictureConverter.h"
#include "platform/Video.h"
#include "platform/http/MhdListener.h"
#include "share/EventFeed.h"
#include "share/LiveShare.h"
#include "share/ShareSite.h"

class QCheckBox;
class QDialog;
class QLabel;
class QTimer;
class QWidget;
class vexaLogging3AppDelegate;

// View ▸ Share Live Log…: the log as a read-only web page for the rest of the crew, its
// dialog (on or off, on the network or not, the address as a link and as a QR code) and the
// line under the status line that shows the address while it runs.
class LiveSharing final : public QObject {
public:
    LiveSharing(vexaLogging3AppDelegate& controller, platform::ImageCodec& codec,
                platform::PictureConverter* converter, QLabel* statusLine, QWidget* parent);
    ~LiveSharing() override;

    // Starts sharing at `endpoint`; false with `why` when it cannot listen there.
    bool start(const share::Endpoint& endpoint, bool withToken, std::string& why);
    void stop();
    QString url() const { return QString::fromStdString(m_live.url()); }
    void showDialog();

private:
    void showState();

    share::ShareSite m_site;
    share::EventFeed m_feed;
    platform::http::MhdListener m_listener;
    share::LiveShare m_live;
    QLabel* m_statusLine;
    QWidget* m_parent;
    QTimer* m_ticks;
    share::Endpoint m_endpoint;
    QDialog* m_dialog = nullptr;
    QCheckBox* m_on = nullptr;
    QCheckBox* m_network = nullptr;
    QLabel* m_link = nullptr;
    QLabel* m_code = nullptr;
    QLabel* m_problem = nullptr;
};

// The QR code of `text`, `scale` pixels a module with the quiet zone around it; a null image
// when the text does not fit in one.
QImage qrCode(const QString& text, int scale);

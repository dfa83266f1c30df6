#include "frontend/LiveSharing.h"

#include <qrencode.h>

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

#include "share/SharePage.h"
#include "vexaLogging3AppDelegate.h"

QImage qrCode(const QString& text, int scale) {
    const QByteArray utf8 = text.toUtf8();
    QRcode* code = QRcode_encodeString(utf8.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (code == nullptr)
        return {};
    constexpr int kQuiet = 4;
    const int side = (code->width + 2 * kQuiet) * scale;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; y < code->width; ++y)
        for (int x = 0; x < code->width; ++x)
            if ((code->data[y * code->width + x] & 1) != 0)
                painter.fillRect((x + kQuiet) * scale, (y + kQuiet) * scale, scale, scale, Qt::black);
    painter.end();
    QRcode_free(code);
    return image;
}

LiveSharing::LiveSharing(vexaLogging3AppDelegate& controller, platform::ImageCodec& codec,
                         platform::PictureConverter* converter, QLabel* statusLine,
                         QWidget* parent)
    : m_site(std::string(share::sharePage()), codec, converter),
      m_listener(m_site, m_feed),
      m_live({&controller.logStartArray, [&controller] { return controller.runningTimecodeText; },
              [&controller] { return int{controller.reportedLoggingState}; },
              [&controller] { return controller.projectName(); }},
             m_site, m_feed, m_listener),
      m_statusLine(statusLine),
      m_parent(parent),
      m_ticks(new QTimer(this)) {
    m_ticks->setInterval(share::LiveShare::kTick);
    connect(m_ticks, &QTimer::timeout, this, [this] { m_live.tick(); });
    showState();
}

LiveSharing::~LiveSharing() { stop(); }

bool LiveSharing::start(const share::Endpoint& endpoint, bool withToken, std::string& why) {
    m_endpoint = endpoint;
    const bool started = m_live.start(endpoint, withToken, why);
    if (started)
        m_ticks->start();
    showState();
    return started;
}

void LiveSharing::stop() {
    m_ticks->stop();
    m_live.stop();
    showState();
}

void LiveSharing::showState() {
    const QString address = url();
    if (m_statusLine != nullptr) {
        m_statusLine->setText(tr("Sharing the live log at %1").arg(address));
        m_statusLine->setVisible(m_live.running());
    }
    if (m_dialog == nullptr)
        return;
    const QSignalBlocker quietOn(m_on);
    const QSignalBlocker quietNetwork(m_network);
    m_on->setChecked(m_live.running());
    m_network->setChecked(!share::isLoopback(m_endpoint.address));
    m_link->setText(m_live.running()
                        ? QStringLiteral("<a href=\"%1\">%1</a>").arg(address.toHtmlEscaped())
                        : tr("Not shared."));
    const QImage code = m_live.running() ? qrCode(address, 5) : QImage();
    m_code->setPixmap(QPixmap::fromImage(code));
    m_code->setVisible(!code.isNull());
}

void LiveSharing::showDialog() {
    if (m_dialog == nullptr) {
        m_dialog = new QDialog(m_parent);
        m_dialog->setWindowTitle(tr("Share Live Log"));
        auto* layout = new QVBoxLayout(m_dialog);
        auto* about = new QLabel(
            tr("A read-only web page of the log for the rest of the crew: the running timecode "
               "and every take, as they come. Nothing on the page changes the log."),
            m_dialog);
        about->setWordWrap(true);
        layout->addWidget(about);
        m_on = new QCheckBox(tr("&Share the live log"), m_dialog);
        m_network = new QCheckBox(tr("Share on the &network (with an access code in the address)"),
                                  m_dialog);
        m_link = new QLabel(m_dialog);
        m_link->setOpenExternalLinks(true);
        m_link->setTextInteractionFlags(Qt::TextBrowserInteraction);
        m_code = new QLabel(m_dialog);
        m_code->setAlignment(Qt::AlignCenter);
        m_problem = new QLabel(m_dialog);
        m_problem->setWordWrap(true);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, m_dialog);
        layout->addWidget(m_on);
        layout->addWidget(m_network);
        layout->addWidget(m_link);
        layout->addWidget(m_code);
        layout->addWidget(m_problem);
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::rejected, m_dialog, &QDialog::hide);
        const auto apply = [this] {
            share::Endpoint endpoint = m_endpoint;
            const bool network = m_network->isChecked();
            if (network && share::isLoopback(endpoint.address))
                endpoint.address = "0.0.0.0";
            else if (!network)
                endpoint.address = "127.0.0.1";
            std::string why;
            m_problem->clear();
            if (m_on->isChecked()) {
                if (!start(endpoint, network, why))
                    m_problem->setText(QString::fromStdString(why));
            } else {
                m_endpoint = endpoint;
                stop();
            }
        };
        connect(m_on, &QCheckBox::toggled, this, apply);
        connect(m_network, &QCheckBox::toggled, this, apply);
    }
    showState();
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

#include "vexaLogging3AppDelegate.h"

#include "documents/HeldDialogs.h"

vexaLogging3AppDelegate::vexaLogging3AppDelegate(PlatformServices services,
                                                 platform::Outlets connectedOutlets)
    : outlets(connectedOutlets),
      m_services(services),
      m_stills(services.imageCodec, kJpegCompressionFactor,
               [this] { handOver([this] { storeFinishedPictures(); }); }) {
    LogStartArrayInit();
    m_heldDialogs = std::make_unique<document::HeldDialogs>(
        *outlets.dialogs, [this](const std::function<void()>& ask) {
            auto hold = std::make_shared<DeviceEventHold>(*this);
            ask();
            // The answer takes effect in the action that asked, after this returns: the events
            // wait until that action is over and the main thread's loop runs again.
            m_services.mainThread.post([hold = std::move(hold)] {});
        });
    outlets.dialogs = m_heldDialogs.get();
    myGlobalController.store(this);
}

vexaLogging3AppDelegate::~vexaLogging3AppDelegate() {
    vexaLogging3AppDelegate* self = this;
    myGlobalController.compare_exchange_strong(self, nullptr);
    if (imgEditKopie == outlets.imgEdit)
        imgEditKopie = nullptr;
    // The running device calls back into this controller; it stops before the controller goes.
    m_services.video.stop();
    m_services.video.setPreview(nullptr);
}

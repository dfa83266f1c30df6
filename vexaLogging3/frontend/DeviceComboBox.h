#pragma once

#include <QComboBox>
#include <functional>

// cmbDevicesVal: the device list is built afresh each time it is about to open, so it shows
// the devices plugged in now.
class DeviceComboBox final : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> willPopUp;

    void showPopup() override {
        if (willPopUp)
            willPopUp();
        QComboBox::showPopup();
    }
};

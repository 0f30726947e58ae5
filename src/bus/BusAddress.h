#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QCanBusDevice;

namespace ordane {

// A bus as the command line names it: the text up to the first ':' is the QtSerialBus
// plugin, the rest the device as that plugin takes it ("virtualcan:can0",
// "socketcan:can1", "virtualcan:tcp://127.0.0.1:35600/can1").
struct BusAddress {
    QString plugin;
    QString device;
    QString text() const { return plugin + ':' + device; }
};

// Throws Error when the text has no plugin or no device.
BusAddress parseBusAddress(const QString& text);

struct BusPlugin {
    QString name;
    QStringList devices;
};

// Every plugin QtSerialBus finds, each with the devices it offers now.
std::vector<BusPlugin> availableBuses();
// "plugins: socketcan (can0, can1), virtualcan (can0, can1), peakcan (no devices)".
QString availableText(const std::vector<BusPlugin>& buses);

// Keeps the plugins' progress notes and a missing vendor library's warning off standard error;
// QT_LOGGING_RULES still shows them.
void quietBusPluginLogs();

// Creates the device, not yet connected. An unknown plugin or device throws Error naming it
// and listing what is available. A virtual bus device may be given as a URL whose last part
// is one of its devices. The bit rate (bit/s, 0 for none) is set where the plugin takes one.
std::unique_ptr<QCanBusDevice> createBusDevice(const BusAddress& address, int bitRate);

} // namespace ordane

#include "bus/BusAddress.h"

#include "core/Error.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QLoggingCategory>
#include <QUrl>
#include <QVariant>

namespace ordane {

namespace {

const QString kVirtual = QStringLiteral("virtualcan");

std::string text(const QString& s) {
    return s.toStdString();
}

} // namespace

void quietBusPluginLogs() {
    QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.*.info=false\n"
                                                    "qt.canbus.plugins.peakcan.warning=false\n"
                                                    "qt.canbus.plugins.peakcan.critical=false"));
}

BusAddress parseBusAddress(const QString& text) {
    const qsizetype colon = text.indexOf(':');
    if (colon <= 0 || colon + 1 == text.size())
        throw Error("'" + ordane::text(text) +
                    "' is no bus: give PLUGIN:DEVICE, as in virtualcan:can0 or socketcan:can1");
    return {text.left(colon), text.mid(colon + 1)};
}

std::vector<BusPlugin> availableBuses() {
    std::vector<BusPlugin> buses;
    QCanBus* bus = QCanBus::instance();
    for (const QString& plugin : bus->plugins()) {
        BusPlugin entry{plugin, {}};
        for (const auto& info : bus->availableDevices(plugin))
            entry.devices.push_back(info.name());
        buses.push_back(std::move(entry));
    }
    return buses;
}

QString availableText(const std::vector<BusPlugin>& buses) {
    QStringList parts;
    for (const BusPlugin& p : buses)
        parts.push_back(p.name + " (" +
                        (p.devices.isEmpty() ? QStringLiteral("no devices") : p.devices.join(", ")) +
                        ")");
    return parts.isEmpty() ? QStringLiteral("no plugins") : "plugins: " + parts.join(", ");
}

std::unique_ptr<QCanBusDevice> createBusDevice(const BusAddress& address, int bitRate) {
    const std::vector<BusPlugin> buses = availableBuses();
    const BusPlugin* plugin = nullptr;
    for (const BusPlugin& p : buses)
        if (p.name == address.plugin)
            plugin = &p;
    if (!plugin)
        throw Error("Unknown CAN plugin '" + text(address.plugin) + "' in '" +
                    text(address.text()) + "'; " + text(availableText(buses)));
    QString device = address.device;
    if (address.plugin == kVirtual && device.contains(QStringLiteral("://"))) {
        const QUrl url(device);
        if (!url.isValid() || url.scheme() != QStringLiteral("tcp"))
            throw Error("'" + text(device) + "' is no virtual bus address; give tcp://HOST:PORT/can0");
        device = url.fileName();
    }
    if (!plugin->devices.contains(device))
        throw Error("Unknown device '" + text(address.device) + "' of the CAN plugin '" +
                    text(address.plugin) + "'; its devices: " +
                    (plugin->devices.isEmpty() ? std::string("none")
                                               : text(plugin->devices.join(", "))) +
                    "; " + text(availableText(buses)));
    QString why;
    std::unique_ptr<QCanBusDevice> created(
        QCanBus::instance()->createDevice(address.plugin, address.device, &why));
    if (!created)
        throw Error("Cannot open '" + text(address.text()) + "': " + text(why));
    if (created->error() != QCanBusDevice::NoError)
        throw Error("Cannot open '" + text(address.text()) + "': " +
                    text(created->errorString()));
    // The virtual bus has no bit rate and ignores it.
    if (bitRate > 0 && address.plugin != kVirtual)
        created->setConfigurationParameter(QCanBusDevice::BitRateKey, QVariant(bitRate));
    return created;
}

} // namespace ordane

#include "app/BusWindow.h"

#include "bus/BusAddress.h"
#include "bus/LiveBus.h"
#include "core/AtomicFile.h"
#include "core/Error.h"
#include "widgets/GuiSupport.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

#include <fstream>
#include <sstream>

namespace ordane {

namespace {

constexpr int kCanopen = 0;
constexpr int kJ1939 = 1;

enum Column { Frame, Bus, Count, Rate, LastData, Objects, ColumnCount };

QString kindText(BusTraffic::Kind kind) {
    switch (kind) {
    case BusTraffic::Kind::J1939Received:
        return QStringLiteral("J1939 received");
    case BusTraffic::Kind::J1939Transmitted:
        return QStringLiteral("J1939 transmitted");
    case BusTraffic::Kind::Tpdo:
        return QStringLiteral("CANopen TPDO");
    case BusTraffic::Kind::Rpdo:
        return QStringLiteral("CANopen RPDO");
    }
    return {};
}

QString dataText(const BusTraffic::Row& row) {
    QString text;
    for (std::size_t i = 0; i < row.length; ++i)
        text += QStringLiteral("%1 ").arg(row.data[i], 2, 16, QLatin1Char('0')).toUpper();
    return text.trimmed();
}

void setCell(QTableWidget* table, int row, int column, const QString& text) {
    QTableWidgetItem* item = table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        table->setItem(row, column, item);
    }
    if (item->text() != text)
        item->setText(text);
}

} // namespace

BusWindow::BusWindow(const AppServices& services, QString choicesFile, QWidget* parent)
    : QWidget(parent, Qt::Window), m_services(services), m_choicesFile(std::move(choicesFile)) {
    setObjectName(QStringLiteral("BusWindow"));
    setWindowTitle(tr("Bus"));
    quietBusPluginLogs();

    auto* outer = new QVBoxLayout(this);
    auto* choice = new QGridLayout;
    const QString sides[2] = {tr("CANopen"), tr("J1939")};
    const QString names[2] = {QStringLiteral("canopen"), QStringLiteral("j1939")};
    QSettings choices(m_choicesFile, QSettings::IniFormat);
    std::vector<QWidget*> tabOrder;
    for (int side : {kCanopen, kJ1939}) {
        auto* label = new QLabel(sides[side]);
        auto* plugin = new QComboBox;
        plugin->setObjectName(names[side] + QStringLiteral("Plugin"));
        plugin->setAccessibleName(sides[side] + tr(" plugin"));
        auto* device = new QComboBox;
        device->setEditable(true);
        device->setObjectName(names[side] + QStringLiteral("Device"));
        device->setAccessibleName(sides[side] + tr(" device"));
        device->setMinimumWidth(260);
        label->setBuddy(plugin);
        m_plugins[side] = plugin;
        m_devices[side] = device;
        for (const BusPlugin& p : availableBuses())
            plugin->addItem(p.name, p.devices);
        const QString lastPlugin =
            choices.value(names[side] + QStringLiteral("/plugin"), QStringLiteral("virtualcan"))
                .toString();
        const int at = plugin->findText(lastPlugin);
        if (at >= 0)
            plugin->setCurrentIndex(at);
        fillDevices(plugin, device);
        const QString lastDevice =
            choices.value(names[side] + QStringLiteral("/device"), QString()).toString();
        if (!lastDevice.isEmpty())
            device->setCurrentText(lastDevice);
        else if (side == kJ1939 && device->count() > 1)
            device->setCurrentIndex(1);
        connect(plugin, &QComboBox::currentIndexChanged, this,
                [this, plugin, device] { fillDevices(plugin, device); });
        choice->addWidget(label, side, 0);
        choice->addWidget(plugin, side, 1);
        choice->addWidget(device, side, 2);
        tabOrder.push_back(plugin);
        tabOrder.push_back(device);
    }
    choice->setColumnStretch(2, 1);
    outer->addLayout(choice);

    auto* buttons = new QHBoxLayout;
    m_startTwin = makeButton(this, QStringLiteral("startTwin"), tr("Start twin"));
    m_monitor = makeButton(this, QStringLiteral("monitor"), tr("Monitor"));
    m_stop = makeButton(this, QStringLiteral("stop"), tr("Stop"));
    m_saveLog = makeButton(this, QStringLiteral("saveLog"), tr("Save log…"));
    connect(m_startTwin, &QPushButton::clicked, this, &BusWindow::startTwinClick);
    connect(m_monitor, &QPushButton::clicked, this, &BusWindow::monitorClick);
    connect(m_stop, &QPushButton::clicked, this, &BusWindow::stopClick);
    connect(m_saveLog, &QPushButton::clicked, this, &BusWindow::saveLogClick);
    for (QPushButton* b : {m_startTwin, m_monitor, m_stop, m_saveLog}) {
        buttons->addWidget(b);
        tabOrder.push_back(b);
    }
    buttons->addStretch();
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("status"));
    buttons->addWidget(m_status);
    outer->addLayout(buttons);

    m_table = new QTableWidget(0, ColumnCount);
    m_table->setObjectName(QStringLiteral("traffic"));
    m_table->setAccessibleName(tr("Frames of the project"));
    m_table->setHorizontalHeaderLabels(
        {tr("Frame"), tr("Bus"), tr("Count"), tr("Rate (/s)"), tr("Last data"), tr("Objects")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    outer->addWidget(m_table, 1);
    tabOrder.push_back(m_table);

    m_error = new QLabel;
    m_error->setObjectName(QStringLiteral("busError"));
    m_error->setAccessibleName(tr("Last bus error"));
    m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_error->setStyleSheet(QStringLiteral("color: #B00020"));
    outer->addWidget(m_error);
    chainTabOrder(tabOrder);

    m_redraw.setInterval(kRedrawMs);
    connect(&m_redraw, &QTimer::timeout, this, &BusWindow::redraw);
    m_sessionLog = toPath(QDir::temp().filePath(
        QStringLiteral("ordane-bus-%1.log").arg(QCoreApplication::applicationPid())));
    resize(980, 420);
    updateButtons();
}

BusWindow::~BusWindow() {
    m_bus.reset();
    std::error_code ec;
    std::filesystem::remove(m_sessionLog, ec);
}

void BusWindow::setProject(const std::filesystem::path& folder) {
    m_project = folder;
    if (m_bus && m_bus->running())
        return;
    m_bus.reset(); // it refers to the project it ran
    std::vector<std::string> problems;
    m_simulation = std::make_unique<SimulationProject>(loadSimulationProject(folder, problems));
    const BusTraffic traffic(*m_simulation, {});
    m_table->setRowCount(int(traffic.rows().size()));
    for (std::size_t i = 0; i < traffic.rows().size(); ++i) {
        const auto& row = traffic.rows()[i];
        setCell(m_table, int(i), Frame, toQt(row.name));
        setCell(m_table, int(i), Bus, kindText(row.kind));
        for (int c = Count; c < ColumnCount; ++c)
            setCell(m_table, int(i), c, QString());
    }
    m_table->resizeColumnsToContents();
    m_table->setColumnWidth(Count, fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    m_table->setColumnWidth(LastData,
                            fontMetrics().horizontalAdvance(QStringLiteral("FF FF FF FF FF FF FF FF")) + 40);
    setWindowTitle(tr("Bus - %1").arg(toQt(folder.filename())));
    m_status->setText(problems.empty()
                          ? QString()
                          : tr("%n problem(s) in the project; run ordane-cli check", nullptr,
                               int(problems.size())));
    updateButtons();
}

void BusWindow::fillDevices(QComboBox* plugin, QComboBox* device) {
    device->clear();
    device->addItems(plugin->currentData().toStringList());
}

void BusWindow::startTwinClick() {
    start(true);
}

void BusWindow::monitorClick() {
    start(false);
}

void BusWindow::start(bool twin) {
    if ((m_bus && m_bus->running()) || m_project.empty())
        return;
    setProject(m_project); // the documents as they are now
    LiveBus::Settings settings;
    settings.mode = twin ? LiveBus::Mode::Twin : LiveBus::Mode::Monitor;
    settings.canopen = {m_plugins[kCanopen]->currentText(), m_devices[kCanopen]->currentText()};
    settings.j1939 = {m_plugins[kJ1939]->currentText(), m_devices[kJ1939]->currentText()};
    settings.log = m_sessionLog;
    m_error->clear();
    try {
        if (settings.canopen.text() == settings.j1939.text())
            throw Error("The CANopen and the J1939 bus must be different devices");
        m_bus = std::make_unique<LiveBus>(*m_simulation, settings);
        std::vector<std::string> ignored; // told when the project was read
        m_bus->traffic().attachKeptSignals(m_project, ignored);
        connect(m_bus.get(), &LiveBus::failed, this,
                [this](const QString& message) { m_error->setText(message); });
        connect(m_bus.get(), &LiveBus::warning, this,
                [this](const QString& message) { m_error->setText(message); });
        connect(m_bus.get(), &LiveBus::finished, this, &BusWindow::sessionEnded,
                Qt::QueuedConnection);
        connect(m_bus.get(), &LiveBus::connected, this, [this, twin] {
            m_status->setText(twin ? tr("Twin running") : tr("Monitoring"));
        });
        m_bus->start();
    } catch (const Error& e) {
        m_bus.reset();
        m_error->setText(toQt(std::string(e.what())));
        m_services.messages.error(e.what());
        updateButtons();
        return;
    }
    saveChoices();
    m_status->setText(tr("Connecting…"));
    m_redraws = 0;
    m_redraw.start();
    updateButtons();
}

void BusWindow::stopClick() {
    if (m_bus)
        m_bus->stop();
}

void BusWindow::sessionEnded() {
    m_redraw.stop();
    redraw();
    m_haveLog = m_bus && std::filesystem::exists(m_sessionLog);
    if (m_bus)
        m_status->setText(m_bus->failure().isEmpty() ? tr("Stopped") : tr("Ended by a bus error"));
    updateButtons();
}

void BusWindow::saveLogClick() {
    if (!m_haveLog)
        return;
    const auto target = m_services.dialogs.saveFile(this, tr("Save log"), m_project,
                                                    tr("CAN log (*.log)"));
    if (!target)
        return;
    try {
        std::ifstream in(m_sessionLog, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        writeFileAtomically(*target, bytes.str());
    } catch (const Error& e) {
        m_services.messages.error(e.what());
    }
}

void BusWindow::redraw() {
    if (!m_bus)
        return;
    BusTraffic& traffic = m_bus->traffic();
    if (m_redraws++ % (1000 / kRedrawMs) == 0)
        traffic.sampleRates(m_bus->now());
    const auto& rows = traffic.rows();
    m_table->setUpdatesEnabled(false);
    for (std::size_t i = 0; i < rows.size() && int(i) < m_table->rowCount(); ++i) {
        const auto& row = rows[i];
        if (row.count == 0)
            continue;
        setCell(m_table, int(i), Count, QString::number(row.count));
        setCell(m_table, int(i), Rate, QString::number(row.rate, 'f', 1));
        setCell(m_table, int(i), LastData, dataText(row));
        setCell(m_table, int(i), Objects,
                toQt(BusTraffic::objectsText(row, row.data.data(), row.length)));
    }
    m_table->setUpdatesEnabled(true);
}

void BusWindow::updateButtons() {
    const bool running = m_bus && !m_bus->stopped();
    const bool project = !m_project.empty();
    m_startTwin->setEnabled(!running && project);
    m_monitor->setEnabled(!running && project);
    m_stop->setEnabled(running);
    m_saveLog->setEnabled(!running && m_haveLog);
    for (int side : {kCanopen, kJ1939}) {
        m_plugins[side]->setEnabled(!running);
        m_devices[side]->setEnabled(!running);
    }
}

void BusWindow::saveChoices() const {
    QSettings choices(m_choicesFile, QSettings::IniFormat);
    const QString names[2] = {QStringLiteral("canopen"), QStringLiteral("j1939")};
    for (int side : {kCanopen, kJ1939}) {
        choices.setValue(names[side] + QStringLiteral("/plugin"), m_plugins[side]->currentText());
        choices.setValue(names[side] + QStringLiteral("/device"), m_devices[side]->currentText());
    }
}

void BusWindow::closeEvent(QCloseEvent* event) {
    stopClick();
    QWidget::closeEvent(event);
}

} // namespace ordane

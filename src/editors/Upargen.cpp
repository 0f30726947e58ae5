#include "editors/Upargen.h"

#include "core/Error.h"
#include "core/ProjectState.h"
#include "widgets/GuiSupport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

namespace ordane {

namespace {

// Digits only, without the locale; a typed value beyond 255 is taken as 255.
class DelaySpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

    QValidator::State validate(QString& input, int&) const override {
        if (input.isEmpty())
            return QValidator::Intermediate;
        if (input.size() > 3)
            return QValidator::Invalid;
        for (QChar c : input)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return QValidator::Invalid;
        return QValidator::Acceptable;
    }
    int valueFromText(const QString& text) const override {
        return std::clamp(text.toInt(), minimum(), maximum());
    }
    QString textFromValue(int value) const override { return QString::number(value); }
};

QStringList entries(const std::vector<std::string>& texts) {
    QStringList list;
    for (const auto& t : texts)
        list << toQt(t);
    return list;
}

QLineEdit* textBox(const char* name, int width = 70) {
    auto* box = new QLineEdit;
    box->setObjectName(QLatin1String(name));
    box->setFixedWidth(width);
    return box;
}

QCheckBox* checkBox(const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption);
    nameControl(box, QLatin1String(name), caption);
    return box;
}

QRadioButton* option(const char* name, const QString& caption) {
    auto* button = new QRadioButton(caption);
    nameControl(button, QLatin1String(name), caption);
    return button;
}

// A label before its control, the label naming the control for screen readers.
QLabel* labelFor(const QString& caption, QWidget* control) {
    auto* label = new QLabel(caption);
    labelControl(label, control);
    return label;
}

void select(QComboBox* box, int position) {
    box->setCurrentIndex(position >= 0 && position < box->count() ? position : -1);
}

} // namespace

TFpargen::TFpargen(const AppServices& services, const ProjectState& state, QWidget* parent)
    : EditorDialog(services, parent), m_services(services), m_state(state) {
    setObjectName(QStringLiteral("TFpargen"));
    setWindowTitle(tr("SET COMMUNICATION"));

    // J1939
    auto* j1939 = new QGroupBox(tr(" J1939 "));
    j1939->setObjectName(QStringLiteral("GroupJ1939"));
    m_j1939Rate = new QComboBox;
    m_j1939Rate->setObjectName(QStringLiteral("BaudRateCAN"));
    m_j1939Rate->addItems(entries(CommunicationParameters::j1939Rates()));
    m_can20A = option("CANType20A", tr("CAN Bus 2.0A (CobID 11Bit)"));
    m_can20B = option("CANType20B", tr("CAN Bus 2.0B (CobID 29Bit)"));
    auto* frameFormat = new QButtonGroup(this);
    frameFormat->addButton(m_can20A);
    frameFormat->addButton(m_can20B);
    m_timeOutData = textBox("TimeOut_Data");
    m_peerToPeer = checkBox("Peer_to_Peer", tr("Peer to Peer"));
    {
        auto* grid = new QGridLayout(j1939);
        grid->addWidget(labelFor(tr("Baud rate"), m_j1939Rate), 0, 0);
        grid->addWidget(m_j1939Rate, 0, 1, 1, 2, Qt::AlignLeft);
        grid->addWidget(m_can20A, 1, 0, 1, 3);
        grid->addWidget(m_can20B, 2, 0, 1, 3);
        grid->addWidget(labelFor(tr("TimeOut Data"), m_timeOutData), 3, 0);
        grid->addWidget(m_timeOutData, 3, 1);
        grid->addWidget(new QLabel(tr("(Sec.)")), 3, 2);
        grid->addWidget(m_peerToPeer, 4, 0, 1, 3);
        grid->setColumnStretch(2, 1);
        grid->setRowStretch(5, 1);
        m_j1939Rate->setAccessibleName(tr("J1939 Baud rate"));
        m_timeOutData->setAccessibleName(tr("TimeOut Data (Sec.)"));
    }

    // CANopen, with TPDO inside
    auto* canopen = new QGroupBox(tr(" CANopen "));
    canopen->setObjectName(QStringLiteral("GroupCANopen"));
    m_idDev = textBox("IDDev_CANopen", 50);
    m_canopenRate = new QComboBox;
    m_canopenRate->setObjectName(QStringLiteral("Baud_CANopen"));
    m_canopenRate->addItems(entries(CommunicationParameters::canopenRates()));
    m_setOperational = checkBox("Set_Ope_CANopen", tr("Set Operational State at Start-up"));
    m_networkStart = checkBox("Net_Start_CANopen", tr("Network Start at Start-up"));
    m_delay = new DelaySpinBox;
    m_delay->setObjectName(QStringLiteral("Delay_CANopen"));
    m_delay->setRange(0, 255);
    m_delay->setSingleStep(1);
    m_delay->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    auto* tpdo = new QGroupBox(tr(" TPDO "));
    tpdo->setObjectName(QStringLiteral("GroupTPDO"));
    m_sendOnChange = option("SendOnChange", tr("Send on change data"));
    m_sendCyclically = option("SendCyclically", tr("Send cyclically"));
    auto* sending = new QButtonGroup(this);
    sending->addButton(m_sendOnChange);
    sending->addButton(m_sendCyclically);
    m_cyclicTime = textBox("Sent_TPDO_Time");
    m_cyclicTime->setAccessibleName(tr("Send cyclically (mS)"));
    {
        auto* grid = new QGridLayout(tpdo);
        grid->addWidget(m_sendOnChange, 0, 0, 1, 3);
        grid->addWidget(m_sendCyclically, 1, 0);
        grid->addWidget(m_cyclicTime, 1, 1);
        grid->addWidget(new QLabel(tr("mS")), 1, 2);
        grid->setColumnStretch(2, 1);
    }
    {
        auto* grid = new QGridLayout(canopen);
        grid->addWidget(labelFor(tr("ID Dev."), m_idDev), 0, 0);
        grid->addWidget(m_idDev, 0, 1, Qt::AlignLeft);
        grid->addWidget(labelFor(tr("Baud rate"), m_canopenRate), 0, 2, Qt::AlignRight);
        grid->addWidget(m_canopenRate, 0, 3);
        grid->addWidget(m_setOperational, 1, 0, 1, 4);
        grid->addWidget(m_networkStart, 2, 0, 1, 4);
        grid->addWidget(labelFor(tr("Delay"), m_delay), 3, 0);
        grid->addWidget(m_delay, 3, 1, Qt::AlignLeft);
        grid->addWidget(new QLabel(tr("0-255 sec.")), 3, 2, 1, 2);
        grid->addWidget(tpdo, 4, 0, 1, 4);
        m_canopenRate->setAccessibleName(tr("CANopen Baud rate"));
        m_delay->setAccessibleName(tr("Delay (0-255 sec.)"));
    }

    // NODEGUARD
    auto* guard = new QGroupBox(tr(" NODEGUARD "));
    guard->setObjectName(QStringLiteral("GroupNodeGuard"));
    m_nodeGuard = checkBox("NodeGuard", tr("Enable NodeGuard"));
    m_sendState = checkBox("Send_NG_J1939", tr("Send state on J1939 network"));
    m_sendEvery = textBox("BG_Send_Every");
    {
        auto* grid = new QGridLayout(guard);
        grid->addWidget(m_nodeGuard, 0, 0, 1, 2);
        grid->addWidget(m_sendState, 1, 0, 1, 2);
        grid->addWidget(labelFor(tr("Send frames every (ms)"), m_sendEvery), 2, 0);
        grid->addWidget(m_sendEvery, 2, 1, Qt::AlignLeft);
        grid->setColumnStretch(1, 1);
        grid->setRowStretch(3, 1);
    }

    // SDO CLIENT
    auto* sdo = new QGroupBox(tr(" SDO CLIENT "));
    sdo->setObjectName(QStringLiteral("GroupSdoClient"));
    m_sdoClient = checkBox("EN_SDO_Client", tr("Enable SDO Client"));
    m_sdoTimeOut = textBox("TO_SDO_Client");
    {
        auto* grid = new QGridLayout(sdo);
        grid->addWidget(m_sdoClient, 0, 0, 1, 2);
        grid->addWidget(labelFor(tr("TimeOut SDO(1/10 ms)"), m_sdoTimeOut), 1, 0);
        grid->addWidget(m_sdoTimeOut, 1, 1, Qt::AlignLeft);
        grid->setColumnStretch(1, 1);
        grid->setRowStretch(2, 1);
    }

    std::tie(m_ok, m_cancel) = makeOkCancel(this, &TFpargen::OkClick, &TFpargen::CancelClick);

    auto* layout = new QGridLayout(this);
    layout->addWidget(j1939, 0, 0);
    layout->addWidget(guard, 1, 0);
    layout->addWidget(canopen, 0, 1);
    layout->addWidget(sdo, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons, 2, 0, 1, 2);
    layout->setRowStretch(1, 1);

    QWidget* order[] = {m_j1939Rate,    m_can20A,     m_can20B,       m_timeOutData,
                        m_peerToPeer,   m_idDev,      m_canopenRate,  m_setOperational,
                        m_networkStart, m_delay,      m_sendOnChange, m_sendCyclically,
                        m_cyclicTime,   m_nodeGuard,  m_sendState,    m_sendEvery,
                        m_sdoClient,    m_sdoTimeOut, m_ok,           m_cancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    makeToolWindow(this);
}

void TFpargen::FormShow() {
    m_model.load(m_state.projectFolder());
    // After a problem the model holds the defaults; "OK" writes a complete document over it.
    reportLoadProblems(m_model, m_services.messages);
    fillControls();
    adjustSize();
    centreOnScreen(this);
    markSaved();
    m_ok->setFocus();
}

void TFpargen::fillControls() {
    const CommunicationParameters& p = m_model;
    m_can20A->setEnabled(false);
    m_can20B->setChecked(true);
    // 2.0B stays the only choice; it is enabled once a document stated a frame format.
    m_can20B->setEnabled(p.canTypeRead.has_value());
    select(m_j1939Rate, p.baudRateCan);
    m_timeOutData->setText(toQt(p.timeOutData));
    m_peerToPeer->setChecked(p.peerToPeer);
    m_idDev->setText(toQt(p.idDevCanopen));
    select(m_canopenRate, p.baudCanopen);
    m_setOperational->setChecked(p.setOperational);
    m_networkStart->setChecked(p.networkStart);
    m_delay->setValue(p.delay);
    (p.sendOnChange ? m_sendOnChange : m_sendCyclically)->setChecked(true);
    m_cyclicTime->setText(toQt(p.sendTpdoTime));
    m_nodeGuard->setChecked(p.nodeGuard);
    m_sendState->setChecked(p.sendNodeGuardOnJ1939);
    m_sendEvery->setText(toQt(p.nodeGuardSendEvery));
    m_sdoClient->setChecked(p.sdoClient);
    m_sdoTimeOut->setText(toQt(p.sdoClientTimeOut));
}

void TFpargen::readControls() {
    CommunicationParameters& p = m_model;
    p.baudRateCan = m_j1939Rate->currentIndex();
    p.timeOutData = toStd(m_timeOutData->text());
    p.peerToPeer = m_peerToPeer->isChecked();
    p.idDevCanopen = toStd(m_idDev->text());
    p.baudCanopen = m_canopenRate->currentIndex();
    p.setOperational = m_setOperational->isChecked();
    p.networkStart = m_networkStart->isChecked();
    // What is typed counts even before the box is left; an empty box counts as 0.
    p.delay = std::clamp(m_delay->cleanText().toInt(), 0, 255);
    p.sendOnChange = m_sendOnChange->isChecked();
    p.sendTpdoTime = toStd(m_cyclicTime->text());
    p.nodeGuard = m_nodeGuard->isChecked();
    p.sendNodeGuardOnJ1939 = m_sendState->isChecked();
    p.nodeGuardSendEvery = toStd(m_sendEvery->text());
    p.sdoClient = m_sdoClient->isChecked();
    p.sdoClientTimeOut = toStd(m_sdoTimeOut->text());
}

void TFpargen::OkClick() {
    readControls();
    if (const auto failure = m_model.firstFailure()) {
        m_services.messages.error(*failure);
        return;
    }
    if (reportingErrors(m_services.messages, [&] { m_model.save(m_state.projectFolder()); }))
        accept();
}

void TFpargen::CancelClick() {
    reject();
}

} // namespace ordane

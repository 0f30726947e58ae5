#include "editors/USDO_Client.h"

#include "app/GuiSupport.h"
#include "app/ProjectState.h"
#include "documents/Error.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ordane {

namespace {

const char* const kHeads[] = {"Priority", "Data Page", "PGN", "Source Address", "Mnemonic"};

QComboBox* choiceBox(int entries) {
    auto* box = new QComboBox;
    for (int i = 0; i < entries; ++i)
        box->addItem(QString::number(i));
    return box;
}

} // namespace

J1939FrameLine J1939FrameLine::add(QGridLayout* grid, int row, int number, bool withPriority,
                                   const QString& lineName) {
    J1939FrameLine line;
    auto place = [&](QWidget* control, int column, const char* field) {
        nameControl(control, QLatin1String(field) + QString::number(number),
                    lineName + QStringLiteral(", ") + QObject::tr(kHeads[column - 1]));
        grid->addWidget(control, row, column);
    };
    if (withPriority) {
        line.priority = choiceBox(kPriorityEntries);
        place(line.priority, 1, "Priority");
    }
    line.dataPage = choiceBox(kDataPageEntries);
    place(line.dataPage, 2, "DataPage");
    line.pgn = new QLineEdit;
    line.pgn->setFixedWidth(90);
    place(line.pgn, 3, "PGN");
    line.sa = new QLineEdit;
    line.sa->setFixedWidth(90);
    place(line.sa, 4, "SA");
    line.mnemonic = new QLineEdit;
    line.mnemonic->setMinimumWidth(160);
    place(line.mnemonic, 5, "Mnemonic");
    return line;
}

void J1939FrameLine::addHeads(QGridLayout* grid, int row) {
    for (int column = 1; column <= 5; ++column)
        grid->addWidget(new QLabel(QObject::tr(kHeads[column - 1])), row, column);
}

void J1939FrameLine::show(const J1939FrameDefinition& frame) const {
    if (priority)
        priority->setCurrentIndex(frame.priority);
    dataPage->setCurrentIndex(frame.dataPage);
    pgn->setText(toQt(frame.pgn));
    sa->setText(toQt(frame.sa));
    mnemonic->setText(toQt(frame.mnemonic));
}

void J1939FrameLine::take(J1939FrameDefinition& frame) const {
    if (priority)
        frame.priority = priority->currentIndex();
    frame.dataPage = dataPage->currentIndex();
    frame.pgn = toStd(pgn->text());
    frame.sa = toStd(sa->text());
    frame.mnemonic = toStd(mnemonic->text());
}

std::vector<QWidget*> J1939FrameLine::controls() const {
    std::vector<QWidget*> result;
    if (priority)
        result.push_back(priority);
    result.insert(result.end(), {dataPage, pgn, sa, mnemonic});
    return result;
}

TFSDO_Client::TFSDO_Client(const AppServices& services, const ProjectState& state, QWidget* parent)
    : QDialog(parent), m_services(services), m_state(state) {
    setObjectName(QStringLiteral("FSDO_Client"));
    setWindowTitle(tr("Set SDO Client"));

    const char* const labels[SdoClientFrames::kFrames] = {
        "Request frame J1939 for a read SDO", "Answer frame J1939 for a read SDO",
        "Request frame J1939 for a write SDO (1/2)", "Request frame J1939 for a write SDO (2/2)",
        "Answer frame J1939 for a write SDO"};

    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    J1939FrameLine::addHeads(grid, 0);
    std::vector<QWidget*> tabOrder;
    for (int k = 1; k <= SdoClientFrames::kFrames; ++k) {
        auto* label = new QLabel(tr(labels[k - 1]));
        label->setObjectName(QStringLiteral("Label%1").arg(k));
        grid->addWidget(label, k, 0);
        J1939FrameLine& line = m_lines[std::size_t(k - 1)];
        line = J1939FrameLine::add(grid, k, k, SdoClientFrames::hasPriority(k), label->text());
        label->setBuddy(line.controls().front());
        for (QWidget* control : line.controls())
            tabOrder.push_back(control);
    }
    layout->addLayout(grid);

    auto* buttons = new QDialogButtonBox(this);
    const auto [ok, cancel] = makeOkCancel(this);
    m_ok = ok;
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    connect(m_ok, &QPushButton::clicked, this, &TFSDO_Client::OkClick);
    connect(cancel, &QPushButton::clicked, this, &TFSDO_Client::CancelClick);
    layout->addWidget(buttons);
    tabOrder.push_back(m_ok);
    tabOrder.push_back(cancel);
    chainTabOrder(tabOrder);

    makeToolWindow(this);
    // Fixed size, but closable from the title bar like Cancel.
    setWindowFlag(Qt::WindowCloseButtonHint, true);
}

void TFSDO_Client::FormShow() {
    reportingErrors(m_services.messages, [&] { m_model.load(m_state.projectFolder()); });
    for (int k = 1; k <= SdoClientFrames::kFrames; ++k)
        m_lines[std::size_t(k - 1)].show(m_model.frame(k));
    centreOnScreen(this);
    m_ok->setFocus();
}

void TFSDO_Client::OkClick() {
    for (int k = 1; k <= SdoClientFrames::kFrames; ++k)
        m_lines[std::size_t(k - 1)].take(m_model.frame(k));
    const std::vector<std::string> failures = m_model.validate();
    for (const std::string& failure : failures)
        m_services.messages.info(failure);
    if (!failures.empty())
        return;
    if (reportingErrors(m_services.messages, [&] { m_model.save(m_state.projectFolder()); }))
        accept();
}

void TFSDO_Client::CancelClick() {
    reject();
}

} // namespace ordane

#include "editors/USDO_Client.h"

#include "core/Error.h"
#include "core/ProjectState.h"
#include "widgets/GuiSupport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ordane {

TFSDO_Client::TFSDO_Client(const AppServices& services, const ProjectState& state, QWidget* parent)
    : EditorDialog(services, parent), m_services(services), m_state(state) {
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

    const auto [ok, cancel] =
        makeOkCancel(this, &TFSDO_Client::OkClick, &TFSDO_Client::CancelClick);
    m_ok = ok;
    layout->addWidget(okCancelBox(this, {ok, cancel}, &tabOrder));

    makeToolWindow(this);
    // Fixed size, but closable from the title bar like Cancel.
    setWindowFlag(Qt::WindowCloseButtonHint, true);
}

void TFSDO_Client::FormShow() {
    m_model.load(m_state.projectFolder());
    reportLoadProblems(m_model, m_services.messages);
    showFrames(m_lines, m_model);
    centreOnScreen(this);
    markSaved();
    m_ok->setFocus();
}

void TFSDO_Client::OkClick() {
    takeFrames(m_lines, m_model);
    const std::vector<std::string> failures = messagesOf(m_model.failures());
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

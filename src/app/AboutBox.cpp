#include "app/AboutBox.h"

#include "widgets/GuiSupport.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ordane {

AboutBox::AboutBox(const AppServices& services, const std::filesystem::path& programFolder,
                   QWidget* parent)
    : QDialog(parent), m_services(services) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(tr("About..."));

    auto* logo = new QLabel(QStringLiteral("ORDANE"));
    logo->setObjectName(QStringLiteral("Logo"));
    logo->setAccessibleName(tr("Logo"));
    logo->setAlignment(Qt::AlignCenter);
    logo->setCursor(Qt::PointingHandCursor);
    logo->setStyleSheet(QStringLiteral(
        "QLabel { color: white; background: #1f4e8c; font: bold 20pt; padding: 10px 18px; }"));
    logo->installEventFilter(this);
    m_logo = logo;

    auto* texts = new QGridLayout;
    auto add = [&](int row, const QString& left, const QString& right) {
        texts->addWidget(new QLabel(left), row, 0);
        if (!right.isEmpty())
            texts->addWidget(new QLabel(right), row, 1);
    };
    auto* title = new QLabel(QStringLiteral("Software Ordane "));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    texts->addWidget(title, 0, 0, 1, 2);
    texts->addWidget(new QLabel(QStringLiteral("J1939 / CANopen - Converter")), 1, 0, 1, 2);
    add(2, QStringLiteral("Software Code : "), QStringLiteral("SW40218"));
    add(3, QStringLiteral("Version :"), QStringLiteral("1.704"));
    add(4, QStringLiteral("Document Code :"), QStringLiteral("MN40218"));
    auto* folderLabel = new QLabel(tr("Program folder :"));
    auto* folder = new QLabel(QString::fromStdString(programFolder.string()));
    folder->setObjectName(QStringLiteral("ProgramFolder"));
    folder->setAccessibleName(tr("Program folder"));
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    folderLabel->setBuddy(folder);
    texts->addWidget(folderLabel, 5, 0);
    texts->addWidget(folder, 5, 1);

    auto* link =
        new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(QLatin1String(kMakerWebAddress)));
    link->setObjectName(QStringLiteral("WebLink"));
    link->setAccessibleName(QLatin1String(kMakerWebAddress));
    link->setTextInteractionFlags(Qt::TextBrowserInteraction);
    connect(link, &QLabel::linkActivated, this, &AboutBox::openWebPage);

    auto* buttons = new QDialogButtonBox;
    auto* ok = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    nameControl(ok, QStringLiteral("OK"), tr("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(logo);
    row->addLayout(texts);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(link);
    layout->addWidget(buttons);
    makeToolWindow(this);
}

void AboutBox::openWebPage() {
    m_services.dialogs.openUrl(QLatin1String(kMakerWebAddress));
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_logo && event->type() == QEvent::MouseButtonRelease) {
        openWebPage();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace ordane

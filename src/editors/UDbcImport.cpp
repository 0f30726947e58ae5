#include "editors/UDbcImport.h"

#include "core/NumberText.h"
#include "model/SdoMapping.h"
#include "widgets/GuiSupport.h"

#include <QBrush>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace ordane {

void DbcSelectionModel::setSelection(DbcSelection* selection) {
    beginResetModel();
    m_selection = selection;
    endResetModel();
}

void DbcSelectionModel::refresh() {
    beginResetModel();
    endResetModel();
}

std::size_t DbcSelectionModel::selectionRow(int row) const {
    return m_selection->visible().at(std::size_t(row));
}

int DbcSelectionModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_selection ? 0 : int(m_selection->visible().size());
}

int DbcSelectionModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DbcSelectionModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* titles[] = {"",         "Name",        "PGN",     "SA",
                                   "Priority", "Transmitter", "Signals", "Note"};
    return tr(titles[section]);
}

QVariant DbcSelectionModel::data(const QModelIndex& index, int role) const {
    if (!m_selection || !index.isValid())
        return {};
    const std::size_t r = selectionRow(index.row());
    const DbcImport& import = m_selection->import();
    const DbcImportRow& row = import.rows()[r];
    const DbcMessage& m = import.message(row);
    if (role == Qt::CheckStateRole && index.column() == Check)
        return m_selection->checked(r) ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::ForegroundRole && !row.importable)
        return QBrush(QPalette().color(QPalette::Disabled, QPalette::Text));
    // Numbers right-aligned, so that their digits line up.
    if (role == Qt::TextAlignmentRole &&
        ((index.column() >= Pgn && index.column() <= Priority) || index.column() == Signals))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const bool hasId = row.importable || row.reason.rfind("standard", 0) != 0;
    switch (index.column()) {
    case Name:
        return role == Qt::ToolTipRole && !m.comment.empty() ? toQt(m.comment) : toQt(m.name);
    case Pgn:
        return hasId ? toQt(row.pgnText) : QString();
    case Source:
        return hasId ? QString::number(row.id.sourceAddress) : QString();
    case Priority:
        return hasId ? QString::number(row.id.priority) : QString();
    case Transmitter:
        return toQt(m.transmitter);
    case Signals:
        return QString::number(m.signalList.size());
    case Note:
        if (row.importable && row.needsAddress)
            return tr("source address given (%1 in the DBC)")
                .arg(toQt(hexText(import.message(row).id() & 0xFFu, 2)));
        if (row.importable)
            return QString();
        if (row.needsAddress)
            return tr("skipped: %1: give the sender's address in Source address")
                .arg(toQt(row.reason));
        return tr("skipped: %1").arg(toQt(row.reason));
    default:
        return {};
    }
}

Qt::ItemFlags DbcSelectionModel::flags(const QModelIndex& index) const {
    if (!m_selection || !index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == Check &&
        m_selection->import().rows()[selectionRow(index.row())].importable)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool DbcSelectionModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!m_selection || role != Qt::CheckStateRole || index.column() != Check)
        return false;
    m_selection->setChecked(selectionRow(index.row()), value.toInt() == Qt::Checked);
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit checksChanged();
    return true;
}

TFDbcImport::TFDbcImport(const AppServices& services, QWidget* parent)
    : QDialog(parent), m_services(services), m_model(new DbcSelectionModel) {
    setObjectName(QStringLiteral("TFDbcImport"));
    setWindowTitle(tr("Import from a DBC file"));
    m_model->setParent(this);

    auto* filterLabel = new QLabel(tr("&Filter:"));
    m_filter = new QLineEdit;
    m_filter->setObjectName(QStringLiteral("Filter"));
    m_filter->setPlaceholderText(tr("name, PGN or transmitter"));
    m_filter->setClearButtonEnabled(true);
    labelControl(filterLabel, m_filter);
    m_selectAll = makeButton(this, QStringLiteral("SelectAll"), tr("Select &all"));
    m_selectNone = makeButton(this, QStringLiteral("SelectNone"), tr("Select &none"));

    m_table = new QTableView;
    m_table->setObjectName(QStringLiteral("Messages"));
    m_table->setAccessibleName(tr("Messages"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    const int widths[] = {28, 220, 70, 40, 56, 110, 56};
    for (int c = 0; c < int(std::size(widths)); ++c)
        m_table->setColumnWidth(c, widths[c]);

    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("Summary"));
    auto* signalsLabel = new QLabel(tr("Si&gnals of the current message:"));
    m_signals = new QPlainTextEdit;
    m_signals->setObjectName(QStringLiteral("SignalList"));
    m_signals->setReadOnly(true);
    m_signals->setMaximumHeight(120);
    m_signals->setLineWrapMode(QPlainTextEdit::NoWrap);
    labelControl(signalsLabel, m_signals);

    m_mapSignals = new QCheckBox(tr("&Map the signals as SDO objects from index"));
    nameControl(m_mapSignals, QStringLiteral("MapSignals"), m_mapSignals->text());
    m_firstIndex = new QLineEdit;
    m_firstIndex->setObjectName(QStringLiteral("FirstIndex"));
    m_firstIndex->setAccessibleName(tr("First object index"));
    m_firstIndex->setMaximumWidth(80);
    // For messages whose identifier carries the null or global address as the sender.
    auto* sourceLabel = new QLabel(tr("Sou&rce address"));
    m_sourceAddress = new QLineEdit;
    m_sourceAddress->setObjectName(QStringLiteral("SourceAddress"));
    m_sourceAddress->setMaximumWidth(60);
    m_sourceAddress->setToolTip(
        tr("Saved for the messages with source address 0xFE or 0xFF in the DBC (0..253)"));
    labelControl(sourceLabel, m_sourceAddress);

    const auto [ok, cancel] = makeOkCancel(this, &TFDbcImport::OkClick, &TFDbcImport::CancelClick);
    m_ok = ok;
    connect(m_selectAll, &QPushButton::clicked, this, &TFDbcImport::SelectAllClick);
    connect(m_selectNone, &QPushButton::clicked, this, &TFDbcImport::SelectNoneClick);
    connect(m_filter, &QLineEdit::textChanged, this, &TFDbcImport::FilterChange);
    connect(m_mapSignals, &QCheckBox::toggled, this, &TFDbcImport::MapSignalsClick);
    connect(m_sourceAddress, &QLineEdit::textEdited, this, &TFDbcImport::SourceAddressChange);
    connect(m_model, &DbcSelectionModel::checksChanged, this, &TFDbcImport::updateSummary);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TFDbcImport::showSignals);

    auto* top = new QHBoxLayout;
    top->addWidget(filterLabel);
    top->addWidget(m_filter, 1);
    top->addWidget(m_selectAll);
    top->addWidget(m_selectNone);
    auto* mapping = new QHBoxLayout;
    mapping->addWidget(m_mapSignals);
    mapping->addWidget(m_firstIndex);
    mapping->addStretch();
    mapping->addWidget(sourceLabel);
    mapping->addWidget(m_sourceAddress);
    auto* bar = new QHBoxLayout;
    bar->addWidget(ok);
    bar->addWidget(cancel);
    bar->addStretch();
    bar->addWidget(m_summary);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
    layout->addWidget(signalsLabel);
    layout->addWidget(m_signals);
    layout->addLayout(mapping);
    layout->addLayout(bar);

    // Space ticks or clears the current message from any of its cells.
    m_table->installEventFilter(this);

    chainTabOrder({m_filter, m_selectAll, m_selectNone, m_table, m_signals, m_mapSignals,
                   m_firstIndex, m_sourceAddress, ok, cancel});
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(820, 620);
}

bool TFDbcImport::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space && m_selection) {
        const QModelIndex current = m_table->currentIndex();
        if (current.isValid()) {
            const QModelIndex check = m_model->index(current.row(), DbcSelectionModel::Check);
            if (m_model->flags(check) & Qt::ItemIsUserCheckable) {
                const bool on = m_selection->checked(m_model->selectionRow(current.row()));
                m_model->setData(check, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFDbcImport::setSelection(DbcSelection* selection, const std::filesystem::path& projectFolder,
                               std::size_t existingEntries) {
    m_selection = selection;
    m_projectFolder = projectFolder;
    m_existingEntries = existingEntries;
    m_model->setSelection(selection);
}

void TFDbcImport::FormShow() {
    m_filter->blockSignals(true);
    m_filter->clear();
    m_filter->blockSignals(false);
    if (m_selection) {
        m_selection->setFilter("");
        m_mapSignals->setChecked(m_selection->mapSignals);
        m_firstIndex->setText(toQt(m_selection->indexText));
    }
    m_firstIndex->setEnabled(m_mapSignals->isChecked());
    m_sourceAddress->setText(m_selection ? toQt(m_selection->sourceAddressText()) : QString());
    m_sourceAddress->setEnabled(m_selection && m_selection->import().needsAddress());
    m_model->refresh();
    m_signals->clear();
    updateSummary();
    centreOnScreen(this);
    m_filter->setFocus();
}

void TFDbcImport::updateSummary() {
    if (!m_selection)
        return;
    std::size_t importable = 0;
    for (const DbcImportRow& row : m_selection->import().rows())
        importable += row.importable ? 1 : 0;
    m_summary->setText(tr("%1 of %2 J1939 messages chosen (%3 in the file)")
                           .arg(m_selection->checkedCount())
                           .arg(importable)
                           .arg(m_selection->rowCount()));
}

void TFDbcImport::showSignals() {
    const QModelIndex current = m_table->currentIndex();
    if (!m_selection || !current.isValid()) {
        m_signals->clear();
        return;
    }
    const DbcImport& import = m_selection->import();
    const DbcMessage& m = import.message(import.rows()[m_model->selectionRow(current.row())]);
    QStringList lines;
    for (const DbcSignal& s : m.signalList) {
        QString line = QStringLiteral("%1  %2|%3@%4")
                           .arg(toQt(s.name))
                           .arg(s.startBit)
                           .arg(s.length)
                           .arg(s.littleEndian ? QStringLiteral("1 little-endian")
                                               : QStringLiteral("0 big-endian"));
        if (s.spn() >= 0)
            line += tr("  SPN %1").arg(s.spn());
        if (!s.unit.empty())
            line += QStringLiteral("  [%1]").arg(toQt(s.unit));
        std::string reason;
        if (!signalEntry(s, reason))
            line += tr("  (not mapped: %1)").arg(toQt(reason));
        lines << line;
    }
    m_signals->setPlainText(lines.join(QLatin1Char('\n')));
}

void TFDbcImport::FilterChange(const QString& text) {
    if (!m_selection)
        return;
    m_selection->setFilter(toStd(text));
    m_model->refresh();
    m_signals->clear();
}

void TFDbcImport::SelectAllClick() {
    if (!m_selection)
        return;
    m_selection->selectAll();
    m_model->refresh();
    updateSummary();
}

void TFDbcImport::SelectNoneClick() {
    if (!m_selection)
        return;
    m_selection->selectNone();
    m_model->refresh();
    updateSummary();
}

void TFDbcImport::MapSignalsClick(bool on) {
    m_firstIndex->setEnabled(on);
}

void TFDbcImport::SourceAddressChange(const QString& text) {
    if (!m_selection)
        return;
    // A text that is no address yet leaves the messages without one skipped; OK tells why.
    m_selection->setSourceAddressText(toStd(text));
    m_model->refresh();
    updateSummary();
}

void TFDbcImport::OkClick() {
    if (!m_selection)
        return;
    m_selection->mapSignals = m_mapSignals->isChecked();
    m_selection->indexText = toStd(m_firstIndex->text());
    if (const auto message = m_selection->checkForProject(m_projectFolder)) {
        m_services.messages.error(*message);
        return;
    }
    if (m_selection->mapSignals && m_existingEntries > 0) {
        const SdoSide side = m_selection->import().side() == FrameSide::Received
                                 ? SdoSide::Received
                                 : SdoSide::Transmitted;
        const QString question =
            tr("%1 holds %2 SDO entries. Replace them with the mapping of the signals when "
               "the frame list is saved with OK?")
                .arg(QLatin1String(SdoMapping::mappingDocumentName(side)))
                .arg(m_existingEntries);
        if (!m_services.dialogs.confirm(this, windowTitle(), question))
            return;
    }
    accept();
}

void TFDbcImport::CancelClick() {
    reject();
}

} // namespace ordane

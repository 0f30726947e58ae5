#include "editors/SdoMappingWindow.h"

#include "core/Error.h"
#include "core/NumberText.h"
#include "core/ProjectState.h"
#include "widgets/GuiSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace ordane {

namespace {

// The text margin the item views of the style leave left of an item's text.
int itemTextMargin(const QWidget* widget) {
    const QStyle* style = widget ? widget->style() : QApplication::style();
    return style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
}

// Draws the tab-separated parts of a frame label under the words of the heading above
// the list, whatever the font.
class HeadingColumnsDelegate : public QStyledItemDelegate {
public:
    HeadingColumnsDelegate(QString heading, QObject* parent)
        : QStyledItemDelegate(parent), m_heading(std::move(heading)) {}

    void setHeading(const QString& heading) { m_heading = heading; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QStringList parts = item.text.split(QLatin1Char('\t'));
        item.text.clear();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : nullptr;
        if (!style)
            return QStyledItemDelegate::paint(painter, option, index);
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

        const QList<int> stops = columnStops(item.fontMetrics);
        painter->save();
        painter->setFont(item.font);
        painter->setPen(item.palette.color(
            item.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        const int left = item.rect.left() + itemTextMargin(widget);
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const int x = left + (i < stops.size() ? stops[i] : stops.last() + 60 * int(i));
            const int next = i + 1 < stops.size() ? left + stops[i + 1] : item.rect.right();
            painter->drawText(QRect(x, item.rect.top(), std::max(0, next - x), item.rect.height()),
                              Qt::AlignLeft | Qt::AlignVCenter, parts[i]);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QStringList parts = index.data(Qt::DisplayRole).toString().split(QLatin1Char('\t'));
        const QList<int> stops = columnStops(option.fontMetrics);
        const qsizetype last = std::min(parts.size(), stops.size()) - 1;
        if (last >= 0)
            size.setWidth(stops[last] + option.fontMetrics.horizontalAdvance(parts[last]) +
                          2 * itemTextMargin(option.widget));
        return size;
    }

private:
    // Where each word of the heading begins, in pixels from the text's left edge.
    QList<int> columnStops(const QFontMetrics& metrics) const {
        QList<int> stops;
        for (qsizetype i = 0; i < m_heading.size(); ++i)
            if (m_heading[i] != QLatin1Char(' ') &&
                (i == 0 || m_heading[i - 1] == QLatin1Char(' ')))
                stops.append(metrics.horizontalAdvance(m_heading.left(i)));
        if (stops.isEmpty())
            stops.append(0);
        return stops;
    }

    QString m_heading;
};

QComboBox* makeCombo(const QStringList& entries) {
    auto* combo = new QComboBox;
    combo->addItems(entries);
    return combo;
}

QStringList byteChoices() {
    QStringList entries{QStringLiteral("None")};
    for (int k = 1; k <= 8; ++k)
        entries << QStringLiteral("Byte %1 J1939 Frame").arg(k);
    return entries;
}

int position(const QComboBox* combo) {
    return std::max(0, combo->currentIndex());
}

} // namespace

SdoMappingWindow::SdoMappingWindow(const AppServices& services, const ProjectState& state,
                                   SdoSide side, QWidget* parent)
    : EditorDialog(services, parent), m_services(services), m_state(state), m_model(side) {
    auto* outer = new QVBoxLayout(this);
    auto* tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("PageControl1"));
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Can0ModBus"));
    tabs->addTab(page, tr("Can0-ModBus"));
    outer->addWidget(tabs);
    auto* columns = new QHBoxLayout(page);

    // Entries of the selected frame.
    auto* left = new QVBoxLayout;
    auto* sdoLabel = new QLabel(tr("SDO"));
    m_entryList = new QListWidget;
    m_entryList->setObjectName(QStringLiteral("ListSdo"));
    m_entryList->setFixedWidth(110);
    labelControl(sdoLabel, m_entryList);
    left->addWidget(sdoLabel);
    left->addWidget(m_entryList);
    columns->addLayout(left);

    // The frames of the side.
    auto* middle = new QVBoxLayout;
    auto* correlated = new QLabel(tr("Correlated"));
    m_heading = new QLabel;
    m_heading->setObjectName(QStringLiteral("FrameHeading"));
    m_frameList = new QListWidget;
    m_frameList->setObjectName(QStringLiteral("ListFrames"));
    m_frameList->setFixedWidth(260);
    m_frameList->setMinimumHeight(300);
    m_frameList->setItemDelegate(new HeadingColumnsDelegate(QString(), m_frameList));
    labelControl(correlated, m_frameList);
    m_heading->setContentsMargins(m_frameList->frameWidth() + itemTextMargin(m_frameList), 0, 0, 0);
    middle->addWidget(correlated);
    middle->addWidget(m_heading);
    middle->addWidget(m_frameList);
    columns->addLayout(middle);

    // The selected entry's values and the editing buttons.
    auto* right = new QVBoxLayout;
    auto* form = new QGridLayout;
    int line = 0;
    auto addRow = [&](const QString& caption, QWidget* control, const char* name) {
        auto* label = new QLabel(caption);
        control->setObjectName(QLatin1String(name));
        labelControl(label, control);
        form->addWidget(label, line, 0);
        form->addWidget(control, line, 1);
        ++line;
        return label;
    };
    m_index = new QLineEdit;
    m_subIndex = new QLineEdit;
    m_dimension = makeCombo({tr("4 Bytes"), tr("2 Bytes"), tr("1 Byte")});
    addRow(tr("Index SDO"), m_index, "EditIndex");
    addRow(tr("SubIndex SDO"), m_subIndex, "EditSubIndex");
    addRow(tr("Dimension SDO"), m_dimension, "ComboDimension");
    const char* byteCaptions[] = {"SDO Byte 1 (MSB)", "SDO Byte 2", "SDO Byte 3",
                                  "SDO Byte 4 (LSB)"};
    const char* byteNames[] = {"ComboByte1", "ComboByte2", "ComboByte3", "ComboByte4"};
    for (std::size_t b = 0; b < m_bytes.size(); ++b) {
        m_bytes[b] = makeCombo(byteChoices());
        addRow(tr(byteCaptions[b]), m_bytes[b], byteNames[b]);
    }
    m_send = makeCombo({tr("False"), tr("True")});
    m_sendLabel = addRow(tr("Send Frame when write SDO "), m_send, "ComboSendSdo");
    m_signal = new QLabel;
    m_signal->setTextInteractionFlags(Qt::TextSelectableByMouse);
    addRow(tr("DBC signal"), m_signal, "SignalName");
    right->addLayout(form);

    auto* actions = new QGridLayout;
    auto makeButton = [&](const char* name, const QString& caption,
                          void (SdoMappingWindow::*slot)(), int row, int column) {
        auto* button = new QPushButton(caption);
        nameControl(button, QLatin1String(name), caption);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, slot);
        actions->addWidget(button, row, column);
        return button;
    };
    auto* deleteButton =
        makeButton("BtnDelete", tr("Delete"), &SdoMappingWindow::DeleteClick, 0, 0);
    auto* newButton = makeButton("BtnNew", tr("New"), &SdoMappingWindow::NewClick, 0, 1);
    auto* modifyButton =
        makeButton("BtnModify", tr("Modify"), &SdoMappingWindow::ModifyClick, 0, 2);
    auto* copyButton = makeButton("BtnCopy", tr("Copy"), &SdoMappingWindow::CopyClick, 1, 0);
    auto* pasteButton = makeButton("BtnPaste", tr("Paste"), &SdoMappingWindow::PasteClick, 1, 1);
    right->addLayout(actions);
    right->addStretch();
    columns->addLayout(right);

    auto* bottom = new QHBoxLayout;
    const auto [ok, cancel] =
        makeOkCancel(this, &SdoMappingWindow::OkClick, &SdoMappingWindow::CancelClick);
    m_ok = ok;
    bottom->addWidget(m_ok);
    bottom->addWidget(cancel);
    bottom->addStretch();
    outer->addLayout(bottom);

    QWidget* order[] = {m_frameList,  m_entryList, m_index,      m_subIndex, m_dimension,
                        m_bytes[0],   m_bytes[1],  m_bytes[2],   m_bytes[3], m_send,
                        deleteButton, newButton,   modifyButton, copyButton, pasteButton,
                        m_ok,         cancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // Clicks also reselect the current item, which lists a frame's entries afresh.
    connect(m_frameList, &QListWidget::currentRowChanged, this, &SdoMappingWindow::selectFrame);
    connect(m_frameList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { selectFrame(m_frameList->row(item)); });
    connect(m_entryList, &QListWidget::currentRowChanged, this, &SdoMappingWindow::selectEntry);
    connect(m_entryList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { selectEntry(m_entryList->row(item)); });
    connect(m_dimension, &QComboBox::currentIndexChanged, this,
            &SdoMappingWindow::applyDimensionRule);

    setMode(static_cast<int>(side));
    makeToolWindow(this);
}

void SdoMappingWindow::setMode(int mode) {
    const SdoSide side = mode == 2 ? SdoSide::Transmitted : SdoSide::Received;
    if (side != m_model.side())
        m_model.setSide(side);
    const bool transmitted = side == SdoSide::Transmitted;
    setObjectName(transmitted ? QStringLiteral("FInfoTpdoMB") : QStringLiteral("FInfopdoMB"));
    setWindowTitle(transmitted ? tr("Transmit J1939 Frame Info SDO")
                               : tr("Receive J1939 Frame Info SDO"));
    const QString heading = QLatin1String(SdoMapping::frameHeading(side));
    m_heading->setText(heading);
    static_cast<HeadingColumnsDelegate*>(m_frameList->itemDelegate())->setHeading(heading);
    m_sendLabel->setVisible(transmitted);
    m_send->setVisible(transmitted);
}

void SdoMappingWindow::clearBoxes() {
    m_index->clear();
    m_subIndex->clear();
    m_dimension->setCurrentIndex(0);
    for (QComboBox* combo : m_bytes)
        combo->setCurrentIndex(0);
    m_send->setCurrentIndex(0);
    m_signal->clear();
    applyDimensionRule();
    markBoxesTaken();
}

void SdoMappingWindow::showSignalName(int row) {
    if (m_frame < 0 || row < 0) {
        m_signal->clear();
        return;
    }
    m_signal->setText(toQt(
        m_model.signalName({static_cast<std::size_t>(m_frame), static_cast<std::size_t>(row)})));
}

void SdoMappingWindow::FormShow() {
    {
        const QSignalBlocker frames(m_frameList);
        const QSignalBlocker entries(m_entryList);
        m_frameList->clear();
        m_entryList->clear();
    }
    m_frame = -1;
    clearBoxes();
    setMode(static_cast<int>(m_model.side()));

    m_model.load(m_state.projectFolder());
    m_model.tellLoadProblems(m_services.messages);
    {
        const QSignalBlocker frames(m_frameList);
        for (const SdoMappingFrame& frame : m_model.frames())
            m_frameList->addItem(toQt(frame.label));
        m_frameList->setCurrentRow(-1);
    }
    adjustSize(); // the layout's size, so that the window is centred as it will show
    centreOnScreen(this);
    markSaved();
    m_ok->setFocus();
}

void SdoMappingWindow::selectFrame(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_model.frames().size())
        return;
    m_frame = row;
    {
        const QSignalBlocker blocker(m_entryList);
        m_entryList->clear();
        const auto& entries = m_model.entries(static_cast<std::size_t>(row));
        for (std::size_t e = 0; e < entries.size(); ++e)
            m_entryList->addItem(QStringLiteral("Ind SDO %1").arg(e));
        m_entryList->setCurrentRow(-1);
    }
    clearBoxes();
}

void SdoMappingWindow::selectEntry(int row) {
    if (m_frame < 0 || row < 0)
        return;
    const auto& entries = m_model.entries(static_cast<std::size_t>(m_frame));
    if (static_cast<std::size_t>(row) >= entries.size())
        return;
    const SdoMappingEntry& entry = entries[static_cast<std::size_t>(row)];
    showValues(entry);
    showSignalName(row);
    markBoxesTaken();
}

void SdoMappingWindow::showValues(const SdoMappingEntry& entry) {
    m_index->setText(toQt(hexText(static_cast<std::uint32_t>(entry.index), 4)));
    m_subIndex->setText(QString::number(entry.subIndex));
    // A position that is no choice (a document edited by hand) shows an empty drop-down.
    m_dimension->setCurrentIndex(entry.dimension);
    for (std::size_t b = 0; b < m_bytes.size(); ++b)
        m_bytes[b]->setCurrentIndex(entry.bytes[b]);
    m_send->setCurrentIndex(entry.sendSdo);
    applyDimensionRule();
}

void SdoMappingWindow::applyDimensionRule() {
    const int dimension = m_dimension->currentIndex();
    m_bytes[0]->setEnabled(true);
    m_bytes[1]->setEnabled(dimension != 2);
    m_bytes[2]->setEnabled(dimension != 1 && dimension != 2);
    m_bytes[3]->setEnabled(dimension != 1 && dimension != 2);
}

SdoMappingEntry SdoMappingWindow::positions() const {
    SdoMappingEntry entry;
    entry.dimension = position(m_dimension);
    for (std::size_t b = 0; b < m_bytes.size(); ++b)
        entry.bytes[b] = position(m_bytes[b]);
    entry.sendSdo = m_model.side() == SdoSide::Transmitted ? position(m_send) : 0;
    return entry;
}

bool SdoMappingWindow::hasSelectedEntry() const {
    return m_frame >= 0 && m_entryList->currentRow() >= 0 && m_entryList->currentItem() &&
           m_entryList->currentItem()->isSelected();
}

void SdoMappingWindow::selectLabel(int row) {
    const QSignalBlocker blocker(m_entryList);
    m_entryList->setCurrentRow(row);
}

void SdoMappingWindow::NewClick() {
    if (m_frame < 0)
        return;
    const std::string indexText = toStd(m_index->text());
    const std::string subIndexText = toStd(m_subIndex->text());
    if (auto message = m_model.checkEntry(indexText, subIndexText, std::nullopt)) {
        m_services.messages.error(*message);
        return;
    }
    SdoMappingEntry entry = positions();
    if (auto message = noFrameByteMessage(entry.dimension, entry.bytes)) {
        m_services.messages.error(*message);
        return;
    }
    entry.index = parseInteger(indexText);
    entry.subIndex = parseInteger(subIndexText);
    m_model.addEntry(static_cast<std::size_t>(m_frame), entry);
    // Numbered by the labels shown, which after a Delete may repeat a number.
    m_entryList->addItem(QStringLiteral("Ind SDO %1").arg(m_entryList->count()));
    selectLabel(m_entryList->count() - 1);
    markBoxesTaken();
}

void SdoMappingWindow::ModifyClick() {
    if (!hasSelectedEntry())
        return;
    const SdoEntryPosition selected{static_cast<std::size_t>(m_frame),
                                    static_cast<std::size_t>(m_entryList->currentRow())};
    const std::string indexText = toStd(m_index->text());
    const std::string subIndexText = toStd(m_subIndex->text());
    if (auto message = m_model.checkEntry(indexText, subIndexText, selected)) {
        m_services.messages.error(*message);
        return;
    }
    SdoMappingEntry entry = positions();
    if (auto message = noFrameByteMessage(entry.dimension, entry.bytes)) {
        m_services.messages.error(*message);
        return;
    }
    entry.index = parseInteger(indexText);
    entry.subIndex = parseInteger(subIndexText);
    m_model.modifyEntry(selected, entry);
    showSignalName(int(selected.entry));
    markBoxesTaken();
}

void SdoMappingWindow::DeleteClick() {
    if (!hasSelectedEntry())
        return;
    const int row = m_entryList->currentRow();
    m_model.deleteEntry({static_cast<std::size_t>(m_frame), static_cast<std::size_t>(row)});
    const QSignalBlocker blocker(m_entryList);
    delete m_entryList->takeItem(row);
    m_entryList->setCurrentRow(-1);
    m_entryList->clearSelection();
    m_signal->clear();
    // The boxes keep the deleted entry's values, which are nothing to take.
    markBoxesTaken();
}

void SdoMappingWindow::CopyClick() {
    if (auto message = m_model.copy(toStd(m_index->text()), toStd(m_subIndex->text()), positions()))
        m_services.messages.error(*message);
}

void SdoMappingWindow::PasteClick() {
    showValues(m_model.clipboard());
}

QStringList SdoMappingWindow::boxState() const {
    const SdoMappingEntry p = positions();
    return {m_index->text(), m_subIndex->text(), QString::number(p.dimension),
            QString::number(p.bytes[0]), QString::number(p.bytes[1]), QString::number(p.bytes[2]),
            QString::number(p.bytes[3]), QString::number(p.sendSdo)};
}

QStringList SdoMappingWindow::editorState() const {
    QStringList state = EditorDialog::editorState();
    for (const SdoMappingFrame& frame : m_model.frames()) {
        state << QStringLiteral("frame %1").arg(frame.number);
        for (const SdoMappingEntry& e : frame.entries)
            state << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                         .arg(e.index)
                         .arg(e.subIndex)
                         .arg(e.dimension)
                         .arg(e.bytes[0])
                         .arg(e.bytes[1])
                         .arg(e.bytes[2])
                         .arg(e.bytes[3])
                         .arg(e.sendSdo);
    }
    return state;
}

bool SdoMappingWindow::takeBoxes() {
    if (hasSelectedEntry())
        ModifyClick();
    else
        NewClick();
    return boxState() == m_takenBoxes;
}

void SdoMappingWindow::OkClick() {
    // Enter in a box presses OK: values typed there and not yet taken are not dropped
    // without a word.
    if (boxState() != m_takenBoxes) {
        const bool canTake = m_frame >= 0;
        const QString text =
            canTake ? tr("The values in the boxes were not taken by New or Modify.\n\n"
                         "Add them before saving, drop them, or go back to the window?")
                    : tr("The values in the boxes were not taken by New or Modify, and no "
                         "frame is selected to take them.\n\nDrop them, or go back to the "
                         "window?");
        QStringList answers;
        if (canTake)
            answers << (hasSelectedEntry() ? tr("Modify the entry") : tr("Add them"));
        answers << tr("Drop them") << tr("Go back");
        const int answer =
            m_services.dialogs.choose(this, windowTitle(), text, answers, int(answers.size()) - 1);
        if (answer == int(answers.size()) - 1)
            return;
        if (canTake && answer == 0 && !takeBoxes())
            return; // the check said why; the window stays
    }
    if (reportingErrors(m_services.messages, [&] { m_model.save(m_state.projectFolder()); }))
        accept();
}

void SdoMappingWindow::CancelClick() {
    reject();
}

} // namespace ordane

#include "widgets/EditorGrid.h"

#include "widgets/GuiSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace ordane {

namespace {

constexpr int kTextRole = Qt::UserRole + 1;

// Draws a centred check box for "Y" and toggles it by mouse or space, storing "Y"/"N".
class CheckDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);

        QStyleOptionButton box;
        box.rect = checkRect(option);
        box.state = QStyle::State_Enabled |
                    (index.data(kTextRole).toString() == QLatin1String("Y") ? QStyle::State_On
                                                                            : QStyle::State_Off);
        style->drawControl(QStyle::CE_CheckBox, &box, painter, option.widget);
    }

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override {
        bool toggle = false;
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            toggle = mouse->button() == Qt::LeftButton &&
                     option.rect.contains(mouse->position().toPoint());
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            return true;
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            toggle = key == Qt::Key_Space || key == Qt::Key_Select;
        }
        if (!toggle)
            return false;
        const bool checked = index.data(kTextRole).toString() == QLatin1String("Y");
        model->setData(index, checked ? QStringLiteral("N") : QStringLiteral("Y"), kTextRole);
        return true;
    }

    QWidget* createEditor(QWidget*, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        return nullptr;
    }

private:
    static QRect checkRect(const QStyleOptionViewItem& option) {
        QStyleOptionButton box;
        QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        const QRect indicator =
            style->subElementRect(QStyle::SE_CheckBoxIndicator, &box, option.widget);
        QRect r(QPoint(0, 0), indicator.size());
        r.moveCenter(option.rect.center());
        return r;
    }
};

// A drop-down whose entries are the grid's current choices; an empty first entry clears.
class ChoiceDelegate : public QStyledItemDelegate {
public:
    ChoiceDelegate(const QStringList* entries, QObject* parent)
        : QStyledItemDelegate(parent), m_entries(entries) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* combo = new QComboBox(parent);
        combo->addItem(QString());
        combo->addItems(*m_entries);
        return combo;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* combo = static_cast<QComboBox*>(editor);
        const int at = combo->findText(index.data(Qt::EditRole).toString());
        combo->setCurrentIndex(at < 0 ? 0 : at);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
    }

private:
    const QStringList* m_entries;
};

} // namespace

EditorGrid::EditorGrid(int dataRows, const QStringList& headers, QWidget* parent)
    : QTableWidget(dataRows, int(headers.size()), parent) {
    setHorizontalHeaderLabels(headers);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    setTabKeyNavigation(true);
    setColumnWidth(0, 40);
    clearData();
}

void EditorGrid::setCheckColumn(int column) {
    m_checkColumn = column;
    setItemDelegateForColumn(column, new CheckDelegate(this));
}

void EditorGrid::setChoiceColumn(int column, const QStringList& entries) {
    m_choiceColumn = column;
    m_choices = entries;
    setItemDelegateForColumn(column, new ChoiceDelegate(&m_choices, this));
}

void EditorGrid::setChoices(int column, const QStringList& entries) {
    if (column == m_choiceColumn)
        m_choices = entries;
}

QStringList EditorGrid::choices(int column) const {
    return column == m_choiceColumn ? m_choices : QStringList();
}

void EditorGrid::clearData() {
    for (int r = 0; r < rowCount(); ++r) {
        auto* number = new QTableWidgetItem(QString::number(r + 1));
        number->setFlags(Qt::ItemIsEnabled);
        number->setTextAlignment(Qt::AlignCenter);
        number->setBackground(palette().button());
        setItem(r, 0, number);
        for (int c = 1; c < columnCount(); ++c) {
            auto* item = new QTableWidgetItem();
            if (c == m_checkColumn) {
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                item->setData(kTextRole, QString());
            }
            setItem(r, c, item);
        }
    }
}

std::string EditorGrid::cell(int row, int column) const {
    const QTableWidgetItem* it = item(row - 1, column);
    if (!it)
        return {};
    return toStd(column == m_checkColumn ? it->data(kTextRole).toString() : it->text());
}

void EditorGrid::setCell(int row, int column, const std::string& text) {
    QTableWidgetItem* it = item(row - 1, column);
    if (!it)
        return;
    if (column == m_checkColumn)
        it->setData(kTextRole, toQt(text));
    else
        it->setText(toQt(text));
}

} // namespace ordane

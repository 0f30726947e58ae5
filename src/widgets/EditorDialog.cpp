#include "widgets/EditorDialog.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>

namespace ordane {

EditorDialog::EditorDialog(const AppServices& services, QWidget* parent)
    : QDialog(parent), m_dialogs(services.dialogs) {}

void EditorDialog::markSaved() {
    m_saved = editorState();
}

bool EditorDialog::hasUnsavedChanges() const {
    return editorState() != m_saved;
}

void EditorDialog::reject() {
    if (hasUnsavedChanges() &&
        !m_dialogs.confirm(this, windowTitle(), tr("Discard your changes?")))
        return;
    QDialog::reject();
}

QStringList EditorDialog::editorState() const {
    QStringList state;
    for (const QWidget* w : findChildren<QWidget*>()) {
        // Dialogs of their own (an import's selection) are not this window's state.
        if (w->window() != this)
            continue;
        const QString name = w->objectName() + QLatin1Char('=');
        if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
            // The line edits inside drop-downs and spin boxes count through their owner.
            if (!qobject_cast<const QComboBox*>(w->parent()) &&
                !qobject_cast<const QAbstractSpinBox*>(w->parent()))
                state << name + edit->text();
        } else if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
            state << name + QString::number(combo->currentIndex()) + QLatin1Char(' ') +
                         combo->currentText();
        } else if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(w)) {
            state << name + spin->text();
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
            if (button->isCheckable())
                state << name + (button->isChecked() ? QLatin1Char('1') : QLatin1Char('0'));
        } else if (const auto* table = qobject_cast<const QTableWidget*>(w)) {
            state << name + QString::number(table->rowCount());
            for (int r = 0; r < table->rowCount(); ++r)
                for (int c = 0; c < table->columnCount(); ++c)
                    if (const QTableWidgetItem* item = table->item(r, c))
                        state << QStringLiteral("%1,%2=%3 %4")
                                     .arg(r)
                                     .arg(c)
                                     .arg(item->text())
                                     .arg(int(item->checkState()));
        }
    }
    return state;
}

} // namespace ordane

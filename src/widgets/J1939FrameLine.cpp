#include "widgets/J1939FrameLine.h"

#include "widgets/GuiSupport.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

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

} // namespace ordane

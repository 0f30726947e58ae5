#pragma once

#include "model/J1939FrameDefinition.h"

#include <QString>

#include <array>
#include <cstddef>
#include <vector>

class QComboBox;
class QGridLayout;
class QLineEdit;
class QWidget;

namespace ordane {

// The controls of one J1939 frame in a grid layout, columns 1 to 5: a priority drop-down
// (absent where the priority is fixed), a data-page drop-down, PGN, SA and mnemonic boxes.
struct J1939FrameLine {
    QComboBox* priority = nullptr;
    QComboBox* dataPage = nullptr;
    QLineEdit* pgn = nullptr;
    QLineEdit* sa = nullptr;
    QLineEdit* mnemonic = nullptr;

    // Object names are the field and `number` ("PGN3"); accessible names `lineName` and
    // the column head ("Frame J1939 3, PGN").
    static J1939FrameLine add(QGridLayout* grid, int row, int number, bool withPriority,
                              const QString& lineName);
    // The column heads "Priority" to "Mnemonic" at `row`.
    static void addHeads(QGridLayout* grid, int row);

    void show(const J1939FrameDefinition& frame) const;
    void take(J1939FrameDefinition& frame) const;
    // The line's controls in tab order.
    std::vector<QWidget*> controls() const;
};

// Every frame k of the model into line k, and back.
template <std::size_t N, class Model>
void showFrames(const std::array<J1939FrameLine, N>& lines, const Model& model) {
    for (std::size_t k = 1; k <= N; ++k)
        lines[k - 1].show(model.frame(int(k)));
}
template <std::size_t N, class Model>
void takeFrames(const std::array<J1939FrameLine, N>& lines, Model& model) {
    for (std::size_t k = 1; k <= N; ++k)
        lines[k - 1].take(model.frame(int(k)));
}

} // namespace ordane

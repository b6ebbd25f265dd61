#pragma once

#include <optional>

// The one numbering of a run's questions. Query identifiers: the candidates column by column, each column top to
// bottom, from 1 to columns x rows; then the made-up names in order. The order of sending: the made-up names
// first, then the candidates in identifier order.
struct QueryIds
{
    int columns = 0;
    int rows = 0;
    int canaries = 0;

    struct Slot
    {
        int column = 0; // from 1; 0 for a made-up name
        int row = 0;
        int canary = -1; // index of the made-up name, or -1 for a candidate
    };

    int candidates() const { return columns * rows; }
    int total() const { return candidates() + canaries; }
    int ofCell(int column, int row) const { return (column - 1) * rows + row; }
    int ofCanary(int index) const { return candidates() + index + 1; }
    // What an identifier stands for; nothing when no question of the run has it.
    std::optional<Slot> slotOf(int id) const
    {
        if (rows <= 0 || id < 1 || id > total())
            return std::nullopt;
        if (id > candidates())
            return Slot{0, 0, id - candidates() - 1};
        return Slot{(id - 1) / rows + 1, (id - 1) % rows + 1, -1};
    }
    // The identifier sent at step `step` (from 0) of a pass, and back.
    int idAt(int step) const { return step < canaries ? ofCanary(step) : step - canaries + 1; }
    int stepOf(int id) const { return id > candidates() ? id - candidates() - 1 : id + canaries - 1; }
};

// The table of the decode assistant: one row per reading (16-bit, BCD,
// 32/64-bit integers and floats in four byte orders, text in two), one column
// per start register. Cells are decoded when the view asks for them, so a new
// set of register values costs a comparison and one repaint of what is
// visible, however many columns there are.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <cstdint>
#include <vector>

#include "values/register_decode.h"

namespace zentiq {

class DecodeTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Text readings run at most this many registers.
    static constexpr int kMaxTextRegisters = 32;

    explicit DecodeTableModel(QObject* parent = nullptr);

    // The registers and which of them start a column (indices into words,
    // sorted), with the column titles. Text of a column runs from its start
    // to the last start.
    void SetLayout(std::vector<std::uint16_t> words, std::vector<int> starts, QStringList titles);
    // New values of the same registers; false (and no signal) when nothing
    // changed.
    bool SetWords(const std::vector<std::uint16_t>& words);

    const std::vector<std::uint16_t>& Words() const { return m_words; }
    const std::vector<int>& Starts() const { return m_starts; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Row of a reading, for selecting a candidate's cell; -1 when unknown.
    static int RowOf(const DecodeReading& reading);

private:
    int textRegisters(int column) const;

    std::vector<std::uint16_t> m_words;
    std::vector<int> m_starts;
    QStringList m_titles;
};

}  // namespace zentiq

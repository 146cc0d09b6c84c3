#pragma once

#include "dialogs/SectionSnapshot.h"

#include <QAbstractTableModel>

// The properties dialog's table of sections: number, size, completed, downloaded,
// rate, buffer and status, made from the copy taken at the last refresh.
class CSectionListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int kColumnCount = 7;

    explicit CSectionListModel(QObject* parent);

    // A new count rebuilds the rows; the same count repaints their cells. state
    // is the download's, which decides between waiting and stopped.
    void SetSections(std::vector<SectionSnapshot> sections, int32_t state);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The designed width, in which the columns share out the room left over.
    static int ColumnWidth(int column);
    // The texts of the column that stand widest: a column as wide as the
    // widest of them never cuts a figure.
    static QStringList WidestTexts(int column);

private:
    QString CellText(const SectionSnapshot& section, int column) const;
    QString StatusText(const SectionSnapshot& section) const;

    std::vector<SectionSnapshot> m_sections;
    int32_t m_nState = 0;
};

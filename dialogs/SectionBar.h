#pragma once

#include "dialogs/SectionSnapshot.h"

#include <QWidget>

// The properties dialog's bar of a download's sections: each section's done part
// at its place in the file, coloured by what the section does; while the file is
// allocated, the part allocated and its percentage.
class CSectionBar : public QWidget
{
    Q_OBJECT

public:
    struct Figures
    {
        int32_t state = 0;
        uint64_t fileSize = 0;
        uint64_t allocated = 0;
        bool allocationShown = false; // resumable, with a known size
        std::vector<SectionSnapshot> sections;
    };

    explicit CSectionBar(QWidget* parent);

    void SetFigures(Figures figures);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintSections(QPainter& painter, const QRect& inner);
    void PaintAllocation(QPainter& painter, const QRect& inner);

    Figures m_figures;
};

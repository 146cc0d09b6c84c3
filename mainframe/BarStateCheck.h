#pragma once

#include <QByteArray>

class QDataStream;

// Tells whether a stored QMainWindow::saveState() value is one the main window
// could have written, before restoreState() sees it. Qt trusts the counts in
// that stream: a damaged count makes it loop for minutes over a stream already
// read to its end. The value must hold the version marker and version, then
// the dock section (this window has no dock widgets) and the tool-bar section
// at most once each, with every count within what the window holds, and end
// exactly where the stream ends.
class CBarStateCheck
{
public:
    CBarStateCheck(int version, int toolBarCount);

    bool IsSound(const QByteArray& state) const;

private:
    static bool ReadDockSection(QDataStream& stream);
    bool ReadToolBarSection(QDataStream& stream) const;
    static bool ReadToolBarItem(QDataStream& stream);

    int m_nVersion;
    int m_nToolBarCount;
};

#pragma once

#include "dialogs/WrapLabel.h"

// A label of links that the keyboard reaches: taking the focus (other than by
// a click) focuses its first link, or its last one by Shift+Tab, so it never
// holds the focus with nothing shown focused; Tab past its last link leaves
// it, and Enter activates the focused one. The mouse activates links too;
// neither opens them by itself.
class CLinkLabel : public CWrapLabel
{
    Q_OBJECT

public:
    explicit CLinkLabel(const QString& html, QWidget* parent = nullptr);

    // Replaces the text; with the focus here, its first link takes it.
    void SetLinkText(const QString& html);

protected:
    void focusInEvent(QFocusEvent* event) override;
};

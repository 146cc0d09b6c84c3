#pragma once

#include "app/gui/Prompts.h"

// The prompt layer on QMessageBox and QFileDialog.
class CQtPrompts : public IPrompts
{
public:
    int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags) override;
    TaskDialogResult TaskDialog(const TaskDialogSpec& spec) override;
    FileDialogResult FileDialog(const FileDialogSpec& spec) override;
    std::optional<QString> BrowseForFolder(QWidget* owner, const QString& title, const QString& initial) override;
};

#include "OptionsFixture.h"

#include "dialogs/DialogControls.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "dialogs/TreeSheet.h"

OptionsFixture::OptionsFixture()
{
    settings.DefaultDownloadLocation = folder.path();
}

OptionsFixture::~OptionsFixture()
{
    dialog.reset();
}

COptionsDialog& OptionsFixture::Open(int startPage)
{
    dialog = std::make_unique<COptionsDialog>(startPage, nullptr);
    dialog->m_settings = settings;
    dialog->show();
    QApplication::processEvents();
    return *dialog;
}

QTreeWidget* OptionsFixture::Tree() const
{
    return FindControl<QTreeWidget>(dialog.get(), 1059);
}

QTreeWidgetItem* OptionsFixture::ItemOf(int page) const
{
    for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
        if (CTreeSheet::PageOf(*it) == dialog->Page(page))
            return *it;
    }
    return nullptr;
}

bool OptionsFixture::Select(int page)
{
    Tree()->setCurrentItem(ItemOf(page));
    QApplication::processEvents();
    return dialog->m_pActivePage == dialog->Page(page);
}

bool OptionsFixture::Ok()
{
    FindControl<QPushButton>(dialog.get(), IDOK)->click();
    QApplication::processEvents();
    return dialog->result() == QDialog::Accepted && !dialog->isVisible();
}

bool OptionsFixture::SetDefaultEnabled() const
{
    return FindControl(dialog.get(), 1117)->isEnabled();
}

void OptionsFixture::ClickSetDefault()
{
    FindControl<QPushButton>(dialog.get(), 1117)->click();
}

void OptionsFixture::SetText(int page, int id, const QString& text) const
{
    QWidget* control = FindControl(dialog->Page(page), id);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(control))
        combo->setEditText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        plain->setPlainText(text);
}

QString OptionsFixture::Text(int page, int id) const
{
    QWidget* control = FindControl(dialog->Page(page), id);
    if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        return plain->toPlainText();
    return ControlText(control);
}

QStringList OptionsFixture::TakeBoxes()
{
    QStringList texts;
    for (const ScriptedPrompts::Box& box : prompts.boxes)
        texts << box.text;
    prompts.boxes.clear();
    return texts;
}

#pragma once

#include "ControlLookup.h"
#include "UiFixture.h"

#include "app/AppSettings.h"
#include "dialogs/OptionsDialog.h"
#include "dialogs/OptionsPageBase.h"

#include <QTemporaryDir>

#include <memory>

class QTreeWidget;
class QTreeWidgetItem;

// An options dialog shown over a copy of `settings`, with a download folder that
// exists; pages are reached through the tree as the user reaches them.
class OptionsFixture : public UiFixture
{
protected:
    OptionsFixture();
    ~OptionsFixture() override;

    COptionsDialog& Open(int startPage);
    QTreeWidget* Tree() const;
    QTreeWidgetItem* ItemOf(int page) const;
    // Clicks the page's tree item; true when the page is now the one in front.
    bool Select(int page);
    // The page's own check and store, as leaving it runs them.
    bool Save(int page) const { return dialog->Page(page)->SaveData(); }
    // OK; true when the dialog ended with it.
    bool Ok();
    bool SetDefaultEnabled() const;
    void ClickSetDefault();

    template <typename T> T* Control(int page, int id) const { return FindControl<T>(dialog->Page(page), id); }
    void SetText(int page, int id, const QString& text) const;
    QString Text(int page, int id) const;

    // The texts of the boxes shown so far, then forgets them.
    QStringList TakeBoxes();

    QTemporaryDir folder;
    CAppSettings settings;
    std::unique_ptr<COptionsDialog> dialog;
};

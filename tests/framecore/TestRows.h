#pragma once

#include "engine/DownloadItem.h"
#include "mainframe/core/DownloadRows.h"

#include <memory>
#include <vector>

// The downloads list without a window: the rows in order, a selection, and a
// duplicate test that compares the three texts of every row.
class TestRows : public CDownloadRows
{
public:
    int GetItemCount() const override { return int(m_items.size()); }
    CDownloadItem* GetItem(int row) const override { return m_items[size_t(row)].get(); }
    std::vector<int> GetSelectedRows() const override { return selected; }
    bool FindItem(const QString& url, const QString& downloadUrl, const QString& path) const override;
    int AddItem(CDownloadItem* item) override;

    std::vector<int> selected; // ascending

private:
    std::vector<std::unique_ptr<CDownloadItem>> m_items;
};

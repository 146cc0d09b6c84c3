#pragma once

#include <QString>

#include <vector>

class CDownloadItem;

// The rows of the downloads list, top first, as the queue and the list files
// see them; the list view is the one that shows them.
class CDownloadRows
{
public:
    virtual int GetItemCount() const = 0;
    virtual CDownloadItem* GetItem(int row) const = 0;
    // Ascending.
    virtual std::vector<int> GetSelectedRows() const = 0;
    // Some row whose URL as entered, download URL or file path equals the
    // argument of the same kind, ignoring case; empty arguments match nothing.
    virtual bool FindItem(const QString& url, const QString& downloadUrl, const QString& path) const = 0;
    // Appends the item, which the rows then own, as the last row; returns the row.
    virtual int AddItem(CDownloadItem* item) = 0;

protected:
    ~CDownloadRows() = default;
};

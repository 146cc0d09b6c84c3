#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class CDownloadItem;
class CDownloadRows;
class QFileDevice;

// What one list-file routine did.
struct ListFileResult
{
    bool ok = false;
    QString failure{};     // the system's reason when not ok
    uint32_t count = 0;    // rows written, or rows added
    uint32_t existing = 0; // rows not added for being in the list already
    uint32_t lines = 0;    // the lines a text list held, usable or not
};

// Reads and writes the list files of the downloads list: binary lists (the
// autosaved one too), plain lists of URLs and the partial file of an unfinished
// download. Rows read are appended at the end, in file order, unless a row with
// the same URL, download URL or file exists; rows written are taken top first.
// It shows nothing: the window reports the results. User-interface thread only.
class CListFiles
{
public:
    static const QString kInvalidFile; // the failure of a file that is no list of ours

    explicit CListFiles(CDownloadRows& rows) : m_rows(rows) {}

    // Reads the autosaved list, if there is one. False when it could not be read
    // and no copy of it could be set aside: saving must then leave it alone.
    bool LoadAutosave();
    // Rewrites the autosaved list with every row, whole or not at all; a failure
    // is written to standard error.
    void SaveAutosave() const;

    // Binary lists; all = every row, else the selected ones. The rows read
    // before a failure stay.
    ListFileResult ImportList(const QString& path);
    ListFileResult ExportList(const QString& path, bool all) const;
    // Plain URL lists, one per line, in the encoding UnicodeImportExport picks.
    // A line that is no URL, or longer than a list can store, is used nowhere.
    ListFileResult ImportTextList(const QString& path);
    ListFileResult ExportTextList(const QString& path, bool all) const;
    // The download of an unfinished partial file, with its stub's progress;
    // existing is 1 when a row has it already.
    ListFileResult ImportUnfinished(const QString& path);

private:
    // The rows an export takes, top first: all, or the selected ones.
    std::vector<CDownloadItem*> ItemsToExport(bool all) const;
    // The reason of a failure, or empty; count gets the records written.
    QString WriteList(QFileDevice& file, bool all, uint32_t& count) const;
    // Appends the item unless a row already has its URL, download URL or file.
    bool AppendUnlessDuplicate(std::unique_ptr<CDownloadItem> item);

    CDownloadRows& m_rows;
};

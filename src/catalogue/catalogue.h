// The catalogue state of the main window, shared by the desktop application, the CLI and the
// tests: the kind, the folder, the counters, the status texts and the rows. Its owner thread
// applies the scan worker's requests one at a time.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "catalogue/catalog_model.h"
#include "base/rom_type.h"
#include "catalogue/duplicate_finder.h"
#include "catalogue/scan.h"

namespace vorne {

// What a view is told around each change of the catalogue: a toolkit's view must hear of a
// change before the rows move (the "AboutTo" calls) and again once they have.
class CatalogueObserver {
public:
    virtual ~CatalogueObserver() = default;
    virtual void RowsAboutToBeReset() {}
    virtual void RowsReset() {}
    virtual void RowsAboutToBeInserted(int /*first*/, int /*count*/) {}
    virtual void RowsInserted(int /*first*/, int /*count*/) {}
    virtual void RowsAboutToBeRemoved(int /*row*/) {}
    virtual void RowRemoved(int /*row*/) {}
    virtual void RowsAboutToBeReordered() {}
    virtual void RowsReordered() {}  // sorted or regrouped: every row may have changed
    virtual void RowChanged(int /*row*/) {}  // texts of the row changed where it stands
    virtual void StatusChanged(int /*part*/) {}
    virtual void FileProblemReported(const FileProblem& /*problem*/) {}
    virtual void IdleChanged(bool /*idle*/) {}
};

class Catalogue {
public:
    Catalogue();
    // Views hold on to a catalogue by address: it is neither copied nor moved.
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    // Choosing a kind: the columns are rebuilt and the duplicate groups cleared.
    void ChooseKind(RomType type);
    // The DAT the scans check the files against (null: none), given after the kind. With one,
    // the rows have the columns "DAT Name" and "DAT Match" behind the kind's; the columns are
    // rebuilt.
    void SetDat(std::shared_ptr<const DatSet> dat);
    const DatSet* Dat() const { return dat.get(); }
    std::shared_ptr<const DatSet> SharedDat() const { return dat; }
    // The columns of the rows: the kind's, and the DAT's.
    std::vector<ColumnInfo> Columns() const;
    // One of them; null past the last.
    const ColumnInfo* ColumnAt(int column) const;
    // How the scans find duplicates.
    void SetDuplicateRule(DuplicateRule rule) { duplicateRule = rule; }
    DuplicateRule Rule() const { return duplicateRule; }
    // The DAT's entries (games) that some row's file matches ("Yes"): copies of one game count once.
    int DatMatchCount() const;

    // Applies one request of the scan worker.
    void Apply(ScanEvent event);

    // The end of a scan in two steps, for an owner that finds the duplicates on another thread so
    // that its window keeps answering: the rows leave (views see an empty list meanwhile) ...
    CatalogModel TakeRowsToFinish();
    // ... and come back sorted and grouped by FindDuplicates, with its count.
    void FinishWith(CatalogModel sorted, int unique, const WalkDone& done);

    // A click on a column header: sorts by that column, the same column again reversing.
    void HeaderClicked(int column);
    // Sorts by `column` in the given direction (a sort the user chose before, given back).
    void SortBy(int column, bool ascending);

    // Takes row `row` out after its file was deleted: one entry less, and one unique file less
    // when the row duplicated no other; the duplicate groups follow.
    void RemoveRow(int row);

    // Puts the texts of row `row`'s file, read again after an edit, into the row, moves it to its
    // place in the current sort order and checks it for duplicates there; the count and its status
    // text follow. Returns the row's new index (-1 for a row that is not there).
    int RefreshRow(int row, std::vector<std::string> cells);

    // For the batch tools, which run while the catalogue is busy: status texts, the busy flag, and
    // new texts for cells, by the path of the plain file their row lists, all in one pass.
    using CellTexts = std::vector<std::pair<int, std::string>>;
    void ShowStatus(int part, std::string text) { SetStatus(part, std::move(text)); }
    void SetIdle(bool isIdle);
    void SetCells(const std::unordered_map<std::string, CellTexts>& byFilename);

    void SetObserver(CatalogueObserver* observer) { this->observer = observer; }

    // The folder whose files the rows name (absolute); empty when the kind has none.
    void SetFolder(std::string chosen) { folder = std::move(chosen); }

    RomType Type() const { return currentType; }
    const std::string& Folder() const { return folder; }
    int EntryCount() const { return entryCount; }
    int UniqueCount() const { return uniqueCount; }
    int ColumnCount() const { return columnCount; }
    // False while a scan or a batch tool runs.
    bool Idle() const { return idle; }
    const std::string& Status(int part) const { return status[static_cast<std::size_t>(part)]; }
    const CatalogModel& Model() const { return model; }
    const std::vector<FileProblem>& Problems() const { return problems; }  // of the last scan

private:
    void SetStatus(int part, std::string text);
    void Finish(const WalkDone& done);
    void EndScan(const WalkDone& done);  // the timing, and idle again

    // The observer, or one that ignores everything when nobody watches.
    CatalogueObserver& Observer();

    // Told of every change; null when nobody watches.
    CatalogueObserver* observer = nullptr;

    RomType currentType = RomType::Nes;
    std::string folder;
    int entryCount = 0;
    int uniqueCount = 0;
    int columnCount = 0;
    bool idle = true;
    std::array<std::string, kStatusPartCount> status;
    CatalogModel model;
    std::shared_ptr<const DatSet> dat;
    DuplicateRule duplicateRule = DuplicateRule::Columns;
    std::vector<FileProblem> problems;
};

// "%d ROMs", or "1 ROM".
std::string RomCountText(int count);
// The columns a DAT adds behind the kind's.
inline constexpr ColumnInfo kDatColumns[] = {{"DAT Name", 250, Align::Left}, {"DAT Match", 70, Align::Center}};
inline constexpr int kDatColumnCount = 2;

// "%d of %d in DAT": entries that some file matches, entries (games) in the DAT.
std::string InDatText(int matched, std::size_t entries);

// "%.3f seconds, %.3f files per second"; at no measurable time the rate is given as 0.
std::string TimingText(std::chrono::nanoseconds elapsed, int count);

}  // namespace vorne

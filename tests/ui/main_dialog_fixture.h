// A main window over a folder of the test's own, with rows either scanned from files or handed
// in as the scan worker would send them.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/scan.h"
#include "support/temp_dir.h"
#include "ui/main_dialog.h"
#include "ui/settings.h"
#include "ui/sort_list_ctrl.h"
#include "ui_test_support.h"

namespace vorne::ui::test {

class MainDialogTest : public ::testing::Test {
protected:
    vorne::test::TempDir dir;
    std::string roms = dir / "roms";
    QString settingsPath = Q(dir / "vorne.conf");
    Settings settings{settingsPath};
    FakePrompts prompts;
    std::unique_ptr<CMainDialog> window;

    // Deleting goes to the trash by default; a test deletes for good unless it says otherwise, so
    // that nothing reaches the trash of the user running the tests.
    MainDialogTest() { settings.SetDeleteToTrash(false); }

    // Opens the window with `type` stored as the last kind and `folder` as its folder.
    void Open(RomType type, const QString& folder) {
        settings.SetLastType(type);
        settings.SetFolder(type, folder);
        window = std::make_unique<CMainDialog>(settings, prompts, std::string());
        window->resize(900, 500);
        window->show();
        window->StartUp();
        ASSERT_TRUE(WaitIdle());
    }
    void Open(RomType type) { Open(type, Q(roms)); }

    bool WaitIdle() {
        return WaitFor([this] { return window->Idle(); });
    }

    // Hands the window a finished scan of these rows, as the worker would.
    void Feed(const std::vector<std::vector<std::string>>& rows) {
        window->GetCatalogue().SetFolder(roms);
        ScanEventPump& pump = window->Pump();
        pump.Post(ScanStarted{});
        RowsFound found;
        for (const auto& cells : rows) {
            auto member = members.find(cells[kFilenameColumn]);
            found.rows.push_back(CatalogRow{cells, member != members.end() ? member->second : RowFile{cells[kFilenameColumn]}});
        }
        pump.Post(std::move(found));
        pump.Post(WalkDone{std::chrono::steady_clock::now()});
        pump.DrainAll();
    }

    // The file name cell of member `member` of `archive`; a row fed with it lists that member.
    std::string Member(const std::string& archive, const std::string& member, std::int64_t entry = 0) {
        const RowFile file{archive, ArchiveMember{member, entry}};
        members[FilenameText(file)] = file;
        return FilenameText(file);
    }
    std::map<std::string, RowFile> members;

    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        const CatalogModel& model = window->GetCatalogue().Model();
        for (int r = 0; r < model.RowCount(); ++r) texts.emplace_back(model.Cell(r, column));
        return texts;
    }

    // Selects the rows of these files, and no other.
    void Select(const std::vector<std::string>& filenames) {
        CSortListCtrl* list = window->List();
        list->clearSelection();
        for (const std::string& name : filenames) {
            list->selectionModel()->select(list->model()->index(RowNamed(name), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    int RowNamed(const std::string& filename) const {
        const CatalogModel& model = window->GetCatalogue().Model();
        for (int r = 0; r < model.RowCount(); ++r) {
            if (model.Cell(r, kFilenameColumn) == filename) return r;
        }
        return -1;
    }
};

// A Game Boy row: title, file name, size, then the decoded columns.
inline std::vector<std::string> GbRow(const std::string& title, const std::string& filename,
                                      const std::string& size = "32768", const std::string& type = "ROM ONLY") {
    return {title, filename, size, "32k", "None", "1234", "01", "No", "Japan", type};
}

}  // namespace vorne::ui::test

// "Missing from DAT": the DAT's entries that no listed file matches, by name, and a button that
// saves them as a fixdat (a Logiqx DAT of those entries alone, for a ROM manager to fill in).
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <vector>

#include "dat/dat_set.h"

class QLabel;
class QListView;
class QPushButton;

namespace vorne::ui {

class CUserPrompts;

class CMissingDatDialog final : public QDialog {
    Q_OBJECT

public:
    // `missing`: indices into dat->file.games.
    CMissingDatDialog(std::shared_ptr<const DatSet> dat, std::vector<std::uint32_t> missing, CUserPrompts& prompts,
                      QWidget* parent = nullptr);

    // Asks for a file and writes the fixdat there; a file that cannot be written is said so.
    void OnSaveFixdat();

    QListView* List() const { return list; }
    QLabel* CountLabel() const { return count; }
    QPushButton* SaveButton() const { return save; }

private:
    std::shared_ptr<const DatSet> dat;
    std::vector<std::uint32_t> missing;
    CUserPrompts& prompts;
    QListView* list = nullptr;
    QLabel* count = nullptr;
    QPushButton* save = nullptr;
};

}  // namespace vorne::ui

// The Compare ROM Lists dialog: loads an original and a test list file and shows the lines of the
// test list that match no line of the original (file names aside), which can be saved. The three
// lists keep their entries in alphabetical order without regard to case; the dialog keeps nothing
// once it closes.
#pragma once

#include <QDialog>

#include "tools/list_compare.h"

class QLabel;
class QListView;
class QPushButton;
class QStringListModel;

namespace vorne::ui {

class CUserPrompts;

class CCompareListsDialog final : public QDialog {
    Q_OBJECT

public:
    explicit CCompareListsDialog(CUserPrompts& prompts, QWidget* parent = nullptr);

    void OnLoadOriginal();
    void OnLoadTest();
    void OnCompare();
    void OnSave();

    // The controls, by their part.
    enum class Part { Original, Test, Unmatched };
    QListView* List(Part part) const;
    QLabel* Label(Part part) const;
    QPushButton* LoadOriginalButton() const { return loadOriginal; }
    QPushButton* LoadTestButton() const { return loadTest; }
    QPushButton* CompareButton() const { return compare; }
    QPushButton* SaveButton() const { return save; }

private:
    // Asks for a list file and reads its entries; a file that cannot be read gives none (and says
    // why). Nothing when the dialog is cancelled.
    std::optional<std::vector<std::string>> LoadFile(const QString& title);
    void Show(Part part, const std::vector<std::string>& entries, const QString& label);

    CUserPrompts& prompts;
    ListComparison comparison;
    QPushButton* loadOriginal = nullptr;
    QPushButton* loadTest = nullptr;
    QPushButton* compare = nullptr;
    QPushButton* save = nullptr;
    QListView* lists[3] = {};
    QLabel* labels[3] = {};
    QStringListModel* models[3] = {};
};

}  // namespace vorne::ui

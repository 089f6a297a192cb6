// The pattern of "Tags from File Names..." and "Rename from Tags...": a box for the pattern
// ("%artist% - %title%"), the place holders it may hold, and a preview of the first files the
// command takes, updated as the pattern changes: what each name gives (or why it gives nothing),
// or each file's new name (or why it keeps its own). Nothing is written here: OK hands the
// pattern to the command, and is greyed while the pattern is not one. The tags a rename preview
// needs are read once, on a worker of the dialog's own, so the window never waits on a file.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalog_model.h"
#include "tools/tag_names.h"
#include "ui/worker.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace vorne::ui {

class CTagPatternDialog final : public QDialog {
    Q_OBJECT

public:
    enum class Mode { TagsFromNames, RenameFromTags };
    static constexpr int kPreviewRows = 10;

    // For the files of `rows` (inside `folder`), starting from `pattern`.
    CTagPatternDialog(Mode mode, std::string folder, std::vector<CatalogRow> rows, const QString& pattern,
                      QWidget* parent = nullptr);
    ~CTagPatternDialog() override;

    QString Pattern() const;
    // "Also write ID3v2" (tags from names only): files without an ID3v2 tag get one.
    bool AlsoWriteId3v2() const;

    // For tests and screenshots.
    QLineEdit* PatternBox() const { return patternBox; }
    QTreeWidget* Preview() const { return preview; }
    QLabel* Problem() const { return problem; }
    QPushButton* OkButton() const { return okButton; }
    QCheckBox* Id3v2Box() const { return id3v2Box; }
    // The tags the preview shows are read (always so for tags from names).
    bool PreviewReady() const { return mode == Mode::TagsFromNames || tags.has_value(); }

private:
    // What the tags of a previewed file give a name, or why they give none.
    struct FileTags {
        NameTexts texts;
        std::string error;
    };

    void ReadTags();
    void UpdatePreview();
    // The second column of a previewed file.
    QString PreviewText(const CatalogRow& row, std::size_t index, const TagPattern& pattern) const;

    Mode mode;
    std::string folder;
    std::vector<CatalogRow> rows;  // the first few the command takes
    std::optional<std::vector<FileTags>> tags;  // a rename's: one for each row, once read

    QLineEdit* patternBox = nullptr;
    QTreeWidget* preview = nullptr;
    QLabel* problem = nullptr;
    QPushButton* okButton = nullptr;
    QCheckBox* id3v2Box = nullptr;

    // Last, so that it goes first: a read still running is waited for while the dialog is whole.
    Worker reader;
};

}  // namespace vorne::ui

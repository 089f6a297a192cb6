// The base of the header edit dialogs: one file, one reader of its kind, a form of fields filled
// from the reader's typed values and written back through its WriteFields, and the reporting of
// what goes wrong. The dialog never decodes or encodes a header itself.
//
// A dialog is made with the chosen folder and the file's path in it (its row's RowFile::path),
// then Load() reads the file and fills the fields. The ROM dialogs write with "&Write Headers",
// which stays in the dialog and says so under the form; after a write the file is read again, so
// the fields show what it now holds. "OK" closes without writing. Closing in any way (OK, Enter,
// Escape, the close box) while the controls hold what the file does not asks "Write the
// changes?": Yes writes and closes (a failed write keeps the dialog open), No closes, Cancel stays.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/rom_header.h"

class QFormLayout;
class QLabel;
class QLineEdit;
class QTimer;
class QRadioButton;
class QVBoxLayout;

namespace vorne::ui {

class CUserPrompts;

// An edit box of a dialog: its label, its length limit, and the field it shows and writes.
struct FieldBox {
    template <FieldEnum Field>
    constexpr FieldBox(const char* label, int limit, Field field) : label(label), limit(limit), field(FieldNumber(field)) {}

    const char* label;
    int limit;
    int field;
};

class CHeaderEditDialog : public QDialog {
    Q_OBJECT

public:
    // Reads the file and shows its fields; false, after telling the user why, when it cannot be read.
    bool Load();

    // Whether the controls hold values other than those the file holds.
    virtual bool Changed() const;
    // Closing asks about unwritten changes first.
    void done(int result) override;

    // The line beside the buttons that says a write went through; empty otherwise.
    QLabel* WrittenNote() const { return writtenNote; }

protected:
    // `caption` is the dialog's title until a file is loaded, `fileCaption` the title with a file
    // (followed by " - " and its name). `prompts` is null only for a dialog that touches no file.
    CHeaderEditDialog(std::unique_ptr<RomHeader> reader, const std::string& folder, std::string name, const QString& caption,
                      QString fileCaption, CUserPrompts* prompts, QWidget* parent);

    // Fills the controls from the loaded reader.
    virtual void Fill() = 0;
    // What "&Write Headers" writes, in its order.
    virtual std::vector<FieldEdit> HeaderEdits() const { return {}; }

    // Writes `edits` in order (each checked against the file before the first is written); a
    // failure is shown in a message box and the dialog stays as it is. True when all were written.
    bool Write(std::span<const FieldEdit> edits);
    // Runs `work` on the file; a failure is shown in a message box. True when it went through.
    bool Attempt(const std::function<void()>& work);
    // Writes what the controls hold, for a Yes to "Write the changes?"; true when it went through.
    virtual bool WriteChanges();
    // Closes with `result` without asking: after a write, or for a button that throws the edits away.
    void CloseAsIs(int result);
    // Shows `text` beside the buttons for a few seconds.
    void ShowNote(const QString& text);

    // Adds a labelled row to the form, the label's buddy being `field` (or `buddy` when given).
    void AddRow(const QString& label, QWidget* field, QWidget* buddy = nullptr);
    // An edit box with a length limit.
    QLineEdit* NewBox(int limit);
    // An edit box in a row of its own, labelled.
    QLineEdit* AddBox(const FieldBox& box);
    // Two radio buttons side by side in a labelled row of their own, which makes them one group;
    // the label leads to the first.
    void AddButtonPair(const QString& label, QRadioButton*& first, const QString& firstText, QRadioButton*& second,
                       const QString& secondText);
    // The row of "&Write Headers" and "OK" under the form.
    void AddWriteHeadersButtons();

    RomHeader& GetReader() { return *reader; }
    CUserPrompts* Prompts() const { return prompts; }
    QFormLayout* Form() const { return form; }
    // The dialog's column: the form, then whatever a dialog adds under it.
    QVBoxLayout* Body() const { return body; }

private:
    void OnWriteHeaders();

    std::unique_ptr<RomHeader> reader;
    std::string path;  // what the reader opens: the folder and the name
    std::string name;
    QString fileCaption;
    CUserPrompts* prompts;
    QFormLayout* form = nullptr;
    QVBoxLayout* body = nullptr;
    QLabel* writtenNote = nullptr;
    QTimer* noteTimer = nullptr;
    bool loaded = false;
    std::vector<FieldEdit> shownEdits;  // what "&Write Headers" writes from the controls as filled
};

// The message box title of a file that cannot be read or written.
inline constexpr const char* kFileErrorTitle = "File Error";

}  // namespace vorne::ui

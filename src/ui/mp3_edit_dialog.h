// "MP3 Edit": the ID3v1 tag fields of one MP3 file, or, without a file, the values the mass tag
// edit writes into many.
//
// With a file ("MP3 Tag Edit - " and its name): the fields show the tag without trailing blanks;
// "&Write Info" writes every field and closes, "&Delete Tag" cuts the tag off and closes; a
// failure is shown and the dialog stays open. "&Cancel" closes without writing; the close box
// and Escape ask first when the boxes differ from the tag. Without a file nothing is touched:
// "&Write Info" keeps the six texts for FieldText, and "&Delete Tag" asks "Delete the tags of N
// files?" and on Yes ends the dialog with DeleteTagsResult.
//
// A genre box holding no number (empty, blanks, letters) writes no genre: the file keeps its own.
#pragma once

#include <array>
#include <string>

#include "formats/mp3.h"
#include "ui/header_edit_dialog.h"

class QLabel;

namespace vorne::ui {

class CMp3EditDialog final : public CHeaderEditDialog {
    Q_OBJECT

public:
    // How the dialog without a file ends on "&Delete Tag": delete the tags of all chosen files.
    static constexpr int DeleteTagsResult = 315987;

    // The boxes, each with the tag field it holds.
    static constexpr std::array<FieldBox, 6> kBoxes{{
        {"Title", 30, Mp3Field::Title},
        {"Artist", 30, Mp3Field::Artist},
        {"Album", 30, Mp3Field::Album},
        {"Year", 4, Mp3Field::Year},
        {"Comment", 30, Mp3Field::Comment},
        {"Genre", 3, Mp3Field::Genre},
    }};

    // For one file.
    CMp3EditDialog(const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent = nullptr);
    // Without a file, for the mass tag edit of `fileCount` files.
    CMp3EditDialog(int fileCount, CUserPrompts& prompts, QWidget* parent = nullptr);

    // The text kept for field `index` (one of the boxes' fields), as bytes; the empty text for any
    // other, and for a genre that is no number.
    std::string FieldText(int index) const;
    bool SingleFile() const { return singleFile; }
    bool Changed() const override;

    void OnWriteInfo();
    void OnDeleteTag();

    // The box of kBoxes[i].
    QLineEdit* Box(std::size_t i) const { return boxes[i]; }
    QLabel* Note() const { return note; }

private:
    CMp3EditDialog(bool singleFile, const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent);
    void Fill() override;
    // Keeps the boxes' texts and, with a file, writes them; true when that went through.
    bool WriteChanges() override;

    Mp3Tag& tag;
    bool singleFile;
    int fileCount = 1;
    std::array<std::string, FieldNumber(Mp3Field::Count)> fieldTexts;  // by field, for the boxes' fields
    std::array<std::string, kBoxes.size()> shownTexts;  // what the boxes were filled with
    std::array<QLineEdit*, kBoxes.size()> boxes{};
    QLabel* note = nullptr;
};

}  // namespace vorne::ui

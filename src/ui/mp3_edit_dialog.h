// "MP3 Edit": the ID3v1 tag fields of one MP3 file, or, without a file, the values the mass tag
// edit writes into many.
//
// With a file ("MP3 Tag Edit - " and its name): the fields show the tag without trailing blanks;
// "&Write Info" writes every field into the ID3v1 tag, and the fields the user changed into the
// file's ID3v2 tag, and closes; "&Delete Tag" cuts the ID3v1 tag off and closes; a failure is
// shown and the dialog stays open. "Also write ID3v2" (offered to a file without an ID3v2 tag)
// gives the file a new ID3v2 tag too. "&Cancel" closes without writing; the close box and Escape
// ask first when the boxes differ from the tag. Without a file nothing is touched: "&Write Info"
// keeps the six texts for FieldText and the check box for AlsoWriteId3v2, "&Delete Tag" asks
// "Delete the tags of N files?" and on Yes ends the dialog with DeleteTagsResult, "Delete ID3v2
// Tag" asks "Delete the ID3v2 tags of N files?" and on Yes ends it with DeleteId3v2TagsResult.
//
// A genre box holding no number (empty, blanks, letters) writes no genre: the file keeps its own.
#pragma once

#include <array>
#include <string>

#include "formats/mp3.h"
#include "ui/header_edit_dialog.h"

class QCheckBox;
class QLabel;

namespace vorne::ui {

class CMp3EditDialog final : public CHeaderEditDialog {
    Q_OBJECT

public:
    // How the dialog without a file ends on "&Delete Tag": delete the tags of all chosen files.
    static constexpr int DeleteTagsResult = 315987;
    // And on "Delete ID3v2 Tag": delete the ID3v2 tags of all chosen files.
    static constexpr int DeleteId3v2TagsResult = 315988;

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
    // Whether "Also write ID3v2" is checked: files without an ID3v2 tag get one.
    bool AlsoWriteId3v2() const;
    bool Changed() const override;

    void OnWriteInfo();
    void OnDeleteTag();
    // Without a file: asks "Delete the ID3v2 tags of N files?" and on Yes ends the dialog.
    void OnDeleteId3v2Tag();

    // The box of kBoxes[i].
    QLineEdit* Box(std::size_t i) const { return boxes[i]; }
    QLabel* Note() const { return note; }
    QCheckBox* AlsoId3v2Box() const { return alsoId3v2; }

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
    QCheckBox* alsoId3v2 = nullptr;
};

}  // namespace vorne::ui

// Everything Vorne remembers between runs, and the only code that knows the value names: per kind
// a folder, a program and a DAT file, the kind chosen last, and a few choices of the window. Every value is
// written the moment it changes.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>
#include <string>

#include "base/rom_type.h"

class QSettings;

namespace vorne::ui {

class Settings {
public:
    // The user's own settings (organisation "Brask", application "Vorne").
    Settings();
    // The settings kept in the file `path` instead (for tests, `make run`, screenshots).
    explicit Settings(const QString& path);
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // The kind chosen last; a missing or stored value outside the kinds gives kind 0.
    RomType LastType() const;
    void SetLastType(RomType type);

    // The folder of a kind, as the bytes of its path; empty when none was chosen. It is kept as
    // text, and a path that text cannot hold (not UTF-8) as its bytes besides; the text wins when
    // it was edited by hand.
    std::string FolderPath(RomType type) const;
    // Writes the folder; an empty path deletes the value.
    void SetFolderPath(RomType type, const std::string& folder);
    // The same as text (for a path that is not UTF-8, what it shows).
    QString Folder(RomType type) const;
    void SetFolder(RomType type, const QString& folder);

    // The program to launch for a kind: a program path and its arguments; empty: none.
    QString Program(RomType type) const;
    void SetProgram(RomType type, const QString& program);

    // The DAT file the scans of a kind check the files against; empty: none.
    QString DatFile(RomType type) const;
    void SetDatFile(RomType type, const QString& path);

    // Duplicates are rows whose data agree instead of rows whose columns do (off when missing).
    bool DuplicatesByData() const;
    void SetDuplicatesByData(bool on);

    // Removes every value of the application, "Last Type" among them.
    void EraseAll();

    // Deleting moves files to the trash instead of removing them for good (on when missing).
    bool DeleteToTrash() const;
    void SetDeleteToTrash(bool toTrash);

    // The window's geometry and the list header's state (column widths), per kind.
    QByteArray WindowGeometry() const;
    void SetWindowGeometry(const QByteArray& geometry);
    QByteArray ColumnState(RomType type) const;
    void SetColumnState(RomType type, const QByteArray& state);

    // Per kind: the two search boxes (off when missing) and the column the user sorted by last
    // (none when missing: the list stays in the scan's order).
    bool SearchSubfolders(RomType type) const;
    void SetSearchSubfolders(RomType type, bool on);
    bool SearchZipFiles(RomType type) const;
    void SetSearchZipFiles(RomType type, bool on);
    struct SortOrder {
        int column = 0;
        bool ascending = true;
    };
    std::optional<SortOrder> ChosenSort(RomType type) const;
    void SetChosenSort(RomType type, SortOrder order);

    // The pattern of file names last given to "Tags from File Names..." or "Rename from Tags..."
    // ("%artist% - %title%" when missing).
    QString TagNamePattern() const;
    void SetTagNamePattern(const QString& pattern);

private:
    QString ReadString(const QString& name) const;
    void WriteString(const QString& name, const QString& value);  // empty: deleted
    void Write(const QString& name, const QVariant& value);

    std::unique_ptr<QSettings> store;
};

}  // namespace vorne::ui

#include "ui/settings.h"

#include <QSettings>

#include "ui/byte_text.h"

namespace vorne::ui {

namespace {

constexpr char kOrganisation[] = "Brask";
constexpr char kApplication[] = "Vorne";
constexpr char kGroup[] = "Settings";

constexpr char kLastType[] = "Last Type";
constexpr char kDeleteToTrash[] = "Delete To Trash";
constexpr char kWindowGeometry[] = "Window Geometry";
constexpr char kDuplicatesByData[] = "Duplicates By Data";
constexpr char kTagNamePattern[] = "Tag Name Pattern";

QString FolderName(RomType type) { return QStringLiteral("Rom Type %1 Dir").arg(static_cast<int>(type)); }
QString FolderBytesName(RomType type) { return QStringLiteral("Rom Type %1 Dir Bytes").arg(static_cast<int>(type)); }
QString ProgramName(RomType type) { return QStringLiteral("Rom Type %1 Exec").arg(static_cast<int>(type)); }
QString DatName(RomType type) { return QStringLiteral("Rom Type %1 Dat").arg(static_cast<int>(type)); }
QString ColumnStateName(RomType type) { return QStringLiteral("Rom Type %1 Columns").arg(static_cast<int>(type)); }
QString SubfoldersName(RomType type) { return QStringLiteral("Rom Type %1 Subdirectories").arg(static_cast<int>(type)); }
QString ZipFilesName(RomType type) { return QStringLiteral("Rom Type %1 Zip Files").arg(static_cast<int>(type)); }
QString SortColumnName(RomType type) { return QStringLiteral("Rom Type %1 Sort Column").arg(static_cast<int>(type)); }
QString SortAscendingName(RomType type) { return QStringLiteral("Rom Type %1 Sort Ascending").arg(static_cast<int>(type)); }

// Names are given whole: "Settings/Last Type".
QString Key(const QString& name) { return QString::fromLatin1(kGroup) + '/' + name; }

}  // namespace

Settings::Settings() : store(std::make_unique<QSettings>(kOrganisation, kApplication)) {}

Settings::Settings(const QString& path) : store(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

Settings::~Settings() = default;

RomType Settings::LastType() const {
    bool ok = false;
    int value = store->value(Key(kLastType), 0).toInt(&ok);
    // A value outside the kinds (edited by hand, or from a newer version) must not leave the
    // window without a kind.
    if (!ok || value < 0 || value >= kRomTypeCount) value = 0;
    return static_cast<RomType>(value);
}

void Settings::SetLastType(RomType type) { Write(kLastType, static_cast<int>(type)); }

std::string Settings::FolderPath(RomType type) const {
    const QByteArray bytes = store->value(Key(FolderBytesName(type))).toByteArray();
    return BytesOf(ReadString(FolderName(type)), bytes.toStdString());
}

void Settings::SetFolderPath(RomType type, const std::string& folder) {
    const QString text = FromBytes(folder);
    // QSettings keeps a QByteArray as it is; the text of a path that is not UTF-8 has lost bytes.
    if (ToBytes(text) == folder) {
        store->remove(Key(FolderBytesName(type)));
    } else {
        store->setValue(Key(FolderBytesName(type)), QByteArray::fromStdString(folder));
    }
    WriteString(FolderName(type), text);
}

QString Settings::Folder(RomType type) const { return FromBytes(FolderPath(type)); }
void Settings::SetFolder(RomType type, const QString& folder) { SetFolderPath(type, ToBytes(folder)); }

QString Settings::Program(RomType type) const { return ReadString(ProgramName(type)); }
void Settings::SetProgram(RomType type, const QString& program) { WriteString(ProgramName(type), program); }

QString Settings::DatFile(RomType type) const { return ReadString(DatName(type)); }
void Settings::SetDatFile(RomType type, const QString& path) { WriteString(DatName(type), path); }

bool Settings::DuplicatesByData() const { return store->value(Key(kDuplicatesByData), false).toBool(); }
void Settings::SetDuplicatesByData(bool on) { Write(kDuplicatesByData, on); }

void Settings::EraseAll() {
    store->clear();  // the whole application, not only the values the window knows
    store->sync();
}

bool Settings::DeleteToTrash() const { return store->value(Key(kDeleteToTrash), true).toBool(); }
void Settings::SetDeleteToTrash(bool toTrash) { Write(kDeleteToTrash, toTrash); }

QByteArray Settings::WindowGeometry() const { return store->value(Key(kWindowGeometry)).toByteArray(); }
void Settings::SetWindowGeometry(const QByteArray& geometry) { Write(kWindowGeometry, geometry); }

QByteArray Settings::ColumnState(RomType type) const { return store->value(Key(ColumnStateName(type))).toByteArray(); }
void Settings::SetColumnState(RomType type, const QByteArray& state) { Write(ColumnStateName(type), state); }

bool Settings::SearchSubfolders(RomType type) const { return store->value(Key(SubfoldersName(type)), false).toBool(); }
void Settings::SetSearchSubfolders(RomType type, bool on) { Write(SubfoldersName(type), on); }
bool Settings::SearchZipFiles(RomType type) const { return store->value(Key(ZipFilesName(type)), false).toBool(); }
void Settings::SetSearchZipFiles(RomType type, bool on) { Write(ZipFilesName(type), on); }

std::optional<Settings::SortOrder> Settings::ChosenSort(RomType type) const {
    bool ok = false;
    const int column = store->value(Key(SortColumnName(type))).toInt(&ok);
    // A column the kind does not have (edited by hand) is no choice.
    if (!ok || column < 0 || column >= ColumnCount(type)) return std::nullopt;
    return SortOrder{column, store->value(Key(SortAscendingName(type)), true).toBool()};
}

void Settings::SetChosenSort(RomType type, SortOrder order) {
    Write(SortColumnName(type), order.column);
    Write(SortAscendingName(type), order.ascending);
}

QString Settings::TagNamePattern() const {
    const QString pattern = ReadString(kTagNamePattern);
    return pattern.isEmpty() ? QStringLiteral("%artist% - %title%") : pattern;
}
void Settings::SetTagNamePattern(const QString& pattern) { WriteString(kTagNamePattern, pattern); }

QString Settings::ReadString(const QString& name) const { return store->value(Key(name)).toString(); }

void Settings::WriteString(const QString& name, const QString& value) {
    if (value.isEmpty()) {
        store->remove(Key(name));
        store->sync();
    } else {
        Write(name, value);
    }
}

// Every value reaches the store at once: nothing is left to be written when the program ends.
void Settings::Write(const QString& name, const QVariant& value) {
    store->setValue(Key(name), value);
    store->sync();
}

}  // namespace vorne::ui

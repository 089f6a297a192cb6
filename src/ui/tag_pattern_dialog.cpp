#include "ui/tag_pattern_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <stdexcept>

#include "formats/mp3.h"
#include "tools/tool_rows.h"
#include "ui/byte_text.h"
#include "ui/dialog_width.h"

namespace vorne::ui {

namespace {

QString PlaceHolders() {
    QString text;
    for (Mp3Field field : TagPattern::PlaceHolderFields()) {
        if (!text.isEmpty()) text += QLatin1Char(' ');
        text += QLatin1Char('%') + QString::fromLatin1(TagPattern::PlaceHolderName(field)) + QLatin1Char('%');
    }
    return text;
}

QString LeftAlone(const std::string& why) { return QStringLiteral("left alone: ") + FromBytes(why); }

}  // namespace

CTagPatternDialog::CTagPatternDialog(Mode mode, std::string folder, std::vector<CatalogRow> allRows, const QString& pattern,
                                     QWidget* parent)
    : QDialog(parent), mode(mode), folder(std::move(folder)) {
    const bool fromNames = mode == Mode::TagsFromNames;
    setWindowTitle(fromNames ? QStringLiteral("Tags from File Names") : QStringLiteral("Rename from Tags"));
    KeepTitleVisible(*this);
    for (std::size_t r = 0; r < allRows.size() && r < kPreviewRows; ++r) rows.push_back(std::move(allRows[r]));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(fromNames ? QStringLiteral("Sets the tags of each file from its name (without the extension).")
                                           : QStringLiteral("Renames each file after its tags; the extension stays."),
                                 this));
    auto* label = new QLabel(QStringLiteral("&Pattern:"), this);
    patternBox = new QLineEdit(pattern, this);
    label->setBuddy(patternBox);
    layout->addWidget(label);
    layout->addWidget(patternBox);
    auto* hint = new QLabel(QStringLiteral("Place holders: ") + PlaceHolders() +
                                (fromNames ? QStringLiteral("; any other text must stand in the name as it is.")
                                           : QStringLiteral("; any other text goes into the name as it is.")),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    problem = new QLabel(this);
    problem->setWordWrap(true);
    layout->addWidget(problem);
    layout->addWidget(new QLabel(QStringLiteral("Preview of the first files:"), this));
    preview = new QTreeWidget(this);
    preview->setRootIsDecorated(false);
    preview->setColumnCount(2);
    preview->setHeaderLabels({QStringLiteral("File Name"), fromNames ? QStringLiteral("Tags") : QStringLiteral("New Name")});
    preview->header()->setSectionResizeMode(QHeaderView::Stretch);
    layout->addWidget(preview, 1);
    if (fromNames) {
        id3v2Box = new QCheckBox(QStringLiteral("Also write ID3v2"), this);
        layout->addWidget(id3v2Box);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    okButton = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 380);

    connect(patternBox, &QLineEdit::textChanged, this, &CTagPatternDialog::UpdatePreview);
    if (!fromNames) ReadTags();
    UpdatePreview();
}

CTagPatternDialog::~CTagPatternDialog() = default;

QString CTagPatternDialog::Pattern() const { return patternBox->text(); }

bool CTagPatternDialog::AlsoWriteId3v2() const { return id3v2Box != nullptr && id3v2Box->isChecked(); }

void CTagPatternDialog::ReadTags() {
    reader.Start([this, folder = folder, rows = rows](const WorkerJob& job) {
        std::vector<FileTags> read(rows.size());
        Mp3Tag tag;
        for (std::size_t r = 0; r < rows.size() && !job.StopRequested(); ++r) {
            if (rows[r].file.IsMember()) continue;  // the preview says why without its tags
            try {
                tag.LoadFile(RowFilePath(folder, rows[r].file));
                read[r].texts = NameTextsOf(tag);
            } catch (const std::exception& e) {
                read[r].error = e.what();
            }
        }
        job.Post([this, read = std::move(read)]() mutable {
            tags = std::move(read);
            UpdatePreview();
        });
    });
}

QString CTagPatternDialog::PreviewText(const CatalogRow& row, std::size_t index, const TagPattern& pattern) const {
    if (row.file.IsMember()) return LeftAlone(kInsideArchive);
    std::string why;
    if (mode == Mode::TagsFromNames) {
        const auto fields = FieldsFromName(pattern, row.file.path, why);
        if (!fields) return LeftAlone(why);
        QString text;
        for (const auto& [field, value] : *fields) {
            if (!text.isEmpty()) text += QStringLiteral("; ");
            text += QString::fromLatin1(TagPattern::PlaceHolderName(field)) + QStringLiteral(": ") + FromBytes(value);
        }
        return text;
    }
    if (!tags) return QStringLiteral("Reading the tags...");
    const FileTags& file = (*tags)[index];
    if (!file.error.empty()) return LeftAlone(file.error);
    const RenamePlan plan = PlanRename(file.texts, row.file.path, pattern);
    if (plan.newPath.empty()) return LeftAlone(plan.why);
    if (plan.newPath == row.file.path) return LeftAlone(kHasThatName);
    return FromBytes(plan.newPath);
}

void CTagPatternDialog::UpdatePreview() {
    preview->clear();
    std::optional<TagPattern> pattern;
    try {
        pattern = TagPattern::Parse(ToBytes(patternBox->text()));
        problem->clear();
    } catch (const std::invalid_argument& e) {
        problem->setText(QStringLiteral("Not a pattern: ") + FromBytes(e.what()) + QLatin1Char('.'));
    }
    okButton->setEnabled(pattern.has_value());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        auto* item = new QTreeWidgetItem(preview);
        item->setText(0, FromBytes(FilenameText(rows[r].file)));
        if (pattern) item->setText(1, PreviewText(rows[r], r, *pattern));
    }
}

}  // namespace vorne::ui

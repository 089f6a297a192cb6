#include "ui/missing_dat_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

#include "platform/rewrite.h"
#include "ui/byte_text.h"
#include "ui/dialog_width.h"
#include "ui/catalog_table_model.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

namespace {

const QString kTitle = QStringLiteral("Missing from DAT");

}  // namespace

CMissingDatDialog::CMissingDatDialog(std::shared_ptr<const DatSet> dat, std::vector<std::uint32_t> missing,
                                     CUserPrompts& prompts, QWidget* parent)
    : QDialog(parent), dat(std::move(dat)), missing(std::move(missing)), prompts(prompts) {
    setWindowTitle(kTitle);
    KeepTitleVisible(*this);
    const DatFile& file = this->dat->file;
    count = new QLabel(QStringLiteral("%1 of %2 entries of %3 match no listed file:")
                           .arg(this->missing.size())
                           .arg(file.games.size())
                           .arg(CellText(file.header.name.empty() ? this->dat->path : file.header.name)),
                       this);
    count->setWordWrap(true);
    QStringList names;
    names.reserve(static_cast<qsizetype>(this->missing.size()));
    for (std::uint32_t game : this->missing) names << CellText(file.games[game].name);
    list = new QListView(this);
    list->setModel(new QStringListModel(names, list));
    list->setUniformItemSizes(true);  // a DAT of 60,000 entries lays out at once
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setAccessibleName(kTitle);
    count->setBuddy(list);

    save = new QPushButton(QStringLiteral("&Save Fixdat..."), this);
    save->setEnabled(!this->missing.empty());
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setDefault(true);
    connect(save, &QPushButton::clicked, this, &CMissingDatDialog::OnSaveFixdat);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(close);
    auto* whole = new QVBoxLayout(this);
    whole->addWidget(count);
    whole->addWidget(list, 1);
    whole->addLayout(buttons);
    resize(520, 420);
}

void CMissingDatDialog::OnSaveFixdat() {
    const std::optional<QString> chosen =
        prompts.SaveFile(this, QStringLiteral("Save Fixdat"), QStringLiteral("DAT files (*.dat);;All files (*)"), QStringLiteral("dat"));
    if (!chosen) return;
    const std::string text = FixdatText(dat->file, missing);
    try {
        WriteFileAtomically(ToBytes(*chosen), std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    } catch (const std::exception& e) {
        // Nothing was written; a file that was there is as it was.
        prompts.Message(this, QStringLiteral("Save Fixdat"), FromBytes(e.what()), PromptIcon::Warning);
    }
}

}  // namespace vorne::ui

#include "ui/compare_lists_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

#include "platform/file_error.h"
#include "ui/byte_text.h"
#include "ui/catalog_table_model.h"
#include "ui/dialog_width.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

namespace {

constexpr auto kAllFiles = "All files (*)";

}  // namespace

CCompareListsDialog::CCompareListsDialog(CUserPrompts& prompts, QWidget* parent) : QDialog(parent), prompts(prompts) {
    setWindowTitle(QStringLiteral("Compare ROM Lists"));
    KeepTitleVisible(*this);
    loadOriginal = new QPushButton(QStringLiteral("Load &Original"), this);
    loadTest = new QPushButton(QStringLiteral("Load &Test"), this);
    compare = new QPushButton(QStringLiteral("&Compare"), this);
    save = new QPushButton(QStringLiteral("&Save"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    for (QPushButton* button : {loadOriginal, loadTest, compare, ok}) button->setAutoDefault(false);
    save->setDefault(true);

    auto* grid = new QGridLayout;
    QPushButton* heads[3] = {loadOriginal, loadTest, compare};
    for (int i = 0; i < 3; ++i) {
        models[i] = new QStringListModel(this);
        lists[i] = new QListView(this);
        lists[i]->setModel(models[i]);
        lists[i]->setEditTriggers(QAbstractItemView::NoEditTriggers);
        lists[i]->setUniformItemSizes(true);  // quick with lists of 100,000 lines
        labels[i] = new QLabel(this);
        grid->addWidget(heads[i], 0, i);
        grid->addWidget(lists[i], 1, i);
        grid->addWidget(labels[i], 2, i);
    }
    grid->setRowStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(ok);
    auto* whole = new QVBoxLayout(this);
    whole->addLayout(grid, 1);
    whole->addLayout(buttons);
    resize(760, 420);

    connect(loadOriginal, &QPushButton::clicked, this, &CCompareListsDialog::OnLoadOriginal);
    connect(loadTest, &QPushButton::clicked, this, &CCompareListsDialog::OnLoadTest);
    connect(compare, &QPushButton::clicked, this, &CCompareListsDialog::OnCompare);
    connect(save, &QPushButton::clicked, this, &CCompareListsDialog::OnSave);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QListView* CCompareListsDialog::List(Part part) const { return lists[static_cast<int>(part)]; }
QLabel* CCompareListsDialog::Label(Part part) const { return labels[static_cast<int>(part)]; }

std::optional<std::vector<std::string>> CCompareListsDialog::LoadFile(const QString& title) {
    std::optional<QString> chosen = prompts.OpenFile(this, title, QString::fromLatin1(kAllFiles));
    if (!chosen) return std::nullopt;
    try {
        return ReadListFile(ToBytes(*chosen));
    } catch (const FileError& e) {
        prompts.Message(this, windowTitle(), FromBytes(e.what()), PromptIcon::Warning);
        return std::vector<std::string>();
    }
}

void CCompareListsDialog::Show(Part part, const std::vector<std::string>& entries, const QString& label) {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(entries.size()));
    for (const std::string& entry : entries) texts.push_back(CellText(entry));
    models[static_cast<int>(part)]->setStringList(texts);
    labels[static_cast<int>(part)]->setText(label);
}

void CCompareListsDialog::OnLoadOriginal() {
    auto lines = LoadFile(QStringLiteral("Load Original"));
    if (!lines) return;
    comparison.SetOriginal(std::move(*lines));
    Show(Part::Original, comparison.original, QString::fromLatin1(RomsLabel(comparison.original.size())));
}

void CCompareListsDialog::OnLoadTest() {
    auto lines = LoadFile(QStringLiteral("Load Test"));
    if (!lines) return;
    comparison.SetTest(std::move(*lines));
    Show(Part::Test, comparison.test, QString::fromLatin1(RomsLabel(comparison.test.size())));
}

void CCompareListsDialog::OnCompare() {
    if (!comparison.CanCompare()) {
        prompts.Message(this, QStringLiteral("Vorne"), QString::fromLatin1(kNothingToCompare), PromptIcon::Information);
        return;
    }
    comparison.Compare();
    Show(Part::Unmatched, comparison.unmatched, QString::fromLatin1(UnmatchedLabel(comparison.unmatched.size())));
}

void CCompareListsDialog::OnSave() {
    if (comparison.unmatched.empty()) {
        prompts.Message(this, QStringLiteral("Vorne"), QString::fromLatin1(kNothingToSave), PromptIcon::Information);
        return;
    }
    std::optional<QString> chosen =
        prompts.SaveFile(this, QStringLiteral("Save"), QString::fromLatin1(kAllFiles), QStringLiteral("txt"));
    if (!chosen) return;
    try {
        SaveUnmatched(ToBytes(*chosen), comparison.unmatched);
    } catch (const FileError& e) {
        prompts.Message(this, windowTitle(), FromBytes(e.what()), PromptIcon::Warning);
    }
}

}  // namespace vorne::ui

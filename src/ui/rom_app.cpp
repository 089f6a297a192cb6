#include "ui/rom_app.h"

#include <QCheckBox>
#include <QCommandLineParser>
#include <cstdio>

#include "base/rom_type.h"
#include "catalogue/known_dumps.h"
#include "ui/app_icon.h"
#include "ui/byte_path.h"
#include "ui/byte_text.h"
#include "ui/main_dialog.h"
#include "ui/settings.h"
#include "ui/user_prompts.h"
#include "ui/version.h"

namespace vorne::ui {

std::optional<std::string> RawOptionValue(const std::vector<std::string>& arguments, std::string_view name) {
    const std::string option = "--" + std::string(name);
    std::optional<std::string> value;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") break;
        if (argument == option && i + 1 < arguments.size()) {
            value = arguments[++i];
        } else if (argument.starts_with(option + "=")) {
            value = argument.substr(option.size() + 1);
        }
    }
    return value;
}

CRomApp::CRomApp(int& argc, char** argv) : application(argc, argv), rawArguments(argv, argv + argc) {
    QApplication::setOrganizationName(QStringLiteral("Brask"));
    QApplication::setApplicationName(QStringLiteral("Vorne"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    QApplication::setWindowIcon(AppIcon());
    QApplication::setDesktopFileName(QStringLiteral("vorne"));
}

CRomApp::~CRomApp() = default;

int CRomApp::Run() {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Lists, checks and repairs ROM and MP3 collections."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption settingsFile(QStringLiteral("settings"), QStringLiteral("Keep the settings in FILE."),
                                          QStringLiteral("FILE"));
    const QCommandLineOption kind(QStringLiteral("kind"), QStringLiteral("Choose KIND at start."), QStringLiteral("KIND"));
    const QCommandLineOption folder(QStringLiteral("folder"), QStringLiteral("The folder of the kind chosen at start."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption knownDumps(QStringLiteral("known-dumps"), QStringLiteral("The known-dump list."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption subdirs(QStringLiteral("subdirs"), QStringLiteral("Search subdirectories (the check box ticked at start)."));
    const QCommandLineOption zip(QStringLiteral("zip"), QStringLiteral("Search zip files (the check box ticked at start)."));
    parser.addOptions({settingsFile, kind, folder, knownDumps, subdirs, zip});
    parser.process(application);

    std::unique_ptr<Settings> settings = parser.isSet(settingsFile)
                                             ? std::make_unique<Settings>(parser.value(settingsFile))
                                             : std::make_unique<Settings>();
    if (parser.isSet(kind)) {
        std::optional<RomType> type = ParseRomType(parser.value(kind).toStdString());
        if (!type) {
            std::fprintf(stderr, "vorne: unknown kind %s\n", qPrintable(parser.value(kind)));
            return 2;
        }
        settings->SetLastType(*type);
    }
    if (parser.isSet(folder)) {
        // The bytes the shell gave, which the parser's text may have lost.
        const std::string path = RawOptionValue(rawArguments, "folder").value_or(ToBytes(parser.value(folder)));
        settings->SetFolderPath(settings->LastType(), AbsolutePath(path));
    }
    const std::string knownDumpsPath = parser.isSet(knownDumps)
                                           ? ToBytes(parser.value(knownDumps))
                                           : KnownDumpList::DefaultPath();

    DialogPrompts prompts;
    CMainDialog window(*settings, prompts, knownDumpsPath);
    // Ticked before the first scan, which reads them, as vorne-cli scan reads its switches.
    if (parser.isSet(subdirs)) window.SubfolderBox()->setChecked(true);
    if (parser.isSet(zip)) window.ZipBox()->setChecked(true);
    window.show();
    window.StartUp();
    return QApplication::exec();
}

}  // namespace vorne::ui

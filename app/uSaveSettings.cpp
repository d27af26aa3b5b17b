#include "app/uSaveSettings.h"

#include "app/uLang.h"
#include "app/uMainForm.h"
#include "app/uOptionsForm.h"
#include "app/uSQL.h"
#include "platform/rtl/IniFiles.h"
#include "platform/sys/Program.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"

namespace {
const QString Options = QStringLiteral("Options");
const QString Server = QStringLiteral("server");
} // namespace

QString SettingsFileName() {
    return ProgramFolder() + QStringLiteral("settings.ini");
}

QString ReadServerOption(TMenuOptions& menu) {
    TMemIniFile ini(SettingsFileName());
    auto flag = [&](const char* key, std::optional<bool>& target) {
        // A present key that is not a number hides the item.
        if (ini.ValueExists(Options, QLatin1String(key)))
            target = ini.ReadInteger(Options, QLatin1String(key), 0) != 0;
    };
    flag("VisibleOptions", menu.VisibleOptions);
    flag("VisibleReport", menu.VisibleReport);
    flag("VisibleDBLocation", menu.VisibleDBLocation);
    return ini.ValueExists(Options, Server) ? ini.ReadString(Options, Server, QString()) : QString();
}

void WriteServerOption(const QString& path) {
    TIniFile ini(SettingsFileName());
    if (path.isEmpty())
        ini.DeleteKey(Options, Server);
    else
        ini.WriteString(Options, Server, path);
}

void LoadDisableUpperCase() {
    UpperCaseExemptList = std::make_unique<TStringList>();
    TMemIniFile ini(SettingsFileName());
    ini.ReadSection(QStringLiteral("DisableUpperCase"), *UpperCaseExemptList);
}

void ReadOptions(QString& server) {
    TMenuOptions menu;
    server = ReadServerOption(menu);
    if (!frmMainKorvel) return;
    if (menu.VisibleOptions) frmMainKorvel->mniOptions->SetVisible(*menu.VisibleOptions);
    if (menu.VisibleReport) frmMainKorvel->mniReport->SetVisible(*menu.VisibleReport);
    if (menu.VisibleDBLocation) frmMainKorvel->mniDBLocation->SetVisible(*menu.VisibleDBLocation);
}

void SaveOptions() {
    TfrmOptionsKorvel* dialog = frmOptionsKorvel;
    if (dialog->rbAppFolder->Checked()) WriteServerOption(QString());
    if (dialog->rbDBFilename->Checked() && !dialog->edFileName->Text().isEmpty())
        WriteServerOption(dialog->edFileName->Text());
    MessageBoxOwned(dialog, Lang.Restart_the_program_to_apply_the_settings, Lang.Info,
                    MB_OK | MB_ICONINFORMATION);
}

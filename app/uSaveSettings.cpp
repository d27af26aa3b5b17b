#include "app/uSaveSettings.h"

#include "app/dbStringGridEx.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "app/uOptionsForm.h"
#include "app/uSQL.h"
#include "platform/rtl/IniFiles.h"
#include "platform/sys/Program.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"

namespace {
const QString Options = QStringLiteral("Options");
const QString Server = QStringLiteral("server");
const QString Grids = QStringLiteral("Grids");

// Every result grid of every window, in the screen's order and each form's component order.
template <class F> void ForEachGrid(F f) {
    if (!Screen) return;
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        for (int c = 0; c < form->ComponentCount(); ++c)
            if (auto* grid = dynamic_cast<TdbStringGridEx*>(form->Components(c)))
                f(form->Name() + u'.' + grid->Name(), *grid);
    }
}
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

void SaveGridSettings() {
    // One write of the whole file: keys of grids that did not run stay as they are.
    TMemIniFile ini(SettingsFileName());
    bool changed = false;
    ForEachGrid([&](const QString& key, TdbStringGridEx& grid) {
        if (!grid.dbIfUsed()) return;
        const int count = grid.Columns()->Count();
        ini.WriteInteger(Grids, key + QStringLiteral(".ColCount"), count);
        for (int i = 0; i < count; ++i)
            ini.WriteInteger(Grids, key + u'.' + QString::number(i), grid.Columns()->Item(i)->Width());
        changed = true;
    });
    if (changed) ini.UpdateFile();
}

void LoadGridSettings() {
    TMemIniFile ini(SettingsFileName());
    ForEachGrid([&](const QString& key, TdbStringGridEx& grid) {
        const QString countKey = key + QStringLiteral(".ColCount");
        if (ini.ValueExists(Grids, countKey)) {
            // A stored count is the grid's own; a damaged one cannot ask for thousands of columns.
            const int count = std::clamp(ini.ReadInteger(Grids, countKey, 5), 0, 1000);
            for (int i = 0; i < count; ++i)
                grid.Columns()->Add<TGxTextColumn>();
        }
        for (int i = 0; i < grid.Columns()->Count(); ++i) {
            const QString widthKey = key + u'.' + QString::number(i);
            if (ini.ValueExists(Grids, widthKey))
                grid.Columns()->Item(i)->SetWidth(ini.ReadInteger(Grids, widthKey, 100));
        }
    });
}

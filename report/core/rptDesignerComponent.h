#pragma once
// The designer component an application places beside its report: the defaults a new template
// starts from and the folders the designer's open and save dialogs start in. The designer window
// itself is made through the registered designer class (DesignReport); this component only holds
// what the application sets before it opens one.

#include "platform/gfx/Graphics.h"
#include "platform/rtti/Classes.h"

#include <QString>

#include <memory>

// What a user may not do in the designer; empty: no restrictions.
enum TrptDesignerRestriction {
    drDontInsertObject, drDontDeleteReportPage, drDontCreateReportPage, drDontEditReportData,
    drDontChangePageOptions, drDontEditReportScript, drDontEditVariables, drDontChangeReportOptions,
    drDontEditInternalDatasets, drDontLoadReport, drDontSaveReport, drDontPreviewReport, drDontEditQuery,
    drDontSaveInBase, drDontEditStyles
};

class TrptDesigner : public TComponent {
    KORVEL_CLASS(TrptDesigner, TComponent)
public:
    explicit TrptDesigner(TComponent* AOwner = nullptr);
    ~TrptDesigner() override;

    const QString& DefaultScriptLanguage() const { return FDefaultScriptLanguage; }
    void SetDefaultScriptLanguage(const QString& Value) { FDefaultScriptLanguage = Value; }
    TFont* DefaultFont() const { return FDefaultFont.get(); }
    double DefaultLeftMargin() const { return FDefaultLeftMargin; }
    void SetDefaultLeftMargin(double Value) { FDefaultLeftMargin = Value; }
    double DefaultRightMargin() const { return FDefaultRightMargin; }
    void SetDefaultRightMargin(double Value) { FDefaultRightMargin = Value; }
    double DefaultTopMargin() const { return FDefaultTopMargin; }
    void SetDefaultTopMargin(double Value) { FDefaultTopMargin = Value; }
    double DefaultBottomMargin() const { return FDefaultBottomMargin; }
    void SetDefaultBottomMargin(double Value) { FDefaultBottomMargin = Value; }
    int DefaultPaperSize() const { return FDefaultPaperSize; }
    void SetDefaultPaperSize(int Value) { FDefaultPaperSize = Value; }
    // True for landscape.
    bool DefaultLandscape() const { return FDefaultLandscape; }
    void SetDefaultLandscape(bool Value) { FDefaultLandscape = Value; }
    // The template extension, without the dot.
    const QString& TemplateExt() const { return FTemplateExt; }
    void SetTemplateExt(const QString& Value) { FTemplateExt = Value; }
    unsigned Restrictions() const { return FRestrictions; }
    void SetRestrictions(unsigned Value) { FRestrictions = Value; }
    bool RTLLanguage() const { return FRTLLanguage; }
    void SetRTLLanguage(bool Value) { FRTLLanguage = Value; }
    bool MemoParentFont() const { return FMemoParentFont; }
    void SetMemoParentFont(bool Value) { FMemoParentFont = Value; }
    // Where the designer's open and save dialogs start.
    const QString& OpenDir() const { return FOpenDir; }
    void SetOpenDir(const QString& Value) { FOpenDir = Value; }
    const QString& SaveDir() const { return FSaveDir; }
    void SetSaveDir(const QString& Value) { FSaveDir = Value; }

private:
    QString FDefaultScriptLanguage = QStringLiteral("PascalScript");
    std::unique_ptr<TFont> FDefaultFont;
    double FDefaultLeftMargin = 10, FDefaultRightMargin = 10, FDefaultTopMargin = 10, FDefaultBottomMargin = 10;
    int FDefaultPaperSize = 9;
    bool FDefaultLandscape = false;
    QString FTemplateExt = QStringLiteral("de3");
    unsigned FRestrictions = 0;
    bool FRTLLanguage = false;
    bool FMemoParentFont = false;
    QString FOpenDir;
    QString FSaveDir;
};

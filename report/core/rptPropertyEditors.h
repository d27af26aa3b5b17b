#pragma once
// Property editors and property lists for the object inspector. An editor turns the value of one
// published property (of one object, or of every object of a selection) into text, parses text
// back, offers a list of values, may open a dialog and may draw its own row. A property list
// holds one row (an editor) per published property of an object, sorted by name, with sub-rows
// for sets and sub-objects; BuildCommonPropertyList keeps the rows a whole selection shares.
//
// Editor classes are given by their class records (TrptPropertyEditorClass, see rptDsgnIntf.h);
// RegisterStandardEditors registers the standard ones in the property editor registry.

#include "platform/gfx/Canvas.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/StringList.h"
#include "platform/rtti/Classes.h"
#include "platform/rtti/TypInfo.h"
#include "report/core/rptDsgnIntf.h"

#include <QString>

#include <memory>
#include <vector>

class TrptComponent;
class TrptCustomDesigner;

// Text a standard editor cannot accept: the string-table text of "prInvProp".
KORVEL_EXCEPTION(ErptInvalidPropertyValue, EPropertyError)

enum TrptPropertyAttribute { paValueList, paSortList, paDialog, paMultiSelect, paSubProperties, paReadOnly,
                             paOwnerDraw };
KORVEL_ENUM(TrptPropertyAttribute,
            "paValueList,paSortList,paDialog,paMultiSelect,paSubProperties,paReadOnly,paOwnerDraw")
KORVEL_SET(TrptPropertyAttributes, TrptPropertyAttribute)

class TrptPropertyEditor : public TObject {
    KORVEL_CLASS(TrptPropertyEditor, TObject)
public:
    // Made through the class record with the designer (a TrptCustomDesigner, or none) as argument.
    explicit TrptPropertyEditor(TComponent* Designer = nullptr);
    ~TrptPropertyEditor() override;

    // Steps to the value after the current one in the value list (the first after the last or
    // when the current one is not listed); False with an empty list.
    virtual bool Edit();
    virtual TrptPropertyAttributes GetAttributes();
    virtual QString GetName();
    // Extra width of list items for an owner-drawn swatch.
    virtual int GetExtraLBSize();
    virtual QString GetValue();
    // Empties Values (sorted with paSortList); descendants add their values.
    virtual void GetValues();
    virtual void SetValue(const QString& Value);
    // Fills the item on the list's canvas and writes its text ItemHeight + 4 from the left.
    virtual void OnDrawLBItem(TCanvas* Canvas, int Index, const TRect& ARect, bool Selected);
    // Writes the current value ItemHeight - 2 from the left.
    virtual void OnDrawItem(TCanvas* Canvas, const TRect& ARect);

    // The edited objects: the first is "the" object; PropInfo is the property record of each.
    void AddObject(TObject* Obj, const TPropInfo* Prop);
    const std::vector<TObject*>& CompList() const { return FCompList; }
    const std::vector<const TPropInfo*>& PropList() const { return FPropList; }
    TObject* Component() const { return FCompList.empty() ? nullptr : FCompList.front(); }
    const TPropInfo* PropInfo() const { return FPropList.empty() ? nullptr : FPropList.front(); }
    TrptCustomDesigner* Designer() const { return FDesigner; }
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value) { FItemHeight = Value; }
    TStringList* Values() const { return FValues.get(); }
    QString Value() { return GetValue(); }
    void SetValueText(const QString& Value) { SetValue(Value); }

    // Values of the first object; writes go to every object whose property has a setter.
    Int64 GetOrdValue() const;
    double GetFloatValue() const;
    QString GetStrValue() const;
    TObject* GetObjValue() const;
    void SetOrdValue(Int64 Value);
    void SetFloatValue(double Value);
    void SetStrValue(const QString& Value);
    void SetObjValue(TObject* Value);
    // The first object when it is a report object.
    TrptComponent* GetRptComponent() const;
    void AddValue(const QString& S);

protected:
    // "prInvProp".
    [[noreturn]] static void InvalidValue();

private:
    TrptCustomDesigner* FDesigner = nullptr;
    std::vector<TObject*> FCompList;
    std::vector<const TPropInfo*> FPropList;
    int FItemHeight = 0;
    std::unique_ptr<TStringList> FValues;
};

// Makes an editor of a class record (TrptPropertyEditor or a descendant).
std::unique_ptr<TrptPropertyEditor> CreatePropertyEditor(TrptPropertyEditorClass EditorClass,
                                                         TrptCustomDesigner* Designer);

class TrptIntegerProperty : public TrptPropertyEditor {
    KORVEL_CLASS(TrptIntegerProperty, TrptPropertyEditor)
public:
    using TrptPropertyEditor::TrptPropertyEditor;
    QString GetValue() override;
    void SetValue(const QString& Value) override;
};

class TrptFloatProperty : public TrptPropertyEditor {
    KORVEL_CLASS(TrptFloatProperty, TrptPropertyEditor)
public:
    using TrptPropertyEditor::TrptPropertyEditor;
    QString GetValue() override;
    // "." and "," both stand for the decimal separator; blanks are trimmed.
    void SetValue(const QString& Value) override;
};

class TrptCharProperty : public TrptPropertyEditor {
    KORVEL_CLASS(TrptCharProperty, TrptPropertyEditor)
public:
    using TrptPropertyEditor::TrptPropertyEditor;
    // The character for codes 33 to 255, else "#" and the code.
    QString GetValue() override;
    void SetValue(const QString& Value) override;
};

class TrptStringProperty : public TrptPropertyEditor {
    KORVEL_CLASS(TrptStringProperty, TrptPropertyEditor)
public:
    using TrptPropertyEditor::TrptPropertyEditor;
    QString GetValue() override;
    void SetValue(const QString& Value) override;
};

class TrptEnumProperty : public TrptPropertyEditor {
    KORVEL_CLASS(TrptEnumProperty, TrptPropertyEditor)
public:
    using TrptPropertyEditor::TrptPropertyEditor;
    TrptPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString& Value) override;
};

class TrptSetProperty : public TrptPropertyEditor {
    KORVEL_CLASS(TrptSetProperty, TrptPropertyEditor)
public:
    using TrptPropertyEditor::TrptPropertyEditor;
    TrptPropertyAttributes GetAttributes() override;
    // "[fsBold,fsItalic]".
    QString GetValue() override;
};

// One member of a set: True or False.
class TrptSetElementProperty : public TrptPropertyEditor {
    KORVEL_CLASS(TrptSetElementProperty, TrptPropertyEditor)
public:
    using TrptPropertyEditor::TrptPropertyEditor;
    TrptPropertyAttributes GetAttributes() override;
    QString GetName() override;
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString& Value) override;
    int Element() const { return FElement; }
    void SetElement(int Value) { FElement = Value; }

private:
    int FElement = 0;
};

class TrptClassProperty : public TrptPropertyEditor {
    KORVEL_CLASS(TrptClassProperty, TrptPropertyEditor)
public:
    using TrptPropertyEditor::TrptPropertyEditor;
    TrptPropertyAttributes GetAttributes() override;
    QString GetValue() override;
};

class TrptComponentProperty : public TrptPropertyEditor {
    KORVEL_CLASS(TrptComponentProperty, TrptPropertyEditor)
public:
    using TrptPropertyEditor::TrptPropertyEditor;
    TrptPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    // The objects of the edited object's page that are of the property's class, but itself.
    void GetValues() override;
    void SetValue(const QString& Value) override;
};

class TrptNameProperty : public TrptStringProperty {
    KORVEL_CLASS(TrptNameProperty, TrptStringProperty)
public:
    using TrptStringProperty::TrptStringProperty;
    TrptPropertyAttributes GetAttributes() override;
};

class TrptColorProperty : public TrptIntegerProperty {
    KORVEL_CLASS(TrptColorProperty, TrptIntegerProperty)
public:
    using TrptIntegerProperty::TrptIntegerProperty;
    TrptPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString& Value) override;
    // The colour dialog on the current colour.
    bool Edit() override;
    void OnDrawLBItem(TCanvas* Canvas, int Index, const TRect& ARect, bool Selected) override;
    void OnDrawItem(TCanvas* Canvas, const TRect& ARect) override;
};

class TrptFontProperty : public TrptClassProperty {
    KORVEL_CLASS(TrptFontProperty, TrptClassProperty)
public:
    using TrptClassProperty::TrptClassProperty;
    TrptPropertyAttributes GetAttributes() override;
    // The font dialog on the current font.
    bool Edit() override;
};

class TrptFontNameProperty : public TrptStringProperty {
    KORVEL_CLASS(TrptFontNameProperty, TrptStringProperty)
public:
    using TrptStringProperty::TrptStringProperty;
    TrptPropertyAttributes GetAttributes() override;
    void GetValues() override;
};

class TrptFontCharsetProperty : public TrptIntegerProperty {
    KORVEL_CLASS(TrptFontCharsetProperty, TrptIntegerProperty)
public:
    using TrptIntegerProperty::TrptIntegerProperty;
    TrptPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString& Value) override;
};

class TrptModalResultProperty : public TrptIntegerProperty {
    KORVEL_CLASS(TrptModalResultProperty, TrptIntegerProperty)
public:
    using TrptIntegerProperty::TrptIntegerProperty;
    TrptPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString& Value) override;
};

class TrptShortCutProperty : public TrptPropertyEditor {
    KORVEL_CLASS(TrptShortCutProperty, TrptPropertyEditor)
public:
    using TrptPropertyEditor::TrptPropertyEditor;
    TrptPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void GetValues() override;
    // Empty or "(None)": no shortcut; a text that names no shortcut is refused.
    void SetValue(const QString& Value) override;
};

class TrptCursorProperty : public TrptIntegerProperty {
    KORVEL_CLASS(TrptCursorProperty, TrptIntegerProperty)
public:
    using TrptIntegerProperty::TrptIntegerProperty;
    TrptPropertyAttributes GetAttributes() override;
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString& Value) override;
};

class TrptDateTimeProperty : public TrptPropertyEditor {
    KORVEL_CLASS(TrptDateTimeProperty, TrptPropertyEditor)
public:
    using TrptPropertyEditor::TrptPropertyEditor;
    QString GetValue() override;
    void SetValue(const QString& Value) override;
};

class TrptDateProperty : public TrptPropertyEditor {
    KORVEL_CLASS(TrptDateProperty, TrptPropertyEditor)
public:
    using TrptPropertyEditor::TrptPropertyEditor;
    QString GetValue() override;
    void SetValue(const QString& Value) override;
};

class TrptTimeProperty : public TrptPropertyEditor {
    KORVEL_CLASS(TrptTimeProperty, TrptPropertyEditor)
public:
    using TrptPropertyEditor::TrptPropertyEditor;
    QString GetValue() override;
    void SetValue(const QString& Value) override;
};

// Names the editors use: the charset identifiers (ANSI_CHARSET ...) and the cursor names
// (crDefault ...), in their list order.
bool CharsetToIdent(int Charset, QString& Ident);
bool IdentToCharset(const QString& Ident, int& Charset);
bool CursorToIdent(int Cursor, QString& Ident);
bool IdentToCursor(const QString& Ident, int& Cursor);

// Registers the standard editors of the registry's fixed table (Name, TColor, TFont ...), once:
// nothing happens when they are registered already.
void RegisterStandardEditors();

// ---------------------------------------------------------------------------------------------
// Property lists

class TrptPropertyList;

class TrptPropertyItem : public TCollectionItem {
    KORVEL_CLASS(TrptPropertyItem, TCollectionItem)
public:
    explicit TrptPropertyItem(TCollection* Collection = nullptr);
    ~TrptPropertyItem() override;

    TrptPropertyEditor* Editor() const { return FEditor.get(); }
    void SetEditor(std::unique_ptr<TrptPropertyEditor> Value);
    bool Expanded() const { return FExpanded; }
    void SetExpanded(bool Value) { FExpanded = Value; }
    // Sub-rows of a set or a sub-object, or none.
    TrptPropertyList* SubProperty() const { return FSubProperty.get(); }
    void SetSubProperty(std::unique_ptr<TrptPropertyList> Value);

private:
    std::unique_ptr<TrptPropertyEditor> FEditor;
    bool FExpanded = false;
    std::unique_ptr<TrptPropertyList> FSubProperty;
};

class TrptPropertyList : public TCollection {
    KORVEL_CLASS(TrptPropertyList, TCollection)
public:
    explicit TrptPropertyList(TrptCustomDesigner* Designer = nullptr);
    ~TrptPropertyList() override;

    TObject* Component() const { return FComponent; }
    // Clears the list and fills it with the rows of Value's published properties.
    void SetComponent(TObject* Value);
    TrptCustomDesigner* Designer() const { return FDesigner; }
    TrptPropertyList* Parent() const { return FParent; }
    void SetParent(TrptPropertyList* Value) { FParent = Value; }

    TrptPropertyItem* Add();
    TrptPropertyItem* Items(int Index) const;
    TrptPropertyItem* GetPropertyItem(int Index) const { return Items(Index); }
    // The row of that property name (exact), or none.
    TrptPropertyItem* Find(const QString& Name) const;

private:
    void FillProperties(TObject* Obj);
    void FillSetElements(TObject* Obj, const TPropInfo* Prop);

    TObject* FComponent = nullptr;
    TrptCustomDesigner* FDesigner;
    TrptPropertyList* FParent = nullptr;
};

// The rows the selected objects have in common, each editor holding every selected object; none
// for an empty selection.
std::unique_ptr<TrptPropertyList> BuildCommonPropertyList(const std::vector<TObject*>& Objects,
                                                          TrptCustomDesigner* Designer);

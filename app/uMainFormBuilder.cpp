// The window builder: every window and control of the application comes from forms.xml. The
// builder only creates and configures; it runs no SQL.
#include "app/dbControls.h"
#include "app/uMainForm.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sys/XmlDocument.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/StdCtrls.h"


#include <algorithm>
#include <optional>

namespace {

// Reads one element's attributes by the conventions of forms.xml, noting values that cannot be
// taken (the property then keeps its default, and the note names the line).
class TAttributeReader {
public:
    TAttributeReader(const TXMLNode& element, const QString& file, QStringList& problems)
        : FElement(element), FFile(file), FProblems(problems) {}

    QString Str(const char* name) const { return FElement.Attribute(QLatin1String(name)); }
    bool Has(const char* name) const { return FElement.HasAttribute(QLatin1String(name)); }

    // Decimal, "$" or "0x" hexadecimal; empty or unreadable text gives the default.
    qint64 Number(const char* name, qint64 def) const {
        const QString text = Str(name).trimmed();
        if (text.isEmpty()) return def;
        bool ok = false;
        qint64 value = 0;
        if (text.startsWith(QLatin1Char('$')))
            value = text.mid(1).toLongLong(&ok, 16);
        else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            value = text.mid(2).toLongLong(&ok, 16);
        else
            value = text.toLongLong(&ok, 10);
        if (!ok) {
            Note(name, QStringLiteral("\"%1\" is not a number; %2 is used").arg(text).arg(def));
            return def;
        }
        return value;
    }
    // Positions and sizes stay within what a window can hold.
    int Coordinate(const char* name) const { return Int(name, 0, -32768, 32767); }
    int Int(const char* name, int def, qint64 low = std::numeric_limits<int>::min(),
            qint64 high = std::numeric_limits<int>::max()) const {
        const qint64 v = Number(name, def);
        if (v < low || v > high) {
            Note(name, QStringLiteral("%1 is out of range; %2 is used").arg(v).arg(def));
            return def;
        }
        return static_cast<int>(v);
    }
    // Colours are 32-bit values: 0xFF000005 is the window colour.
    TColor Color(const char* name, TColor def) const {
        const qint64 v = Number(name, static_cast<quint32>(def));
        if (v < std::numeric_limits<int>::min() || v > 0xFFFFFFFFLL) {
            Note(name, QStringLiteral("%1 is not a colour").arg(v));
            return def;
        }
        return static_cast<TColor>(static_cast<quint32>(v));
    }
    bool Bool(const char* name) const {
        const QString text = Str(name);
        if (!text.isEmpty() && text != QLatin1String("True") && text != QLatin1String("False"))
            Note(name, QStringLiteral("\"%1\" is neither True nor False; it reads as False").arg(text));
        return text == QLatin1String("True");
    }
    // The member whose name the text is exactly; other text keeps the default.
    template <class E> E Enum(const char* name, std::initializer_list<const char*> members, E def) const {
        const QString text = Str(name);
        if (text.isEmpty()) return def;
        int i = 0;
        for (const char* m : members) {
            if (text == QLatin1String(m)) return static_cast<E>(i);
            ++i;
        }
        QStringList names;
        for (const char* m : members) names << QLatin1String(m);
        Note(name, QStringLiteral("\"%1\" is not one of %2").arg(text, names.join(QStringLiteral(", "))));
        return def;
    }
    void Note(const char* attribute, const QString& what) const {
        FProblems << QStringLiteral("%1, line %2: %3 attribute \"%4\": %5")
                         .arg(FFile)
                         .arg(FElement.LineNumber())
                         .arg(FElement.NodeName(), QLatin1String(attribute), what);
    }

private:
    const TXMLNode& FElement;
    const QString& FFile;
    QStringList& FProblems;
};

// A comparison operator as written in forms.xml: parentheses stand for "<" and ">", which XML
// attributes cannot hold comfortably. "LIKE" names what "=" does (an edit's "=" search is a LIKE),
// and "%s%" where no containment search exists is the plain search: both are read without a note.
QString ReadFilter(const TAttributeReader& a, bool replaceParentheses, bool allowContains) {
    QString text = a.Str("dbFilter");
    if (replaceParentheses) {
        text.replace(QLatin1Char('('), QLatin1Char('<'));
        text.replace(QLatin1Char(')'), QLatin1Char('>'));
    }
    static const QStringList operators{QStringLiteral("="), QStringLiteral(">"), QStringLiteral(">="),
                                       QStringLiteral("<"), QStringLiteral("<=")};
    if (operators.contains(text) || (allowContains && text == QLatin1String("%s%"))) return text;
    const bool plain = text.isEmpty() || text == QLatin1String("%s%") ||
                       text.trimmed().compare(QLatin1String("LIKE"), Qt::CaseInsensitive) == 0;
    if (!plain)
        a.Note("dbFilter", QStringLiteral("\"%1\" is no comparison operator; \"=\" is used").arg(a.Str("dbFilter")));
    return QStringLiteral("=");
}

void ReadAnchors(const TAttributeReader& a, TControl* c) {
    const QString text = a.Str("dbAnchors");
    if (text.size() != 4) {
        if (!text.isEmpty()) a.Note("dbAnchors", QStringLiteral("\"%1\" does not have four characters").arg(text));
        return;
    }
    TAnchors anchors;
    const TAnchorKind sides[] = {akLeft, akTop, akRight, akBottom};
    for (int i = 0; i < 4; ++i)
        if (text[i] == QLatin1Char('2')) anchors.Include(sides[i]);
    c->SetAnchors(anchors);
}

void ReadBounds(const TAttributeReader& a, TControl* c) {
    c->SetBounds(a.Coordinate("Left"), a.Coordinate("Top"), a.Coordinate("Width"), a.Coordinate("Height"));
}

void ReadFont(const TAttributeReader& a, TControl* c) {
    TFont* font = c->Font();
    const QString name = a.Str("FontName");
    if (!name.isEmpty()) font->SetName(name);
    font->SetSize(a.Int("FontSize", 8, -1000, 1000));
    font->SetColor(a.Color("FontColor", 0));
    const int bits = a.Int("FontStyle", 0);
    TFontStyles style;
    if (bits & 1) style.Include(fsBold);
    if (bits & 2) style.Include(fsItalic);
    if (bits & 4) style.Include(fsUnderline);
    if (bits & 8) style.Include(fsStrikeOut);
    font->SetStyle(style);
}

QString NameOf(const TAttributeReader& a) {
    return a.Str("Name");
}

} // namespace

void TfrmMainKorvel::LoadForms(const QString& fileName) {
    TXMLDocument document;
    document.LoadFromFile(fileName);
    BuildForms(document, fileName);
}

void TfrmMainKorvel::LoadFormsXML(const QByteArray& xml, const QString& sourceName) {
    TXMLDocument document;
    document.LoadFromXML(xml, sourceName);
    BuildForms(document, sourceName);
}

void TfrmMainKorvel::BuildForms(const TXMLDocument& document, const QString& sourceName) {
    FFormsFile = sourceName;
    FFormsProblems.clear();
    const TXMLNode top = document.DocumentElement();
    if (top.IsNull() || top.NodeName() != QLatin1String("main")) return;

    const TXMLNodeList windows = top.ChildElements();
    for (int i = 0; i < windows.Count(); ++i) {
        const TXMLNode element = windows.Get(i);
        TAttributeReader a(element, FFormsFile, FFormsProblems);
        auto nameWindow = [&](TForm* form) {
            try {
                form->SetName(element.NodeName());
            } catch (const Exception& e) {
                throw EFormsError(QStringLiteral("%1, line %2: window <%3>: %4")
                                      .arg(FFormsFile)
                                      .arg(element.LineNumber())
                                      .arg(element.NodeName(), e.Message()));
            }
        };
        if (i == 0) {
            SetFormBorderStyle(a.Bool("Sizeable") ? bsSizeable : bsSingle);
            SetClientWidth(a.Int("Width", 640, 0, 32767));
            SetClientHeight(a.Int("Height", 480, 0, 32767));
            LoadControls(this, element);
            SetCaption(a.Str("Caption"));
            nameWindow(this);
            SetColor(a.Color("Color", Color()));
            continue;
        }
        auto* form = new TForm(Application);
        FGeneratedForms.push_back(form);
        nameWindow(form);
        form->OnShow = [this](TObject* sender) { OnAllFormShow(sender); };
        form->SetPosition(poScreenCenter);
        form->SetColor(a.Color("Color", form->Color()));
        form->SetCaption(a.Str("Caption"));
        form->SetFormBorderStyle(a.Bool("Sizeable") ? bsSizeable : bsSingle);
        form->SetClientWidth(a.Int("Width", 640, 0, 32767));
        form->SetClientHeight(a.Int("Height", 480, 0, 32767));
        form->SetTabStop(false);
        LoadControls(form, element);
    }
}

void TfrmMainKorvel::LoadControls(TWinControl* container, const TXMLNode& element) {
    // Containers nest one window inside the next; past this depth a file is not describing a
    // usable window any more.
    constexpr int MaxDepth = 64;
    struct DepthGuard {
        int& Depth;
        explicit DepthGuard(int& d) : Depth(d) { ++Depth; }
        ~DepthGuard() { --Depth; }
    } guard(FBuildDepth);
    if (FBuildDepth > MaxDepth)
        throw EFormsError(QStringLiteral("%1, line %2: <%3>: containers are nested more than %4 deep")
                              .arg(FFormsFile)
                              .arg(element.LineNumber())
                              .arg(element.NodeName())
                              .arg(MaxDepth));
    TCustomForm* window = dynamic_cast<TCustomForm*>(container);
    if (!window) window = GetParentForm(container);
    TComponent* owner = window ? static_cast<TComponent*>(window) : static_cast<TComponent*>(container);
    QStringList tabEntries;

    const TXMLNodeList children = element.ChildElements();
    for (int i = 0; i < children.Count(); ++i) {
        const TXMLNode child = children.Get(i);
        const QString kind = child.NodeName();
        TAttributeReader a(child, FFormsFile, FFormsProblems);
        bool fontGroup = false, tabGroup = false;
        TControl* created = nullptr;

        // Component names come first; a bad or repeated one stops the build at its element.
        auto name = [&](TComponent* c) {
            try {
                c->SetName(NameOf(a));
            } catch (const Exception& e) {
                throw EFormsError(QStringLiteral("%1, line %2: <%3 Name=\"%4\">: %5")
                                      .arg(FFormsFile)
                                      .arg(child.LineNumber())
                                      .arg(kind, NameOf(a), e.Message()));
            }
        };
        auto place = [&](TControl* c) {
            created = c;
            c->SetParent(container);
        };

        if (kind == QLatin1String("TdbButton")) {
            auto* c = new TdbButton(owner);
            place(c);
            name(c);
            c->SetCaption(a.Str("Caption"));
            c->SetImages(ImageListButtonIcons);
            const QString icon = a.Str("dbIconName");
            if (a.Has("dbIconName") && ButtonIconIndex(icon) == -2)
                a.Note("dbIconName", QStringLiteral("\"%1\" is no icon name; the button keeps its picture").arg(icon));
            c->SetdbIconName(icon);
            ReadBounds(a, c);
            ReadAnchors(a, c);
            c->SetdbActionType(a.Enum("dbActionType",
                                      {"adbNone", "adbSearch", "adbNewRecord", "adbSaveRecord", "adbShowRecord",
                                       "adbDelete", "adbSQL", "adbReport", "adbShowForm", "adbCloseForm",
                                       "adbGridToExcel"},
                                      adbSearch));
            if (c->dbActionType() == adbReport) c->SetdbGeneralTableId(-1);
            if (c->dbActionType() == adbSaveRecord && window) window->SetDefaultButton(c);
            if (c->dbActionType() == adbCloseForm && window) window->SetCancelButton(c);
            c->SetdbReportOpenIn(a.Enum("dbReportOpenIn",
                                        {"rpoPreview", "rpoPrint", "rpoExcel", "rpoWord", "rpoPDF", "rpoHTML",
                                         "rpoODT", "rpoODS", "rpoJPEG", "rpoTIFF"},
                                        rpoPreview));
            c->SetdbGeneralTable(a.Str("dbGeneralTable"));
            c->SetdbListControls(a.Str("dbListControls"));
            c->SetdbListFields(a.Str("dbListFields"));
            c->SetdbListFieldsNames(a.Str("dbListFieldsNames"));
            c->SetdbListFooters(a.Str("dbListFooters"));
            c->SetdbResultControl(a.Str("dbResultControl"));
            c->SetdbFormName(a.Str("dbFormName"));
            c->SetdbSQL(a.Str("dbSQL").replace(QLatin1String("\\r\\n"), QLatin1String("\r\n")));
            c->SetdbSortField(a.Str("dbSortField"));
            // An absent dbSortAsc reads as False like every Boolean of the file: the attribute
            // table of the button rules over the class's own default.
            c->SetdbSortAsc(a.Bool("dbSortAsc"));
            c->SetdbConfirmDelete(a.Bool("dbConfirmDelete"));
            c->SetdbReportFile(a.Str("dbReportFile"));
            c->OnClick = [this](TObject* s) { OnButtonClick(s); };
            fontGroup = tabGroup = true;
        } else if (kind == QLatin1String("TdbEdit")) {
            auto* c = new TdbEdit(owner);
            place(c);
            name(c);
            ReadBounds(a, c);
            ReadAnchors(a, c);
            c->SetReadOnly(a.Bool("ReadOnly"));
            c->SetdbDefaultValue(a.Str("dbDefaultValue"));
            c->SetText(QString());
            c->SetEditMask(a.Str("dbEditMask"));
            c->SetdbIncremSearch(a.Str("dbIncremSearch"));
            c->SetdbFilter(ReadFilter(a, true, true));
            c->SetdbTable(a.Str("dbTable"));
            c->SetdbField(a.Str("dbField"));
            c->SetColor(a.Color("Color", clWindow));
            c->OnChange = [this](TObject* s) { OnEditChange(s); };
            fontGroup = tabGroup = true;
        } else if (kind == QLatin1String("TdbEditCount")) {
            auto* c = new TdbEditCount(owner);
            place(c);
            name(c);
            ReadBounds(a, c);
            ReadAnchors(a, c);
            c->SetReadOnly(a.Bool("ReadOnly"));
            c->SetdbTable(a.Str("dbTable"));
            c->SetdbBeginValue(a.Int("dbBeginValue", 0));
            c->SetColor(a.Color("Color", clWindow));
            c->SetText(QString());
            fontGroup = tabGroup = true;
        } else if (kind == QLatin1String("TdbMemo")) {
            auto* c = new TdbMemo(owner);
            place(c);
            name(c);
            ReadBounds(a, c);
            ReadAnchors(a, c);
            c->SetReadOnly(a.Bool("ReadOnly"));
            c->SetdbDefaultValue(a.Str("dbDefaultValue"));
            c->SetText(QString());
            c->SetdbTable(a.Str("dbTable"));
            c->SetdbField(a.Str("dbField"));
            c->SetColor(a.Color("Color", clWindow));
            fontGroup = tabGroup = true;
        } else if (kind == QLatin1String("TdbCheckBox")) {
            auto* c = new TdbCheckBox(owner);
            place(c);
            name(c);
            c->SetCaption(a.Str("Caption"));
            ReadBounds(a, c);
            ReadAnchors(a, c);
            c->SetdbIncremSearch(a.Str("dbIncremSearch"));
            c->SetdbTable(a.Str("dbTable"));
            c->SetdbField(a.Str("dbField"));
            c->SetAllowGrayed(a.Bool("AllowGrayed"));
            c->SetdbDefaultState(a.Enum("dbDefaultState", {"cbUnchecked", "cbChecked", "cbGrayed"}, cbUnchecked));
            c->SetState(c->dbDefaultState());
            c->OnClick = [this](TObject* s) { OnCheckBoxClick(s); };
            fontGroup = tabGroup = true;
        } else if (kind == QLatin1String("TdbDateTimePicker")) {
            auto* c = new TdbDateTimePicker(owner);
            c->SetShowCheckbox(true);
            c->SetChecked(false);
            place(c);
            name(c);
            ReadBounds(a, c);
            ReadAnchors(a, c);
            c->SetKind(a.Enum("Kind", {"dtkDate", "dtkTime"}, dtkDate));
            c->SetFormat(a.Str("Format"));
            c->SetdbFilter(ReadFilter(a, true, false));
            c->SetDateFormat(a.Enum("DateFormat", {"dfShort", "dfLong"}, dfShort));
            c->SetdbTable(a.Str("dbTable"));
            c->SetdbField(a.Str("dbField"));
            c->SetdbCalendarControl(a.Str("dbCalendarControl"));
            c->SetdbIncremSearch(a.Str("dbIncremSearch"));
            c->SetdbDefaultChecked(a.Bool("dbDefaultChecked"));
            c->SetChecked(c->dbDefaultChecked());
            c->OnChange = [this](TObject* s) { OnDateTimePickerChange(s); };
            fontGroup = tabGroup = true;
        } else if (kind == QLatin1String("TdbMonthCalendar")) {
            auto* c = new TdbMonthCalendar(owner);
            place(c);
            name(c);
            ReadBounds(a, c);
            ReadAnchors(a, c);
            c->SetdbFilter(ReadFilter(a, false, false));
            c->SetdbTable(a.Str("dbTable"));
            c->SetdbField(a.Str("dbField"));
            c->SetdbIncremSearch(a.Str("dbIncremSearch"));
            c->OnClick = [this](TObject* s) { OnMonthCalendarOnClick(s); };
        } else if (kind == QLatin1String("TdbComboBox")) {
            auto* c = new TdbComboBox(owner);
            place(c);
            name(c);
            ReadBounds(a, c);
            ReadAnchors(a, c);
            c->SetdbForeignKey(a.Str("dbForeignKey"));
            c->SetdbField(a.Str("dbField"));
            c->SetdbDefaultID(a.Int("dbDefaultID", 0));
            c->SetDropDownCount(a.Int("DropDownCount", 8, 0, 1000));
            c->SetdbParentCombo(a.Str("dbParentCombo"));
            c->SetdbSort(a.Bool("dbSort"));
            c->SetdbIncremSearch(a.Str("dbIncremSearch"));
            c->OnChange = [this](TObject* s) { OnComboChange(s); };
            fontGroup = tabGroup = true;
        } else if (kind == QLatin1String("TdbStringGrid")) {
            auto* c = new TdbStringGridEx(owner);
            c->SetOptions(TGridOptions{goHeader, goGrid, goSelectFullRow, goDisableColumnMoving});
            c->SetAppearanceOptions(TAppearanceOptions{aoAlphaBlendedSelection});
            c->SetGridLinesStyle(lsActiveRows);
            c->SetHighlightedTextColor(clWindowText);
            place(c);
            name(c);
            ReadBounds(a, c);
            ReadAnchors(a, c);
            c->SetRowSize(a.Int("DefaultRowHeight", 18, 0, 32767));
            c->SetdbGeneralTable(a.Str("dbGeneralTable"));
            c->SetdbListFields(a.Str("dbListFields"));
            c->SetdbListFieldsNames(a.Str("dbListFieldsNames"));
            c->SetdbListFooters(a.Str("dbListFooters"));
            c->SetdbFilter(a.Str("dbFilter"));
            c->SetdbAutoExecute(a.Bool("dbAutoExecute"));
            c->SetdbSortField(a.Str("dbSortField"));
            c->SetdbSortAsc(a.Bool("dbSortAsc"));
            c->SetdbIncremSearch(a.Str("dbIncremSearch"));
            c->SetdbSQLConnection(SQLConnection());
            c->OnClick = [this](TObject* s) { OnStringGridOnClick(s); };
            fontGroup = tabGroup = true;
        } else if (kind == QLatin1String("TdbLabel")) {
            auto* c = new TLabel(owner);
            c->SetParentFont(false);
            place(c);
            name(c);
            c->SetCaption(a.Str("Caption"));
            c->SetBounds(a.Coordinate("Left"), a.Coordinate("Top"), c->Width(), a.Coordinate("Height"));
            ReadAnchors(a, c);
            c->SetAutoSize(true);
            fontGroup = true;
        } else if (kind == QLatin1String("TdbPanel")) {
            auto* c = new TdbPanel(owner);
            place(c);
            name(c);
            ReadBounds(a, c);
            ReadAnchors(a, c);
            c->SetColor(a.Color("Color", clBtnFace));
            c->SetTabStop(false);
            c->SetCaption(QString());
            tabGroup = true;
        } else if (kind == QLatin1String("TdbGroupBox")) {
            auto* c = new TGroupBox(owner);
            place(c);
            name(c);
            c->SetCaption(a.Str("Caption"));
            ReadBounds(a, c);
            ReadAnchors(a, c);
            c->SetTabStop(false);
            fontGroup = tabGroup = true;
        } else if (kind == QLatin1String("TdbPageControl")) {
            auto* c = new TPageControl(owner);
            place(c);
            name(c);
            ReadBounds(a, c);
            c->SetStyle(a.Enum("Style", {"tsTabs", "tsButtons", "tsFlatButtons"}, tsTabs));
            ReadAnchors(a, c);
            fontGroup = tabGroup = true;
        } else if (kind == QLatin1String("TdbTabSheet")) {
            auto* pages = dynamic_cast<TPageControl*>(container);
            if (!pages) {
                a.Note("Name", QStringLiteral("a tab sheet outside a page control is not built"));
                continue;
            }
            auto* c = new TTabSheet(owner);
            c->SetPageControl(pages);
            created = c;
            name(c);
            c->SetCaption(a.Str("Caption"));
            c->SetTag(a.Int("PageIndex", 0));
            for (int index = 0; index < pages->PageCount(); ++index)
                for (int p = 0; p < pages->PageCount(); ++p)
                    if (pages->Pages(p)->Tag() == index) pages->Pages(p)->SetPageIndex(index);
            if (pages->PageCount() > 0) pages->SetActivePageIndex(0);
        } else if (kind == QLatin1String("TdbImage")) {
            auto* c = new TdbImage(owner);
            place(c);
            name(c);
            c->SetdbFileName(a.Str("dbFileName"));
            c->SetProportional(a.Bool("Proportional"));
            c->SetStretch(a.Bool("Stretch"));
            c->SetTransparent(a.Bool("Transparent"));
            ReadBounds(a, c);
            ReadAnchors(a, c);
        } else if (kind == QLatin1String("TdbImageDataBase")) {
            auto* c = new TdbImageDataBase(owner);
            place(c);
            name(c);
            c->SetdbTable(a.Str("dbTable"));
            c->SetdbField(a.Str("dbField"));
            c->SetProportional(a.Bool("Proportional"));
            c->SetStretch(a.Bool("Stretch"));
            c->SetTransparent(a.Bool("Transparent"));
            ReadBounds(a, c);
            ReadAnchors(a, c);
        } else if (kind == QLatin1String("TdbFileToDatabase")) {
            auto* c = new TdbFileToDatabase(owner);
            place(c);
            name(c);
            c->SetBounds(a.Coordinate("Left"), a.Coordinate("Top"), a.Coordinate("Width"), c->Height());
            ReadAnchors(a, c);
            c->SetImages(ImageListButtonEdit);
            c->LeftButton().SetImageIndex(4);
            c->LeftButton().SetHotImageIndex(5);
            c->LeftButton().SetPressedImageIndex(6);
            c->LeftButton().SetHint(QStringLiteral("Выбрать файл для сохранения в базу данных."));
            c->LeftButton().SetVisible(true);
            c->RightButton().SetImageIndex(0);
            c->RightButton().SetHotImageIndex(1);
            c->RightButton().SetPressedImageIndex(2);
            c->RightButton().SetDisabledImageIndex(3);
            c->RightButton().SetHint(QStringLiteral("Сохранение или открытие файла из базы данных."));
            c->RightButton().SetVisible(true);
            c->SetText(QString());
            c->SetShowHint(true);
            c->SetdbTable(a.Str("dbTable"));
            c->SetdbField(a.Str("dbField"));
            c->SetColor(a.Color("Color", clWindow));
            c->SetdbType(a.Enum("dbType", {"tflStore", "tflLinkFile", "tflLinkFolder"}, tflStore));
            c->PreparePopup();
            fontGroup = tabGroup = true;
        } else {
            FFormsProblems << QStringLiteral("%1, line %2: <%3> is not a control class; nothing is built for it")
                                  .arg(FFormsFile)
                                  .arg(child.LineNumber())
                                  .arg(kind);
        }

        if (created && fontGroup) ReadFont(a, created);
        if (created && tabGroup) {
            if (auto* w = dynamic_cast<TWinControl*>(created)) w->SetTabStop(a.Bool("TabStop"));
            tabEntries << a.Str("TabOrder") + QLatin1Char(',') + NameOf(a);
        }

        // The children of a container element are built inside the control of its name.
        const QString childName = NameOf(a);
        if (childName.isEmpty()) continue;
        for (int k = 0; k < container->ControlCount(); ++k) {
            TControl* control = container->Controls(k);
            if (control->Name() != childName) continue;
            if (auto* inner = dynamic_cast<TWinControl*>(control)) LoadControls(inner, child);
            break;
        }
    }

    // Applied from the smallest number up: each one moves its control to that place among
    // its siblings.
    std::vector<int> order(tabEntries.size());
    for (int k = 0; k < int(order.size()); ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(),
                     [&](int x, int y) { return CompareTabOrder(tabEntries, x, y) < 0; });
    for (int k : order) {
        const QString& entry = tabEntries[k];
        TComponent* c = owner->FindComponent(entry.section(QLatin1Char(','), 1));
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->SetTabOrder(TabOrderNumber(entry));
    }
}

int TabOrderNumber(const QString& entry) {
    bool ok = false;
    const int n = entry.section(QLatin1Char(','), 0, 0).trimmed().toInt(&ok);
    return ok ? n : 999;
}

int CompareTabOrder(const QStringList& entries, int a, int b) {
    const int x = TabOrderNumber(entries.at(a)), y = TabOrderNumber(entries.at(b));
    return y < x ? 1 : (x < y ? -1 : 0);
}

// The column model and the column list: notifications of every structural change, the two
// orders, layout and auto-size, and the column properties with edge cases.

#include "GridTestSupport.h"

#include "grid/GxDisplays.h"
#include "platform/rtl/SysUtils.h"

namespace {

QStringList L(std::initializer_list<const char*> items) {
    QStringList l;
    for (const char* s : items)
        l << QString::fromUtf8(s);
    return l;
}

TEST(ColumnList, AddColumnsMakesPlainTextColumns) {
    TFakeGrid grid;
    grid.Columns->AddColumns(TGxTextColumn::StaticClassInfo(), 3);
    ASSERT_EQ(grid.Columns->Count(), 3);
    for (int i = 0; i < 3; ++i) {
        TGxCustomColumn* c = grid.Columns->Item(i);
        EXPECT_EQ(c->Position(), i);
        EXPECT_EQ(c->Width(), 80);
        EXPECT_EQ(c->Header()->Caption(), QString());
        EXPECT_EQ(c->Left(), i * 80);
        EXPECT_EQ(c->VisibleIndex(), i);
        EXPECT_EQ(c->Color(), clYellow);       // the grid's colour
        EXPECT_EQ(c->Cursor(), crHandPoint);   // and cursor
        EXPECT_EQ(c->Font()->Color(), clNavy); // and font, as ParentFont is set
        EXPECT_TRUE(c->ParentFont());
        EXPECT_TRUE(c->Options() ==
                    (TColumnOptions{coCanClick, coCanInput, coCanSort, coPublicUsing, coShowTextFitHint}));
    }
    EXPECT_EQ(grid.Cells->ColCount(), 3);
    EXPECT_EQ(grid.Log.count(QStringLiteral("change opAdd -1 -1")), 3);
    EXPECT_EQ(grid.Log.count(QStringLiteral("repaint opAdd -1 -1")), 3);
    EXPECT_EQ(grid.Columns->LastAdded(), grid.Columns->Item(2));
    EXPECT_EQ(grid.Columns->ClientWidth(), 240);
    EXPECT_THROW(grid.Columns->Item(3), EListError);
    EXPECT_THROW(grid.Columns->PositionItem(-1), EListError);
}

TEST(ColumnList, InsertPutsTheColumnLastInDisplayOrder) {
    TFakeGrid grid;
    auto* a = grid.Columns->Add<TGxTextColumn>(QStringLiteral("a"));
    auto* b = grid.Columns->Add<TGxTextColumn>(QStringLiteral("b"));
    grid.Cells->AddRow(1);
    grid.Cells->GetCell(0, 0)->SetAsString(QStringLiteral("A"));
    grid.Log.clear();
    TGxCustomColumn* n = grid.Columns->Insert(TGxTextColumn::StaticClassInfo(), 0);
    EXPECT_EQ(grid.Columns->Item(0), n);
    EXPECT_EQ(grid.Columns->Item(1), a);
    EXPECT_EQ(n->Position(), 2);
    EXPECT_EQ(a->Position(), 0);
    EXPECT_EQ(b->Position(), 1);
    EXPECT_EQ(grid.Columns->LastAdded(), b);
    EXPECT_EQ(grid.Log, L({"change opInsert 0 -1", "repaint opInsert 0 -1"}));
    // The store put the new cells at item 0.
    EXPECT_EQ(grid.Cells->GetCell(1, 0)->AsString(), QStringLiteral("A"));
    EXPECT_EQ(grid.Cells->GetCell(0, 0)->AsString(), QString());
}

TEST(ColumnList, MoveChangesItemOrderOnly) {
    TFakeGrid grid;
    grid.Columns->AddColumns(TGxTextColumn::StaticClassInfo(), 3);
    TGxCustomColumn* first = grid.Columns->Item(0);
    grid.Cells->AddRow(1);
    grid.Cells->GetCell(0, 0)->SetAsString(QStringLiteral("x"));
    grid.Log.clear();
    grid.Columns->Move(0, 2);
    EXPECT_EQ(grid.Columns->Item(2), first);
    EXPECT_EQ(first->Position(), 0);
    EXPECT_EQ(grid.Columns->Item(0)->Position(), 1);
    EXPECT_EQ(grid.Log, L({"change opMove 0 2", "repaint opMove 0 2"}));
    EXPECT_EQ(grid.Cells->GetCell(2, 0)->AsString(), QStringLiteral("x"));
    grid.Log.clear();
    grid.Columns->Move(0, 3);
    grid.Columns->Move(-1, 0);
    EXPECT_TRUE(grid.Log.isEmpty());
}

TEST(ColumnList, DeleteAndClearReportEachColumn) {
    TFakeGrid grid;
    grid.Columns->AddColumns(TGxTextColumn::StaticClassInfo(), 4);
    grid.Cells->AddRow(2);
    grid.Log.clear();
    grid.Columns->Delete(1);
    EXPECT_EQ(grid.Log, L({"change opDelete 1 -1", "repaint opDelete 1 -1"}));
    EXPECT_EQ(grid.Cells->ColCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(grid.Columns->Item(i)->Position(), i);

    grid.Log.clear();
    grid.Columns->Clear();
    const QStringList changes = grid.Log.filter(QStringLiteral("change"));
    EXPECT_EQ(changes, L({"change opDelete 2 -1", "change opDelete 1 -1", "change opDelete 0 -1",
                          "change opClear -1 -1"}));
    EXPECT_EQ(grid.Log.last(), QStringLiteral("repaint opClear -1 -1"));
    EXPECT_TRUE(grid.Columns->Empty());
    EXPECT_EQ(grid.Cells->ColCount(), 0);
    EXPECT_EQ(grid.Cells->RowCount(), 0);
}

TEST(ColumnList, DisplayOrderAndLayout) {
    TFakeGrid grid;
    grid.Indicator = true;
    grid.Columns->AddColumns(TGxTextColumn::StaticClassInfo(), 3);
    TGxCustomColumn* c0 = grid.Columns->Item(0);
    TGxCustomColumn* c2 = grid.Columns->Item(2);
    EXPECT_EQ(c0->Left(), 12); // the body starts right of the indicator
    grid.ColumnLog.clear();
    grid.Columns->ChangePosition(0, 2);
    EXPECT_EQ(grid.ColumnLog, L({"0 ccPosition 0"}));
    EXPECT_EQ(grid.Columns->PositionItem(2), c0);
    EXPECT_EQ(c0->Position(), 2);
    EXPECT_EQ(c2->Position(), 1);
    EXPECT_EQ(c0->Left(), 12 + 160);
    EXPECT_EQ(c0->Index(), 0); // item order untouched
    grid.ColumnLog.clear();
    c2->SetPosition(0);
    EXPECT_EQ(grid.ColumnLog, L({"2 ccPosition 1"}));
    EXPECT_EQ(grid.Columns->PositionItem(0), c2);

    // Hidden columns leave the layout.
    grid.Columns->Item(1)->SetVisible(false);
    EXPECT_EQ(grid.Columns->Item(1)->VisibleIndex(), -1);
    EXPECT_EQ(c0->Left(), 12 + 80);
    EXPECT_EQ(c0->VisibleIndex(), 1);
    EXPECT_EQ(grid.Columns->VisibleCount(), 2);
    EXPECT_EQ(grid.Columns->First(), c2);
    EXPECT_EQ(grid.Columns->Last(), c0);
    EXPECT_EQ(c2->Location(), clLeftSide);
    EXPECT_EQ(c0->Location(), clRightSide);
    EXPECT_EQ(c2->NextColumn(), c0);
    EXPECT_EQ(c2->PrevColumn(), c2);

    // Fixed columns and clipping.
    grid.Columns->SetFixedCols(1);
    EXPECT_EQ(grid.Columns->FixedWidth(), 80);
    grid.HorzPos = 100;
    EXPECT_FALSE(grid.Columns->Clipped(c2));
    EXPECT_TRUE(grid.Columns->Clipped(c0)); // 92 + 80 - 100 < 80
    EXPECT_EQ(c0->AbsoluteLeft(), 92 - 100);
    EXPECT_EQ(c2->AbsoluteLeft(), 12);

    grid.Columns->HideAll();
    EXPECT_EQ(grid.Columns->VisibleCount(), 0);
    EXPECT_EQ(grid.Log.last(), QStringLiteral("repaint opDelete -1 -1"));
    EXPECT_EQ(grid.Columns->First(), nullptr);
}

TEST(ColumnList, AutoSizeSharesTheFreeWidth) {
    TFakeGrid grid;
    grid.ClientWidth = 301;
    auto* a = grid.Columns->Add<TGxTextColumn>();
    auto* b = grid.Columns->Add<TGxTextColumn>();
    // As read from a form: no layout work until the columns are all placed.
    grid.SetLoading(true);
    a->SetWidth(100);
    b->SetWidth(100);
    a->SetOptions(a->Options() + coAutoSize);
    b->SetOptions(b->Options() + coAutoSize);
    grid.Columns->ResizeColumns(nullptr, false);
    EXPECT_EQ(a->Width(), 100);
    grid.SetLoading(false);
    grid.Columns->ResizeColumns(nullptr, false);
    EXPECT_EQ(a->Width(), 150);
    EXPECT_EQ(b->Width(), 151);

    // A fixed column takes its width off first.
    TFakeGrid other;
    other.ClientWidth = 412;
    other.Indicator = true;
    auto* f = other.Columns->Add<TGxTextColumn>();
    auto* g = other.Columns->Add<TGxTextColumn>();
    g->SetOptions(g->Options() + coAutoSize);
    other.Columns->ResizeColumns(nullptr, false);
    EXPECT_EQ(f->Width(), 80);
    EXPECT_EQ(g->Width(), 400 - 80);
}

TEST(ColumnList, NamesAndDuplicates) {
    TFakeGrid grid;
    auto* c = grid.Columns->Add<TGxTextColumn>();
    c->SetName(QStringLiteral("ColName"));
    EXPECT_EQ(grid.Columns->GetColumn(QStringLiteral("colname")), c);
    EXPECT_EQ(grid.Columns->Column(QStringLiteral("other")), nullptr);
    EXPECT_EQ(grid.Columns->UniqueName(QStringLiteral("Col")), QStringLiteral("Col1"));
    TComponent sibling(&grid);
    sibling.SetName(QStringLiteral("Col1"));
    EXPECT_EQ(grid.Columns->UniqueName(QStringLiteral("Col")), QStringLiteral("Col2"));

    static_cast<TGxTextColumn*>(c)->SetTextBefore(QStringLiteral("<"));
    c->SetWidth(120);
    c->SetSortType(stNumeric);
    TGxCustomColumn* copy = grid.Columns->Duplicate(0);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Owner(), &grid);
    EXPECT_EQ(copy->ClassName(), QStringLiteral("TGxTextColumn"));
    EXPECT_EQ(copy->Width(), 120);
    EXPECT_EQ(static_cast<TGxTextColumn*>(copy)->TextBefore(), QStringLiteral("<"));
    EXPECT_EQ(grid.Columns->Count(), 2);
    EXPECT_EQ(grid.Columns->Duplicate(5), nullptr);
    EXPECT_EQ(grid.Cells->ColCount(), 2);
}

TEST(ColumnList, IndicatorSwitchReachesTheLayout) {
    TFakeGrid grid;
    grid.Columns->Add<TGxTextColumn>();
    ASSERT_TRUE(grid.OnUpdateColumns);
    grid.Indicator = true;
    grid.OnUpdateColumns(&grid);
    EXPECT_EQ(grid.Columns->Item(0)->Left(), 12);
}

TEST(Column, WidthKeepsTheMinimum) {
    TFakeGrid grid;
    auto* c = grid.Columns->Add<TGxTextColumn>();
    grid.ColumnLog.clear();
    c->SetWidth(3);
    EXPECT_EQ(c->Width(), 8);
    EXPECT_EQ(grid.ColumnLog, L({"0 ccWidth -72"}));
}

class TUnsortableColumn : public TGxTextColumn {
    KORVEL_CLASS(TUnsortableColumn, TGxTextColumn)
public:
    using TGxTextColumn::TGxTextColumn;
    TColumnStyle GetColumnStyle() const override {
        return TGxTextColumn::GetColumnStyle() + csDisableSorting;
    }
};
KORVEL_CLASS_INFO(TUnsortableColumn) {}

TEST(Column, OneSortedColumnAtATime) {
    TFakeGrid grid;
    auto* a = grid.Columns->Add<TGxTextColumn>();
    auto* b = grid.Columns->Add<TGxTextColumn>();
    auto* u = grid.Columns->Add<TUnsortableColumn>();
    a->SetSorted(true);
    grid.ColumnLog.clear();
    b->SetSorted(true);
    EXPECT_FALSE(a->Sorted());
    EXPECT_TRUE(b->Sorted());
    EXPECT_EQ(grid.ColumnLog, L({"0 ccUnsorted -1", "1 ccSorted -1"}));
    grid.ColumnLog.clear();
    u->SetSorted(true);
    EXPECT_FALSE(u->Sorted());
    EXPECT_TRUE(b->Sorted());
    EXPECT_TRUE(grid.ColumnLog.isEmpty());
}

TEST(Column, NotificationsOnTheirChannels) {
    TFakeGrid grid;
    auto* c = grid.Columns->Add<TGxTextColumn>();
    QStringList procs;
    const int cookie = c->RegisterNotification(
        [&](TGxCustomColumn*, TColumnNotifyOperation op) { procs << QString::number(op); });
    grid.ColumnLog.clear();
    grid.Refreshes.clear();
    c->SetAlignment(taRightJustify);
    c->SetColor(clRed);
    c->Header()->SetCaption(QStringLiteral("Head"));
    c->SetVisible(false);
    c->SetInputValue(QStringLiteral("v"));
    c->SetSortKind(skDescending);
    c->SetWrapKind(wkWordWrap);
    c->Footer()->SetFormulaKind(fkSum);
    c->Header()->SetMultiLine(true);
    c->SlideBounds()->SetWidth(80);            // unchanged width: no slide change
    c->SlideBounds()->SetTop(8);               // top: always
    EXPECT_EQ(procs, L({"0", "2", "1", "6"})); // align, colour, caption, visible
    EXPECT_EQ(grid.ColumnLog,
              L({"0 ccUndefined -1", "0 ccUndefined -1", "0 ccVisible -1", "0 ccInputChange -1",
                 "0 ccSortTypeChange -1", "0 ccUndefined -1", "0 ccSlideChanged -1"}));
    EXPECT_EQ(grid.Refreshes, L({"0:0", "0:1", "0:3"})); // caption (none), wrap (body), multi-line (header)
    c->UnregisterNotification(cookie);
    c->SetColor(clBlue);
    EXPECT_EQ(procs.size(), 4);

    // A font change by the application clears ParentFont; ParentFont copies the grid's font back.
    grid.ColumnLog.clear();
    c->Font()->SetColor(clGreen);
    EXPECT_FALSE(c->ParentFont());
    EXPECT_EQ(grid.ColumnLog, L({"0 ccUndefined -1"}));
    c->SetParentFont(true);
    EXPECT_EQ(c->Font()->Color(), clNavy);
    EXPECT_TRUE(c->ParentFont());
}

TEST(Column, SearchColumnIsUnique) {
    TFakeGrid grid;
    auto* a = grid.Columns->Add<TGxTextColumn>();
    auto* b = grid.Columns->Add<TGxTextColumn>();
    a->SetOptions(a->Options() + coSearchColumn);
    b->SetOptions(b->Options() + coSearchColumn);
    EXPECT_FALSE(a->Options().Contains(coSearchColumn));
    EXPECT_TRUE(b->Options().Contains(coSearchColumn));
    b->SetEditing(true);
    EXPECT_TRUE(b->Editing());
    EXPECT_TRUE(b->ColumnState() == (TColumnState{ceEditable, ceCanInput}));
    b->SetEnabled(false);
    EXPECT_TRUE(b->ColumnState().Empty());
    auto* inc = grid.Columns->Add<TGxIncrementColumn>();
    EXPECT_TRUE(inc->ColumnState().Empty()); // no editor and not editable
    EXPECT_EQ(inc->ColumnType(), ctAutoInc);
}

TEST(Column, DrawTexts) {
    TFakeGrid grid;
    auto* text = grid.Columns->Add<TGxTextColumn>();
    TCellInfo cell;
    cell.AsString = QStringLiteral("xyz");
    text->SetTextBefore(QStringLiteral("a"));
    EXPECT_EQ(text->GetDrawText(cell), QStringLiteral("axyz"));
    text->SetPasswordChar(QLatin1Char('*'));
    EXPECT_EQ(text->GetDrawText(cell), QStringLiteral("****"));
    text->SetPasswordChar(QChar());
    text->SetTextAfter(QStringLiteral("!"));
    text->OnGetDrawText = [](TObject*, QString& t) { t = t.toUpper(); };
    EXPECT_EQ(text->GetDrawText(cell), QStringLiteral("aXYZ!"));
    EXPECT_EQ(text->GetHintText(cell), QStringLiteral("aXYZ!"));

    auto* inc = grid.Columns->Add<TGxIncrementColumn>();
    TCellInfo row;
    row.AsInteger = 4;
    EXPECT_EQ(inc->GetDrawText(row), QStringLiteral("5"));

    auto* virt = grid.Columns->Add<TGxVirtualColumn>();
    virt->SetTextBefore(QStringLiteral("["));
    virt->SetTextAfter(QStringLiteral("]"));
    virt->OnGetDrawText = [](TObject*, QString& t) { t = QStringLiteral("ignored"); };
    EXPECT_EQ(virt->GetDrawText(cell), QStringLiteral("[xyz]"));
    EXPECT_EQ(virt->ColumnType(), ctVirtual);
    EXPECT_TRUE(virt->Options().Contains(coShowTextFitHint));
}

TEST(Column, FooterText) {
    TFakeGrid grid;
    auto* c = grid.Columns->Add<TGxTextColumn>();
    TColumnFooter* f = c->Footer();
    f->SetFormatMaskKind(mkFloat);
    f->SetFormatMask(QStringLiteral("0.00"));
    {
        TFormatSettingsScope scope(QStringLiteral("en_US"));
        f->SetCaption(QStringLiteral("3.14159"));
        EXPECT_EQ(f->DisplayText(), QStringLiteral("3.14"));
        f->SetCaption(QStringLiteral("abc"));
        EXPECT_EQ(f->DisplayText(), QStringLiteral("0.00"));
    }
    {
        TFormatSettingsScope scope(QStringLiteral("ru_RU"));
        f->SetCaption(QStringLiteral("3,14159"));
        f->SetTextBefore(QStringLiteral("= "));
        EXPECT_EQ(f->DisplayText(), QStringLiteral("= 3,14"));
    }
    // A text mask inserts its literals into the caption.
    f->SetFormatMaskKind(mkText);
    f->SetFormatMask(QStringLiteral("(000) 000;0;_"));
    f->SetCaption(QStringLiteral("123456"));
    EXPECT_EQ(f->DisplayText(), QStringLiteral("= (123) 456"));
    f->SetFormatMask(QString());
    f->SetTextBefore(QString());
    f->SetCaption(QStringLiteral("plain"));
    EXPECT_EQ(f->DisplayText(), QStringLiteral("plain"));
}

TEST(Column, AssignCopiesThroughSetters) {
    TFakeGrid grid;
    auto* a = grid.Columns->Add<TGxTextColumn>();
    auto* b = grid.Columns->Add<TGxTextColumn>();
    a->SetAlignment(taCenter);
    a->SetWidth(55);
    a->SetMaxLength(9);
    a->Header()->SetCaption(QStringLiteral("Caption"));
    a->Footer()->SetFormulaKind(fkAverage);
    a->Footer()->SetCaption(QStringLiteral("not copied"));
    b->Assign(a);
    EXPECT_EQ(b->Alignment(), taCenter);
    EXPECT_EQ(b->Width(), 55);
    EXPECT_EQ(b->MaxLength(), 9);
    EXPECT_EQ(b->Header()->Caption(), QStringLiteral("Caption"));
    EXPECT_EQ(b->Footer()->FormulaKind(), fkAverage);
    EXPECT_EQ(b->Footer()->Caption(), QString());
    EXPECT_THROW(b->Assign(static_cast<const TPersistent*>(b->SlideBounds())), EConvertError);
}

TEST(Column, MemberRectangles) {
    TFakeGrid grid;
    grid.Columns->Add<TGxTextColumn>();
    auto* c = grid.Columns->Add<TGxTextColumn>();
    EXPECT_EQ(c->GetMemberRect(ckHeader), TRect(80, 0, 160, 18));
    EXPECT_EQ(c->GetMemberRect(ckFooter), TRect(80, 150 - 22 + 4, 160, 150));
    EXPECT_EQ(c->GetMemberRect(ckInput), TRect(80, 18, 160, 34));
    EXPECT_EQ(c->GetMemberRect(ckIndicator), TRect());
    EXPECT_EQ(c->ClientRect(), TRect(80, 18, 160, 150 - 18 - 4));
}

TEST(Column, CellPainterDrawsTheDrawText) {
    TFakeGrid grid;
    auto* c = grid.Columns->Add<TGxTextColumn>();
    c->SetTextBefore(QStringLiteral("WWWW"));
    TBitmap bmp(80, 20);
    bmp.Canvas().Brush().SetColor(clWhite);
    bmp.Canvas().FillRect(TRect(0, 0, 80, 20));
    bmp.Canvas().Font().SetColor(clBlack);
    TColumnDisplay* d = c->Display();
    d->Canvas = &bmp.Canvas();
    d->ClientRect = TRect(0, 0, 80, 20);
    d->AsString = QString();
    d->Paint();
    int dark = 0;
    for (int x = 0; x < 80; ++x)
        for (int y = 0; y < 20; ++y)
            if (GetRValue(bmp.Canvas().Pixel(x, y)) < 100) ++dark;
    EXPECT_GT(dark, 10); // the text before the empty value was drawn
    EXPECT_EQ(bmp.Canvas().Pixel(78, 10), clWhite);
    EXPECT_EQ(d->GetTextRect(), TRect(2, 0, 78, 20));

    d->DrawHintMark();
    EXPECT_EQ(bmp.Canvas().Pixel(77, 0), clRed);
    EXPECT_EQ(bmp.Canvas().Pixel(79, 3), clRed);
    EXPECT_EQ(bmp.Canvas().Pixel(74, 5), clWhite);
    EXPECT_GT(c->GetCellBestFit(QStringLiteral("WWWW")), c->GetCellBestFit(QStringLiteral("i")));
}

} // namespace

namespace {

TEST(ColumnList, ColumnsReadFromAFormArePlacedByPosition) {
    TFakeGrid grid;
    grid.SetLoading(true);
    const int positions[] = {2, 0, 1};
    std::vector<TGxTextColumn*> read;
    for (int i = 0; i < 3; ++i) {
        auto* c = new TGxTextColumn(&grid); // owned by the form's grid, as the reader makes them
        c->SetName(QStringLiteral("Col%1").arg(i));
        c->SetPosition(positions[i]);
        c->SetParentComponent(&grid);
        read.push_back(c);
    }
    EXPECT_EQ(grid.Log, QStringList({"change opAdd -1 -1", "change opAdd -1 -1", "change opAdd -1 -1"}));
    EXPECT_EQ(grid.Cells->ColCount(), 3);
    grid.SetLoading(false);
    for (auto* c : read)
        c->Loaded();
    EXPECT_EQ(grid.Columns->PositionItem(0), read[1]);
    EXPECT_EQ(grid.Columns->PositionItem(1), read[2]);
    EXPECT_EQ(grid.Columns->PositionItem(2), read[0]);
    EXPECT_EQ(read[1]->Left(), 0);
    EXPECT_EQ(read[0]->Left(), 160);
    EXPECT_EQ(grid.Columns->Item(0), read[0]); // item order is the reading order
}

} // namespace

namespace {

TEST(ColumnList, SlidesScaleAndAnchor) {
    TFakeGrid grid;
    auto* scaled = grid.Columns->Add<TGxTextColumn>();
    auto* stretched = grid.Columns->Add<TGxTextColumn>();
    auto* moved = grid.Columns->Add<TGxTextColumn>();
    auto* still = grid.Columns->Add<TGxTextColumn>();
    scaled->SetSlideOptions({soAutoSize});
    scaled->SlideBounds()->SetLeft(10);
    scaled->SlideBounds()->SetWidth(85);
    stretched->SetSlideAnchors({akLeft, akTop, akRight});
    moved->SetSlideAnchors({akTop, akRight});
    grid.Columns->AutoSizeSlides(200, 300);
    EXPECT_EQ(scaled->SlideBounds()->Width(), 128); // 127.5 to the even 128
    EXPECT_EQ(scaled->SlideBounds()->Left(), 15);
    EXPECT_EQ(still->SlideBounds()->Width(), 80);
    grid.Columns->AnchorSlides(200, 230);
    EXPECT_EQ(stretched->SlideBounds()->Width(), 110);
    EXPECT_EQ(stretched->SlideBounds()->Left(), 8);
    EXPECT_EQ(moved->SlideBounds()->Left(), 38);
    EXPECT_EQ(moved->SlideBounds()->Width(), 80);
    EXPECT_EQ(still->SlideRect(), TRect(8, 8, 88, 24));
}

} // namespace

namespace {

TEST(Column, DisplayTextFlags) {
    struct {
        TAlignment Align;
        TVerticalAlignment VAlign;
        TWrapKind Wrap;
        bool MultiLine;
        unsigned Drawing, Measuring;
    } cases[] = {
        {taLeftJustify, taVerticalCenter, wkEllipsis, false,
         DT_NOPREFIX | DT_VCENTER | DT_END_ELLIPSIS | DT_SINGLELINE,
         DT_NOPREFIX | DT_VCENTER | DT_SINGLELINE},
        {taRightJustify, taAlignBottom, wkPathEllipsis, false,
         DT_NOPREFIX | DT_RIGHT | DT_BOTTOM | DT_PATH_ELLIPSIS | DT_SINGLELINE,
         DT_NOPREFIX | DT_RIGHT | DT_BOTTOM | DT_SINGLELINE},
        {taCenter, taAlignTop, wkWordWrap, false, DT_NOPREFIX | DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL,
         DT_NOPREFIX | DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL},
        {taLeftJustify, taAlignTop, wkNone, true, DT_NOPREFIX, DT_NOPREFIX},
    };
    TFakeGrid grid;
    auto* c = grid.Columns->Add<TGxTextColumn>();
    for (const auto& k : cases) {
        c->SetAlignment(k.Align);
        c->SetVerticalAlignment(k.VAlign);
        c->SetWrapKind(k.Wrap);
        c->SetMultiLine(k.MultiLine);
        EXPECT_EQ(c->Display()->TextFlags(true), k.Drawing);
        EXPECT_EQ(c->Display()->TextFlags(false), k.Measuring);
    }
    c->SetBiDiMode(bdRightToLeft);
    EXPECT_TRUE(c->Display()->TextFlags(false) & DT_RTLREADING);
}

TEST(Column, PublishedProperties) {
    TFakeGrid grid;
    auto* c = grid.Columns->Add<TGxTextColumn>();
    EXPECT_EQ(GetPropValue(c, QStringLiteral("SortType")).ToString(), QStringLiteral("stAlphabetic"));
    EXPECT_EQ(GetPropValue(c, QStringLiteral("WrapKind")).ToString(), QStringLiteral("wkEllipsis"));
    SetPropValue(c, QStringLiteral("Width"), Variant(120));
    EXPECT_EQ(c->Width(), 120);
    SetPropValue(c, QStringLiteral("Options"), Variant(QStringLiteral("[coCanSort,coAutoSize]")));
    EXPECT_TRUE(c->Options() == (TColumnOptions{coCanSort, coAutoSize}));
    EXPECT_TRUE(IsDefaultPropValue(c, GetPropInfo(c, QStringLiteral("Visible"))));
    EXPECT_FALSE(IsDefaultPropValue(c, GetPropInfo(c, QStringLiteral("Width"))));
}

} // namespace

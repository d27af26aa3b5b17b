// Building the grid of the export matrix: ordered boundaries, each object's cell rectangle, the
// cell array, removal of empty rows, cutting of objects whose cells are not one rectangle, and
// merging of frame lines between neighbours.
#include "report/export/rptExportMatrix.h"

#include "report/core/rptProgress.h"
#include "report/core/rptRes.h"

#include <algorithm>

namespace {

using TPosList = std::vector<std::unique_ptr<TrptIEMPos>>;

void SortPos(TPosList& List) {
    std::stable_sort(List.begin(), List.end(), [](const auto& a, const auto& b) { return a->Value < b->Value; });
}

// First boundary not below Value; the list's size when none is.
int FindPos(const TPosList& List, double Value) {
    const auto it = std::lower_bound(List.begin(), List.end(), Value,
                                     [](const auto& p, double v) { return p->Value < v; });
    return static_cast<int>(it - List.begin());
}

void Place(const TPosList& List, double Start, double Size, int& At, int& Span) {
    const int last = static_cast<int>(List.size()) - 1;
    At = std::min(FindPos(List, Start), std::max(last, 0));
    if (Size <= 0) {
        Span = 0;
        return;
    }
    const double end = Start + Size;
    int k = 1;
    while (At + k < last && List[static_cast<size_t>(At + k)]->Value < end) ++k;
    Span = At + k <= last ? k : last - At;
}

} // namespace

void TrptIEMatrix::DeleteMatrixLine(int y) {
    const size_t n = FYPos.size();
    const double h = static_cast<size_t>(y) + 1 < n ? FYPos[static_cast<size_t>(y) + 1]->Value - FYPos[static_cast<size_t>(y)]->Value : 0;
    for (size_t i = static_cast<size_t>(y) + 1; i < n; ++i) FYPos[i]->Value -= h;
    FYPos.erase(FYPos.begin() + y);
    const auto w = static_cast<ptrdiff_t>(FWidth);
    FMatrix.erase(FMatrix.begin() + y * w, FMatrix.begin() + (y + 1) * w);
    --FHeight;
}

void TrptIEMatrix::Prepare() {
    struct TProgressEnd {
        std::unique_ptr<TrptProgress>& P;
        ~TProgressEnd() { P.reset(); }
    } progressEnd{FProgress};
    if (FShowProgress) {
        FProgress = std::make_unique<TrptProgress>(nullptr);
        FProgress->Execute(11, GlobalResources()->Get(QStringLiteral("ProgressWait")), false, true);
    }
    auto tick = [this] {
        if (FProgress) FProgress->Tick();
    };

    // Area fill: a white, frameless cell under everything.
    if (FFillArea) {
        auto st = std::make_unique<TrptIEMStyle>();
        st->Color = 0xFFFFFF;
        const int si = AddStyle(std::move(st));
        auto obj = std::make_unique<TrptIEMObject>();
        obj->StyleIndex = si;
        obj->Style = FIEMStyleList[static_cast<size_t>(si)].get();
        obj->Left = FCropFillArea ? FMinLeft : 0;
        obj->Top = FCropFillArea ? FMinTop : 0;
        obj->Width = FMaxWidth;
        obj->Height = FMaxHeight;
        AddPos(FXPos, 0);
        AddPos(FYPos, 0);
        auto p = std::make_unique<TrptIEMObjectList>();
        p->Obj = std::move(obj);
        FIEMObjectList.insert(FIEMObjectList.begin(), std::move(p));
    }

    // Ordering of boundaries.
    auto order = [&](TPosList& List, double MaxCell) {
        SortPos(List);
        tick();
        size_t i = 0;
        while (i + 1 < List.size()) {
            if (List[i + 1]->Value - List[i]->Value < FInaccuracy)
                List.erase(List.begin() + static_cast<ptrdiff_t>(i));
            else
                ++i;
        }
        tick();
        bool added = false;
        if (MaxCell > 0) {
            std::vector<double> before;
            before.reserve(List.size());
            for (const auto& p : List) before.push_back(p->Value);
            for (size_t j = 0; j + 1 < before.size(); ++j) {
                const double b = before[j], d = before[j + 1];
                if (d - b > MaxCell) {
                    const auto n = static_cast<long long>((d - b) / MaxCell);
                    for (long long k = 1; k <= n; ++k) added |= AddPos(List, b + static_cast<double>(k) * MaxCell);
                }
            }
        }
        tick();
        if (added) SortPos(List);
        tick();
    };
    order(FXPos, FMaxCellWidth);
    order(FYPos, FMaxCellHeight);

    // Placing.
    for (auto& p : FIEMObjectList) {
        Place(FXPos, p->Obj->Left, p->Obj->Width, p->x, p->dx);
        Place(FYPos, p->Obj->Top, p->Obj->Height, p->y, p->dy);
    }
    FWidth = static_cast<int>(FXPos.size());
    FHeight = static_cast<int>(FYPos.size());
    tick();

    // Filling: later objects cover earlier ones.
    FMatrix.assign(static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight), -1);
    for (size_t n = 0; n < FIEMObjectList.size(); ++n) {
        TrptIEMObjectList& p = *FIEMObjectList[n];
        TrptIEMObject* obj = p.Obj.get();
        if (p.dx <= 0 || p.dy <= 0) continue;
        if (obj->Style && obj->Style->Color == clNone) {
            // An unfilled object over a filled one shows that fill, unless it would hide its text.
            if (TrptIEMObject* under = GetObject(p.x, p.y); under && under->Style) {
                const TColor c = under->Style->Color;
                if (c != obj->Style->Color && c != obj->Style->Font()->Color()) {
                    auto st = std::make_unique<TrptIEMStyle>();
                    st->Assign(*obj->Style);
                    st->Color = c;
                    obj->StyleIndex = AddStyle(std::move(st));
                    obj->Style = FIEMStyleList[static_cast<size_t>(obj->StyleIndex)].get();
                }
            }
        }
        for (int y = p.y; y < p.y + p.dy && y < FHeight; ++y)
            for (int x = p.x; x < p.x + p.dx && x < FWidth; ++x)
                FMatrix[static_cast<size_t>(x) + static_cast<size_t>(y) * static_cast<size_t>(FWidth)] = static_cast<int>(n);
    }
    tick();

    if (!FEmptyLines) {
        int i = 0;
        while (i < FHeight - 1) {
            bool empty = true;
            for (int x = 0; x < FWidth && empty; ++x) empty = GetCell(x, i) == -1;
            if (empty)
                DeleteMatrixLine(i);
            else
                ++i;
        }
    }

    // Cutting into rectangles.
    auto cell = [this](int x, int y) -> int& {
        return FMatrix[static_cast<size_t>(x) + static_cast<size_t>(y) * static_cast<size_t>(FWidth)];
    };
    for (int y = 0; y < FHeight; ++y) {
        for (int x = 0; x < FWidth; ++x) {
            const int id = cell(x, y);
            if (id < 0) continue;
            TrptIEMObjectList& whole = *FIEMObjectList[static_cast<size_t>(id)];
            if (whole.Exist) continue;
            int w = 0;
            while (x + w < FWidth && cell(x + w, y) == id) ++w;
            int h = 0;
            for (;;) {
                const int yy = y + h;
                if (yy >= FHeight || cell(x, yy) != id) break;
                int run = 0;
                while (x + run < FWidth && cell(x + run, yy) == id) ++run;
                if (run < w) break;
                ++h;
            }
            if (w == whole.dx && h == whole.dy) {
                whole.x = x;
                whole.y = y;
                whole.Exist = true;
                continue;
            }
            TrptIEMObject* wo = whole.Obj.get();
            auto part = std::make_unique<TrptIEMObject>();
            part->StyleIndex = wo->StyleIndex;
            part->Style = wo->Style;
            part->Left = GetXPosById(x);
            part->Top = GetYPosById(y);
            part->Width = GetXPosById(std::min(x + w, FWidth - 1)) - part->Left;
            part->Height = GetYPosById(std::min(y + h, FHeight - 1)) - part->Top;
            part->Parent = wo;
            part->IsText = wo->IsText;
            part->IsRichText = wo->IsRichText;
            part->HTMLTags = wo->HTMLTags;
            if (wo->Top + wo->Height - part->Top > wo->Height / 3 && wo->Left + wo->Width - part->Left > wo->Width / 3) {
                part->SetImage(wo->TakeImage());
                part->Link = wo->Link;
                wo->Link = nullptr;
                part->IsText = wo->IsText;
                wo->IsText = true;
                part->Memo()->Assign(*wo->Memo());
                wo->Memo()->Clear();
            }
            if (wo->Style && part->Style) {
                TrptFrameTypes sides;
                const TrptFrameTypes ws = wo->Style->FrameTyp;
                if (ws.Contains(ftTop) && part->Top == wo->Top) sides += ftTop;
                if (ws.Contains(ftLeft) && part->Left == wo->Left) sides += ftLeft;
                if (ws.Contains(ftBottom) && part->Top + part->Height == wo->Top + wo->Height) sides += ftBottom;
                if (ws.Contains(ftRight) && part->Left + part->Width == wo->Left + wo->Width) sides += ftRight;
                if (!(sides == part->Style->FrameTyp)) {
                    auto st = std::make_unique<TrptIEMStyle>();
                    st->Assign(*wo->Style);
                    st->FrameTyp = sides;
                    part->StyleIndex = AddStyle(std::move(st));
                    part->Style = FIEMStyleList[static_cast<size_t>(part->StyleIndex)].get();
                }
            }
            auto pl = std::make_unique<TrptIEMObjectList>();
            pl->Obj = std::move(part);
            pl->x = x;
            pl->y = y;
            pl->dx = w;
            pl->dy = h;
            pl->Exist = true;
            FIEMObjectList.push_back(std::move(pl));
            const int pid = static_cast<int>(FIEMObjectList.size()) - 1;
            for (int yy = y; yy < y + h; ++yy)
                for (int xx = x; xx < x + w; ++xx)
                    if (cell(xx, yy) == id) cell(xx, yy) = pid;
        }
    }
    tick();

    // Frame merging: a side shared with a neighbour's matching side is drawn once.
    if (FOptFrames) {
        for (int y = 0; y < FHeight; ++y) {
            for (int x = 0; x < FWidth; ++x) {
                const int id = cell(x, y);
                TrptIEMObject* obj = GetObjectById(id);
                if (!obj || !obj->Style) continue;
                TrptFrameTypes sides = obj->Style->FrameTyp;
                auto matches = [&](int nx, int ny, TrptFrameType side) {
                    const int nid = cell(nx, ny);
                    TrptIEMObject* n = GetObjectById(nid);
                    return nid != id && n && n->Style && n->Style->FrameTyp.Contains(side) &&
                           n->Style->FrameWidth == obj->Style->FrameWidth &&
                           n->Style->FrameColor == obj->Style->FrameColor;
                };
                if (sides.Contains(ftTop) && y > 0 && matches(x, y - 1, ftBottom)) sides -= ftTop;
                if (sides.Contains(ftLeft) && x > 0 && matches(x - 1, y, ftRight)) sides -= ftLeft;
                if (!(sides == obj->Style->FrameTyp)) {
                    auto st = std::make_unique<TrptIEMStyle>();
                    st->Assign(*obj->Style);
                    st->FrameTyp = sides;
                    obj->StyleIndex = AddStyle(std::move(st));
                    obj->Style = FIEMStyleList[static_cast<size_t>(obj->StyleIndex)].get();
                }
            }
        }
    }
}

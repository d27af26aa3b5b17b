// The paper table and the numbering of printers' papers.

#include "report/core/rptPrinter.h"

#include <algorithm>
#include <cmath>

// Names are given so that a paper list without a real printer can be read and chosen from by
// name; numbers and sizes are those templates store.
const TPaperInfo PaperInfoTable[PaperInfoCount] = {
    {1, "Letter", 2159, 2794},
    {2, "Letter Small", 2159, 2794},
    {3, "Tabloid", 2794, 4318},
    {4, "Ledger", 4318, 2794},
    {5, "Legal", 2159, 3556},
    {6, "Statement", 1397, 2159},
    {7, "Executive", 1842, 2667},
    {8, "A3", 2970, 4200},
    {9, "A4", 2100, 2970},
    {10, "A4 Small", 2100, 2970},
    {11, "A5", 1480, 2100},
    {12, "B4 (JIS)", 2500, 3540},
    {13, "B5 (JIS)", 1820, 2570},
    {14, "Folio", 2159, 3302},
    {15, "Quarto", 2150, 2750},
    {16, "10 x 14 in", 2540, 3556},
    {17, "11 x 17 in", 2794, 4318},
    {18, "Note", 2159, 2794},
    {19, "Envelope #9", 984, 2254},
    {20, "Envelope #10", 1048, 2413},
    {21, "Envelope #11", 1143, 2635},
    {22, "Envelope #12", 1207, 2794},
    {23, "Envelope #14", 1270, 2921},
    {24, "C size sheet", 4318, 5588},
    {25, "D size sheet", 5588, 8636},
    {26, "E size sheet", 8636, 11176},
    {27, "Envelope DL", 1100, 2200},
    {28, "Envelope C5", 1620, 2290},
    {29, "Envelope C3", 3240, 4580},
    {30, "Envelope C4", 2290, 3240},
    {31, "Envelope C6", 1140, 1620},
    {32, "Envelope C65", 1140, 2290},
    {33, "Envelope B4", 2500, 3530},
    {34, "Envelope B5", 1760, 2500},
    {35, "Envelope B6", 1760, 1250},
    {36, "Envelope Italy", 1100, 2300},
    {37, "Envelope Monarch", 984, 1905},
    {38, "Envelope 6 3/4", 920, 1651},
    {39, "US Std Fanfold", 3778, 2794},
    {40, "German Std Fanfold", 2159, 3048},
    {41, "German Legal Fanfold", 2159, 3302},
    {42, "B4 (ISO)", 2500, 3530},
    {43, "Japanese Postcard", 1000, 1480},
    {44, "9 x 11 in", 2286, 2794},
    {45, "10 x 11 in", 2540, 2794},
    {46, "15 x 11 in", 3810, 2794},
    {47, "Envelope Invite", 2200, 2200},
    {50, "Letter Extra", 2355, 3048},
    {51, "Legal Extra", 2355, 3810},
    {52, "Tabloid Extra", 2969, 4572},
    {53, "A4 Extra", 2354, 3223},
    {54, "Letter Transverse", 2101, 2794},
    {55, "A4 Transverse", 2100, 2970},
    {56, "Letter Extra Transverse", 2355, 3048},
    {57, "Super A", 2270, 3560},
    {58, "Super B", 3050, 4870},
    {59, "Letter Plus", 2159, 3223},
    {60, "A4 Plus", 2100, 3300},
    {61, "A5 Transverse", 1480, 2100},
    {62, "B5 (JIS) Transverse", 1820, 2570},
    {63, "A3 Extra", 3220, 4450},
    {64, "A5 Extra", 1740, 2350},
    {65, "B5 (ISO) Extra", 2010, 2760},
    {66, "A2", 4200, 5940},
    {67, "A3 Transverse", 2970, 4200},
    {68, "A3 Extra Transverse", 3220, 4450},
};

namespace {

const TPaperInfo* FindPaperInfo(int number) {
    const auto* end = PaperInfoTable + PaperInfoCount;
    const auto* row = std::find_if(PaperInfoTable, end, [number](const TPaperInfo& p) { return p.Typ == number; });
    return row == end ? nullptr : row;
}

// Qt's page-size ids follow 256; sizes only a printer names follow all of them, packed as
// width * 2^15 + height in tenths of a millimetre (both below 3.2768 m) above bit 30.
constexpr int StandardBase = rptCustomPaper + 1;
constexpr int SizeBase = 1 << 30;
constexpr int SizeLimit = (1 << 15) - 1;

int Tenths(double millimetres) {
    return std::clamp(static_cast<int>(std::lround(millimetres * 10)), 0, SizeLimit);
}

} // namespace

bool PaperSizeDimensions(int PaperSize, double& Width, double& Height) {
    const TPaperInfo* row = FindPaperInfo(PaperSize);
    if (!row) return false;
    Width = row->X / 10.0;
    Height = row->Y / 10.0;
    return true;
}

int PaperNumberOf(const QPageSize& size) {
    const int windowsId = size.windowsId();
    if (windowsId != rptCustomPaper && FindPaperInfo(windowsId)) return windowsId;
    if (size.id() != QPageSize::Custom) return StandardBase + static_cast<int>(size.id());
    const QSizeF mm = size.size(QPageSize::Millimeter);
    return SizeBase | (Tenths(mm.width()) << 15) | Tenths(mm.height());
}

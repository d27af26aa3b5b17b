#pragma once
// The first stage of the script compiler: the grammar of the selected language drives the scanner
// over the source text and writes the intermediate program, an XML tree of the elements the
// grammar's rules emit, each with the source position it came from. Syntax errors are recorded
// (message and "line:column") and reported through the result, never raised.

#include "platform/rtl/Object.h"
#include "script/sc_iparser.h"
#include "script/sc_xml.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TscCompileHost;
struct TscGrammarGraph;
struct TscRuleNode;

// Supplies the text of an included unit; the handler fills UnitText.
using TscGetUnitEvent =
    std::function<void(TscCompileHost* Sender, const QString& UnitName, QString& UnitText)>;

// What the compiler needs of the script it compiles: the options that shape the scanner and the
// include search, the unit event, and the fields that receive the compile error.
class TscCompileHost {
public:
    virtual ~TscCompileHost() = default;

    bool ExtendedCharset() const { return FExtendedCharset; }
    void SetExtendedCharset(bool value) { FExtendedCharset = value; }
    const QStringList& IncludePath() const { return FIncludePath; }
    void SetIncludePath(const QStringList& value) { FIncludePath = value; }
    const QString& ErrorMsg() const { return FErrorMsg; }
    void SetErrorMsg(const QString& value) { FErrorMsg = value; }
    const QString& ErrorPos() const { return FErrorPos; }
    void SetErrorPos(const QString& value) { FErrorPos = value; }
    const QString& ErrorUnit() const { return FErrorUnit; }
    void SetErrorUnit(const QString& value) { FErrorUnit = value; }

    TscGetUnitEvent OnGetUnit;

private:
    bool FExtendedCharset = false;
    QStringList FIncludePath;
    QString FErrorMsg;
    QString FErrorPos;
    QString FErrorUnit;
};

class TscILParser : public TObject {
public:
    explicit TscILParser(TscCompileHost* AProgram);
    ~TscILParser() override;

    // Raises Exception(SLangNotFound) for an unregistered language.
    void SelectLanguage(const QString& LangName);
    // Parses the text into ILScript; false on a syntax error, whose message and position are
    // also stored into the host's ErrorMsg and ErrorPos. Raises for a grammar that calls a
    // missing rule (SInvalidLanguage), an unregistered language in a directive and an
    // unreadable unit file.
    bool MakeILScript(const QString& Text);

    TscXMLDocument* ILScript() const { return FILScript.get(); }
    const QString& LangName() const { return FLangName; }
    bool NeedDeclareVars() const { return FNeedDeclareVars; }
    const QString& UnitName() const { return FUnitName; }
    void SetUnitName(const QString& value) { FUnitName = value; }
    const QStringList& UsesList() const { return FUsesList; }
    void SetUsesList(const QStringList& value) { FUsesList = value; }
    TscParser* Parser() const { return FParser.get(); }
    // The loaded grammar of the current language.
    const TscXMLDocument* Grammar() const;
    // The message and position the last MakeILScript recorded (empty on success).
    const QString& ErrorMsg() const { return FRecordedMsg; }
    const QString& ErrorPos() const { return FRecordedPos; }

    // Deepest rule nesting a source may cause before it is refused as too complex.
    static constexpr int MaxNesting = 1500;

private:
    struct Fatal {};

    bool Walk(const TscRuleNode* e);
    bool WalkLoop(const TscRuleNode* e);
    bool OnlyBlanksFrom(int position);
    bool EndsWithPascalProgramEnd(int position) const;
    bool TokenMatches(const TscRuleNode* e, const QString& token) const;
    void RecordError(const TscRuleNode* e, int entryPos);
    void ApplyNode(const TscRuleNode* e, int entryPos, size_t entryCount, bool success);
    void EmitLeaf(const QString& name, const QString& text);
    void IncludeUnits(size_t entryCount);
    void IncludeUnit(const QString& name, size_t& insertAt);
    [[noreturn]] void RaiseFatal(const QString& msg, const QString& pos);

    std::shared_ptr<const TscGrammarGraph> FGrammar;
    std::unique_ptr<TscXMLDocument> FILScript;
    QString FLangName;
    bool FNeedDeclareVars = true;
    std::unique_ptr<TscParser> FParser;
    TscCompileHost* FProgram;
    QString FUnitName;
    QStringList FUsesList;

    // Output of one MakeILScript run: elements live in a pool and refer to each other by index;
    // FOut is the sequence emitted so far. Failed alternatives only shorten FOut, and the XML
    // tree is built once at the end.
    struct TOutNode {
        QString Name;
        QString Text; // leaf: the value; uses: the unit name
        int Pos = 0;  // scanner positions, turned into "line:column" when the tree is built
        int Pos1 = 0; // expr only
        int FirstChild = -1;
        int Next = -1;
        int Unit = -1; // uses: index into FUnits of the unit's program
        bool Leaf = false;
        bool Uses = false;
    };
    static constexpr int NodeBlockBits = 9;
    TOutNode& Node(int index) const {
        return FNodeBlocks[static_cast<size_t>(index >> NodeBlockBits)][index & ((1 << NodeBlockBits) - 1)];
    }
    int NewNode(const QString& name);
    void Wrap(int node, size_t entryCount);
    std::unique_ptr<TscXMLItem> BuildItem(const TOutNode& n);

    // Blocks of a fixed size, so the pool never moves what it holds.
    std::vector<std::unique_ptr<TOutNode[]>> FNodeBlocks;
    int FNodeCount = 0;
    std::vector<std::unique_ptr<TscXMLItem>> FUnits;
    std::vector<int> FOut;
    QString FRecordedMsg;
    QString FRecordedPos;
    bool FRecordedTerm = false;
    int FFurthest = 1; // start of the furthest token that failed to match
    int FDepth = 0;
    int FUnitDepth = 0;
};

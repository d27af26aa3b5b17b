#pragma once
// The second compile stage: the intermediate program becomes the items and statements of a
// script. Every name is resolved and every assignment and argument type-tested here, so a
// compiled script runs without name lookups.

#include "script/sc_iinterpreter.h"

enum TscEmitOp { emNone, emCreate, emFree };

// Builds the parser's intermediate program into Script; a build error goes into the script's
// ErrorMsg, ErrorPos and ErrorUnit.
void ParseILScript(TscILParser& Parser, TscScript* Script);
// Builds one designator from its intermediate source (a late-bound chain); raises on errors.
std::unique_ptr<TscDesignator> BuildLateBoundDesignator(TscScript* Script, const TscXMLItem* Source);
// Fills the hook the script program calls.
void InstallProgramBuilder(TscProgramBuilder& Builder);

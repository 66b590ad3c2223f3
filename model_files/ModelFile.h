#pragma once
#include <string>
#include <string_view>

#include "platform/TextFile.h"

class Dialogs;
class TSimulation;

// Outcome of reading a model file.
struct TLoadResult {
    bool Ok = true;
    double Version = 2.4;  // the version recognised; the number read when it is not one we read;
                           // 0 when the file could not be read at all
    int Line = 0;          // 1-based line where reading stopped; 0 when Ok, or when the file could not
                           // be read or holds nothing
    std::string Message;   // names the line and what is wrong; empty when Ok
    std::string Warning;   // when Ok: names the line where the file ends early, or where content
                           // that is no part of a model follows the last stage; empty otherwise
    // When the file ends early: the line and the first thing missing ("the stage count"), so that
    // a window can ask before it loads what is left.
    int EndLine = 0;
    std::string Missing;
};

// The bytes of the current-version ("v2.4") model file of Model: the version line, the stage
// count and the "Service Time >= CST" option, one line per stage, every line ended by a single
// carriage return (byte 13), a period as decimal separator whatever the locale.
// Stage lines put one blank after every token. An infinite DemandBound, and a positive finite one
// whose two-decimal text would exceed the 64-character limit of a real token, is written
// "1.0E+300" (which reads back as INF). Any other real whose fixed-point text would exceed that
// limit is written in exponent form, so that the file always reads back.
// When some stage has "Per Unit Time" FALSE, one more line follows the last stage: "PerUnitTime"
// and one flag (1 or 0) per stage, each followed by a blank. Readers that follow the plain layout
// stop after the last stage and never see it.
// REQUIRES: every real parameter finite, except DemandBound, which may be +infinity.
std::string ModelFileText(const TSimulation& Model);

// Writes ModelFileText(Model) to Path through a temporary file that replaces Path only once it is
// complete. On failure Path is as it was and the message names the file and the reason. A model
// holding a real parameter that cannot be written (NaN or infinite, other than an infinite
// DemandBound) is refused the same way, naming the stage and the parameter.
TFileResult SaveModel(const TSimulation& Model, const std::string& Path);

// Reads a model file of version 2.0, 2.1, 2.2, 2.3 or 2.4 from Bytes into Model.
// REQUIRES: Model has no stages (ClearModel first); otherwise nothing is read and the result is
// a failure.
// A file whose first byte is "v" carries its version after it; any other file is version 2.0.
// After reading a file of an earlier version successfully, shows the conversion notice through
// Messages.ShowInfo; failures show nothing (the caller reports them).
// A file that ends early still loads: every missing number reads as 0 (a missing stage count gives
// an empty model), a link list the file ends in holds the stages it names, and a list the file
// ends before is completed from the links the other stages list. Content after the last stage
// (after the "PerUnitTime" line in a v2.4 file) is ignored. Either way the result carries a
// warning naming the line and what was missing or left over, also shown through
// Messages.ShowInfo (after the conversion notice).
// Refused (failure naming the line and the cause): a file with no token at all (empty or only
// blanks); an unknown version; a token that is not a number of the expected kind or is longer
// than 32 (integer) or 64 (real) characters; a stage count outside 0..25; a stage whose number
// differs from its position; a supplier or customer count outside 0..25; a linked stage number
// outside 1..NumStages, a supplier whose number is not higher than its customer's, or a stage
// listed twice in one list; link lists that disagree (a stage lists another as its supplier or
// customer, and that stage, read to the end of its list, does not list it back); a malformed
// "PerUnitTime" line.
// What Model holds after a failure: nothing when the file is empty, or the version or the stage
// count was refused; otherwise all NumStages stages, those before the failing one complete, the
// failing one read up to the failing token, the later ones at their defaults. Every link it holds
// joins two stages of the model, customer numbered below supplier, so the model is safe to show,
// check and run; after a success every link is listed on both sides.
// Whatever the outcome, every stage's raw-material groups are rebuilt from the final links.
TLoadResult LoadModelFromText(TSimulation& Model, std::string_view Bytes, Dialogs& Messages);

// Reads the file at Path with LoadModelFromText. A file that cannot be read is a failure whose
// message names the file and the system's reason; Model is then untouched.
TLoadResult LoadModel(TSimulation& Model, const std::string& Path, Dialogs& Messages);

// The information box shown after a file of an earlier version has been read.
inline constexpr std::string_view ConversionNotice =
    "This file was created using an earlier version of Orvantis.  Converting as necessary.\r\r"
    "(To avoid seeing this message in the future, save the model file again.)";

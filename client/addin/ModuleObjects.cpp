// The process-wide objects, defined in one place so that they are constructed in this
// order at module load and destroyed in the reverse order at unload. Built twice: with
// PARCELON_DLL_MODULE for Parcelon.dll, without it for the project's programs and tests.
#include "client/addin/CurrentMailItem.h"
#include "client/dialog/AttachOptions.h"
#include "common/DiagnosticLog.h"

namespace parcelon {

AttachOptions attachOptions;
MailItem currentMailItem;
DiagnosticLog diagnosticLog;

}  // namespace parcelon

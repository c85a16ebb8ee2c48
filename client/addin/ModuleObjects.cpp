// The process-wide objects, defined in one place so that they are constructed in this
// order at module load and destroyed in the reverse order at unload.
#include "client/dialog/AttachOptions.h"
#include "common/DiagnosticLog.h"

namespace parcelon {

AttachOptions attachOptions;
DiagnosticLog diagnosticLog;

}  // namespace parcelon

// The process-wide objects, defined in one place so that they are constructed in this
// order at module load and destroyed in the reverse order at unload. Built twice: with
// PARCELON_DLL_MODULE for Parcelon.dll, without it for the project's programs and tests.
#include "client/addin/CurrentMailItem.h"
#include "client/dialog/AttachOptions.h"
#include "common/CrashDumpHandler.h"
#include "common/DiagnosticLog.h"
#include "common/RegistrySettings.h"

namespace parcelon {

AttachOptions attachOptions;
MailItem currentMailItem;
#if PARCELON_DLL_MODULE
// Only the DLL takes over the process's crash handling; test programs keep their own.
CrashDumpHandler crashDumpHandler("Parcelon", HKEY_CURRENT_USER, DiagnosticLog::kSettingsKey, kHomeValueName);
#endif
DiagnosticLog diagnosticLog;

void AbandonHostObjects() noexcept { currentMailItem.Abandon(); }

}  // namespace parcelon

// The activation context of a module's own manifest, activated for the owner's lifetime.
#include "ActivationContext.h"

#include "DiagnosticLog.h"

namespace parcelon {

ModuleActivationScope::ModuleActivationScope(HMODULE module) {
    // A program's manifest (resource 1) is its process's context already.
    if (!FindResourceW(module, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(24))) return;  // RT_MANIFEST
    ACTCTXW description = {};
    description.cbSize = sizeof description;
    description.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    description.hModule = module;
    description.lpResourceName = MAKEINTRESOURCEW(2);  // ISOLATIONAWARE_MANIFEST_RESOURCE_ID
    context_.reset(CreateActCtxW(&description));
    if (!context_) {
        PARCELON_LOG_ERROR("The module's manifest could not be made an activation context (%lu)", GetLastError());
        return;
    }
    if (!ActivateActCtx(context_.get(), &cookie_)) {
        cookie_ = 0;
        PARCELON_LOG_ERROR("The module's activation context could not be activated (%lu)", GetLastError());
    }
}

ModuleActivationScope::~ModuleActivationScope() {
    if (cookie_) DeactivateActCtx(0, cookie_);
}

}  // namespace parcelon

// The class table of Parcelon.dll.
#include "ClassTable.h"

#include "ClassFactory.h"
#include "ComObject.h"
#include "Registrar.h"
#include "client/addin/OutlookAddin.h"
#include "client/resources/ResourceIds.h"

namespace parcelon {

namespace {
HRESULT UpdateOutlookAddinRegistry(RegistrationScope scope, bool registering) {
    return UpdateRegistryFromResource(serverModule.instance(), IDR_OUTLOOKADDIN, scope, registering);
}
}  // namespace

ObjectMapEntry classTable[] = {
    {&CLSID_OutlookAddin, &UpdateOutlookAddinRegistry, &ClassFactory::Create<&CreateComInstance<OutlookAddin>>,
     nullptr, 0},
    {nullptr, nullptr, nullptr, nullptr, 0},
};

}  // namespace parcelon

// The three payloads the setup program carries. Kept apart from the plan's
// constants so that a program using only the plan does not carry them too.
#include "install_plan.h"

DECLARE_PAYLOAD(launcher_payload)
DECLARE_PAYLOAD(page_payload)
DECLARE_PAYLOAD(uninstaller_payload)

PayloadBlob LauncherPayload() { return PAYLOAD_BLOB(launcher_payload); }
PayloadBlob PagePayload()     { return PAYLOAD_BLOB(page_payload); }
PayloadBlob UninstallerPayload() { return PAYLOAD_BLOB(uninstaller_payload); }
